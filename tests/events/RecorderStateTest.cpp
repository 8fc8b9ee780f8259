// A recorder's state over time, driven by test messages, ticks of the
// supervision, class changes and a restart of the station, on a fake clock;
// and the board that notices the changes.
#include "DecoderFixture.h"
#include "events/RecorderStateBoard.h"
#include "events/RecorderSupervision.h"
#include "testsupport/TempDir.h"

#include <memory>

#include <gtest/gtest.h>

namespace {

enum class Action { Tick, Message, SwitchOff, Class, Restart, Maintenance };

struct Step {
    int64_t atSeconds; // after the start of the case
    Action action;
    int32_t value; // the interval of a message, the seconds of a class
    RecorderState state;
    std::vector<int32_t> alarms;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
};

constexpr RecorderState kNever = RecorderState::NeverSeen;
constexpr RecorderState kOnline = RecorderState::Online;
constexpr RecorderState kLate = RecorderState::Late;
constexpr RecorderState kMissed = RecorderState::Missed;
constexpr RecorderState kOff = RecorderState::SwitchedOff;
constexpr RecorderState kMaintenance = RecorderState::Maintenance;

const std::vector<Case> kCases = {
    {"LateFromTheDueTimeMissedAfterTheGracePeriodThenBack",
     {{0, Action::Tick, 0, kNever, {}},
      {0, Action::Message, 600, kOnline, {10042}},
      {600, Action::Tick, 0, kOnline, {}},
      {601, Action::Tick, 0, kLate, {}},
      {1500, Action::Tick, 0, kLate, {}},
      {1501, Action::Tick, 0, kMissed, {11011}},
      {3000, Action::Tick, 0, kMissed, {}},
      {3600, Action::Message, 600, kOnline, {10042, 11012}}}},
    {"ShortClassMissesAfterItsReportingTime",
     {{0, Action::Class, 20, kNever, {}},
      {0, Action::Message, 60, kOnline, {10042}},
      {61, Action::Tick, 0, kLate, {}},
      {80, Action::Tick, 0, kLate, {}},
      {81, Action::Tick, 0, kMissed, {11011}}}},
    {"LongClassStaysLateWhereTheGracePeriodWouldMiss",
     {{0, Action::Class, 18'000, kNever, {}},
      {0, Action::Message, 60, kOnline, {10042}},
      {3600, Action::Tick, 0, kLate, {}},
      {18'060, Action::Tick, 0, kLate, {}},
      {18'061, Action::Tick, 0, kMissed, {11011}}}},
    {"ClassChangedWhileLateTakesEffectAtTheNextTick",
     {{0, Action::Class, 90'000, kNever, {}},
      {0, Action::Message, 60, kOnline, {10042}},
      {3600, Action::Tick, 0, kLate, {}},
      {3600, Action::Class, 0, kMissed, {11011}}}},
    {"SwitchedOffIsNotSupervised",
     {{0, Action::Message, 60, kOnline, {10042}},
      {30, Action::SwitchOff, 60, kOff, {10042}},
      {86'400, Action::Tick, 0, kOff, {}},
      {86'401, Action::Message, 60, kOnline, {10042}}}},
    {"DueTimeThatPassesWhileTheStationIsDownIsLateThenMissedAfterTheRestart",
     {{0, Action::Message, 600, kOnline, {10042}},
      {700, Action::Restart, 0, kLate, {}},
      {1501, Action::Tick, 0, kMissed, {11011}}}},
    {"MaintenanceShowsWhateverTheSignalWhileTheMissIsRaisedForTheIntakeToMark",
     {{0, Action::Message, 60, kOnline, {10042}},
      {30, Action::Maintenance, 3600, kMaintenance, {}},
      {1000, Action::Tick, 0, kMaintenance, {11011}},
      {3631, Action::Tick, 0, kMissed, {}}}},
    {"MissThatFellIntoTheDowntimeIsRaisedAtTheFirstTick",
     {{0, Action::Message, 600, kOnline, {10042}}, {7200, Action::Restart, 0, kMissed, {11011}}}},
};

class RecorderStates : public DecoderFixture, public RecorderStateListener {
protected:
    RecorderStates() { Start(); }

    void Start()
    {
        m_supervision =
            std::make_unique<RecorderSupervision>(m_tree, m_decoder.Arrivals(), m_recorder);
        m_board =
            std::make_unique<RecorderStateBoard>(m_tree, RecorderSupervision::kDefaultGraceMinutes);
        m_board->SetListener(this);
    }

    void OnRecorderState(const RecorderStatus& status, std::optional<RecorderState> before,
                         int64_t atMs) override
    {
        changes.push_back({status.state, before, atMs});
    }

    EntryListWriter TestMessage(int32_t interval, bool off)
    {
        EntryListWriter payload;
        payload.Value32(1, static_cast<uint32_t>(interval));
        if (off)
            payload.Flags(1, 4);
        return payload;
    }

    // The alarms raised by the step.
    std::vector<GuardEvent> Run(const Step& step, int64_t startMs)
    {
        std::vector<GuardEvent> raised;
        m_source.AdvanceMs(startMs + step.atSeconds * 1000 - NowMs());
        ConfigNode& entry = *RecorderList().ChildAt(0);
        switch (step.action) {
        case Action::Message:
        case Action::SwitchOff:
            raised = Decode(10042, 0, TestMessage(step.value, step.action == Action::SwitchOff));
            break;
        case Action::Class:
            entry.Child("iReportingTime")->SetInt(step.value);
            break;
        case Action::Restart:
            Start();
            break;
        case Action::Maintenance:
            entry.Child("iMaintenanceFrom")->SetInt64(NowMs());
            entry.Child("iMaintenanceUntil")->SetInt64(NowMs() + step.value * 1000);
            break;
        case Action::Tick:
            break;
        }
        m_supervision->CheckRecorderSignals(NowMs());
        m_board->Update(NowMs());
        raised.insert(raised.end(), m_recorder.events.begin(), m_recorder.events.end());
        m_recorder.events.clear();
        return raised;
    }

    struct Change {
        RecorderState state;
        std::optional<RecorderState> before;
        int64_t atMs;
    };
    std::vector<Change> changes;
    std::unique_ptr<RecorderSupervision> m_supervision;
    std::unique_ptr<RecorderStateBoard> m_board;
};

} // namespace

TEST_F(RecorderStates, FollowTheTable)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RecorderList().RemoveAllChildren();
        AddRecorder(kRecorderIp, kRecorderName);
        Start();
        int64_t startMs = NowMs();
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.atSeconds);
            std::vector<GuardEvent> raised = Run(step, startMs);
            ASSERT_EQ(m_board->Recorders().size(), 1u);
            EXPECT_EQ(m_board->Recorders()[0].state, step.state);
            std::vector<int32_t> alarms;
            for (const GuardEvent& event : raised)
                alarms.push_back(event.alarmType);
            EXPECT_EQ(alarms, step.alarms);
        }
        m_source.AdvanceMs(100'000'000);
    }
}

TEST_F(RecorderStates, BoardTellsEachChangeOnceAndTheFirstLookWithoutABefore)
{
    int64_t start = NowMs();
    Run({0, Action::Tick, 0, kNever, {}}, start);
    Run({0, Action::Message, 60, kOnline, {}}, start);
    Run({30, Action::Tick, 0, kOnline, {}}, start);
    Run({61, Action::Tick, 0, kLate, {}}, start);
    Run({62, Action::Tick, 0, kLate, {}}, start);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].state, kNever);
    EXPECT_FALSE(changes[0].before);
    EXPECT_EQ(changes[1].before, kNever);
    EXPECT_EQ(changes[1].state, kOnline);
    EXPECT_EQ(changes[2].before, kOnline);
    EXPECT_EQ(changes[2].state, kLate);
    EXPECT_EQ(changes[2].atMs, start + 61'000);
    EXPECT_EQ(m_board->Counts()[static_cast<size_t>(kLate)], 1);
    EXPECT_EQ(m_board->StateChanges(), 3u);
}

TEST_F(RecorderStates, BoardReportsNoChangeWhenNothingShownChanged)
{
    EXPECT_TRUE(m_board->Update(NowMs()));
    EXPECT_FALSE(m_board->Update(NowMs() + 1000));
    RecorderList().ChildAt(0)->Child("Name")->SetString("Lager Sued");
    EXPECT_TRUE(m_board->Update(NowMs() + 2000));
    EXPECT_EQ(m_board->Recorders()[0].name, "Lager Sued");
}

TEST_F(RecorderStates, RecorderSavedBeforeClassesLoadsWithTheGracePeriod)
{
    ConfigNode& old = *RecorderList().ChildAt(0);
    ASSERT_TRUE(old.RemoveChild(old.Child("iReportingTime")));
    ASSERT_TRUE(old.RemoveChild(old.Child("iMissedSignal")));
    old.Child("iLastSignal")->SetInt64(NowMs() - 1'200'000);
    old.Child("iNextSignal")->SetInt64(NowMs() - 600'000);
    old.Child("iSignalState")->SetInt(1);
    TempDir dir;
    std::string image = (dir.Path() / "programdata.bin").string();
    ASSERT_EQ(m_tree.SaveImage(image), 0);

    RecorderList().RemoveAllChildren();
    ASSERT_TRUE(m_tree.LoadImage(image));
    ConfigNode& loaded = *RecorderList().ChildAt(0);
    EXPECT_EQ(loaded.Child("iReportingTime")->GetInt(), 0);
    EXPECT_EQ(loaded.Child("iMissedSignal")->GetInt64(), 0);
    EXPECT_TRUE(Run({0, Action::Tick, 0, kLate, {}}, NowMs()).empty());
    EXPECT_EQ(m_board->Recorders()[0].state, kLate);
    std::vector<GuardEvent> raised = Run({301, Action::Tick, 0, kMissed, {}}, NowMs());
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].alarmType, 11011);
}
