// A new alarm from the decoder's hand to its record and its listeners.
#include "alarm/AlarmIntake.h"

#include "AlarmFixture.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kGroupContact = 10004; // priority 3
constexpr int32_t kPlayerReport = 10007; // has no settings entry

struct Heard {
    GuardEvent event;
    int recordNumber;
    AlarmContext context;
    bool storedConfirmed;
    int recordsAtCall;
};

class RecordingListener final : public NewAlarmListener {
public:
    explicit RecordingListener(AlarmDatabase& database) : m_database(database) {}
    void OnNewAlarm(const NewAlarm& alarm) override
    {
        heard.push_back({alarm.event, alarm.recordNumber, alarm.context, alarm.storedConfirmed,
                         m_database.RecordCount()});
        if (reaction)
            reaction(alarm);
    }
    std::vector<Heard> heard;
    std::function<void(const NewAlarm&)> reaction;

private:
    AlarmDatabase& m_database;
};

class AlarmIntakeTest : public AlarmFixture {
protected:
    AlarmIntakeTest() { intake->AddListener(&listener); }
    ~AlarmIntakeTest() override { intake->RemoveListener(&listener); }

    GuardEvent Event(int32_t type, int64_t arrival)
    {
        GuardEvent event;
        event.recorder = std::string(kRecorderIp);
        event.timeArrival = arrival;
        event.alarmType = type;
        event.hybrid = -1;
        return event;
    }

    RecordingListener listener{*database};
};

} // namespace

TEST_F(AlarmIntakeTest, AnEventIsStoredOnceAndHeardWithItsSettingsAndName)
{
    GuardEvent event = Event(kGroupContact, 13'000'000'000'001);
    event.recorder = std::string(kRecorderIp);
    event.cameraId = -1;
    event.trackId = 12;
    event.addInfo = "Kameras: 1, 3\r\nzweite Zeile";
    intake->Raise(event);

    ASSERT_EQ(database->RecordCount(), 1);
    ASSERT_EQ(listener.heard.size(), 1u);
    const Heard& heard = listener.heard[0];
    EXPECT_EQ(heard.event, event);
    EXPECT_EQ(heard.recordNumber, 0);
    EXPECT_EQ(heard.recordsAtCall, 1);
    EXPECT_FALSE(heard.storedConfirmed);
    // No hybrid entry is looked up as an ordinary recorder.
    EXPECT_EQ(heard.context.recorderName, "Tor");
    ASSERT_TRUE(heard.context.settings.has_value());
    EXPECT_EQ(heard.context.settings->priority, 3);
    EXPECT_EQ(Field(0, AlarmField::TimeArrival), "13000000000001");
    EXPECT_EQ(Field(0, AlarmField::CameraID), "-1");
    EXPECT_EQ(Field(0, AlarmField::TrackID), "12");
    EXPECT_EQ(Field(0, AlarmField::AlarmType), "10004");
    EXPECT_EQ(Field(0, AlarmField::AddInfo), "Kameras: 1, 3  zweite Zeile");
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(database->LastPosition(), 0);
}

TEST_F(AlarmIntakeTest, WhatIsConfirmedAtOnceIsStoredConfirmed)
{
    struct Case {
        int32_t type;
        int priority;
        int showWindow;
        bool confirmed;
    };
    const Case cases[] = {
        {kGroupContact, 3, 1, false},
        {kGroupContact, 5, 1, true},
        {kGroupContact, 0, 0, true},
        {kPlayerReport, 0, 1, true}, // no settings entry at all
    };
    int64_t arrival = 13'000'000'000'000;
    for (const Case& c : cases) {
        if (ConfigNode* entry = Setting(c.type)) {
            entry->Child("Priority")->SetInt(c.priority);
            entry->Child("ShowAlarmWindow")->SetInt(c.showWindow);
        }
        intake->Raise(Event(c.type, ++arrival));
        int number = database->RecordCount() - 1;
        ASSERT_EQ(listener.heard.back().recordNumber, number);
        EXPECT_EQ(listener.heard.back().storedConfirmed, c.confirmed) << c.priority;
        EXPECT_EQ(Field(number, AlarmField::AutoConfirmed), c.confirmed ? "1" : "0");
    }
}

TEST_F(AlarmIntakeTest, NothingIsHeardOfWhatIsNotStored)
{
    intake->Raise(Event(-1, 13'000'000'000'001));
    intake->SetStore(nullptr);
    intake->Raise(Event(kGroupContact, 13'000'000'000'002));

    TempDir other;
    std::filesystem::create_symlink("/dev/full", other.File("AlarmDB.txt"));
    AlarmDatabase full(*tree, other.Path(), keys, NoBusyIndicator());
    ASSERT_TRUE(full.Open(other.File("AlarmDB.txt")));
    intake->SetStore(&full);
    intake->Raise(Event(kGroupContact, 13'000'000'000'003));
    intake->SetStore(database.get());

    EXPECT_EQ(database->RecordCount(), 0);
    EXPECT_TRUE(listener.heard.empty());
}

TEST_F(AlarmIntakeTest, AnAlarmRaisedDuringADispatchIsStoredAtOnceAndHeardAfterIt)
{
    // The first alarm's handling opens a dialog whose loop takes two more.
    std::vector<int> recordsAfterNested;
    listener.reaction = [&](const NewAlarm& alarm) {
        if (alarm.event.alarmType != kGroupContact)
            return;
        intake->Raise(Event(kPlayerReport, 13'000'000'000'002));
        intake->Raise(Event(kPlayerReport, 13'000'000'000'003));
        recordsAfterNested.push_back(database->RecordCount());
        EXPECT_EQ(intake->Waiting(), 2u);
    };
    intake->Raise(Event(kGroupContact, 13'000'000'000'001));

    EXPECT_EQ(recordsAfterNested, std::vector<int>{3});
    ASSERT_EQ(listener.heard.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(listener.heard[i].recordNumber, i);
        EXPECT_EQ(listener.heard[i].event.timeArrival, 13'000'000'000'001 + i);
    }
    EXPECT_EQ(intake->Waiting(), 0u);
}

TEST_F(AlarmIntakeTest, AWaitingAlarmIsHeardUnderItsNumberOfTheMomentOrNotAtAll)
{
    Store(kPlayerReport);
    Store(kPlayerReport);
    listener.reaction = [&](const NewAlarm& alarm) {
        if (alarm.event.alarmType != kGroupContact)
            return;
        intake->Raise(Event(kPlayerReport, 13'000'000'000'002));
        intake->Raise(Event(kPlayerReport, 13'000'000'000'003));
        // Meanwhile the operator deletes the two older records and the
        // first waiting one.
        std::vector<int> drop{0, 1, 3};
        ASSERT_TRUE(database->DeleteRecords(drop));
    };
    intake->Raise(Event(kGroupContact, 13'000'000'000'001));

    ASSERT_EQ(listener.heard.size(), 2u);
    EXPECT_EQ(listener.heard[1].event.timeArrival, 13'000'000'000'003);
    EXPECT_EQ(listener.heard[1].recordNumber, 1);
    EXPECT_EQ(Field(1, AlarmField::TimeArrival), "13000000000003");
}
