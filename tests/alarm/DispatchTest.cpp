// The reactions to a new alarm, from a GuardEvent handed to the intake to
// windows, sounds, mails, programs and live-view requests.
#include "AlarmFixture.h"
#include "alarm/AlarmDispatcher.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"
#include "events/GuardEvent.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kGroupContact = 10004; // priority 3, live picture by default
constexpr int32_t kCameraContact = 10005;
constexpr int32_t kPlayerReport = 10007; // has no settings entry

class DispatchTest : public AlarmFixture {
protected:
    void WithMailAndProgram(int32_t type)
    {
        ConfigNode* entry = Setting(type);
        entry->Child("mailDoSendMail")->SetInt(1);
        entry->Child("mailFromAddress")->SetString("wardex@example.org");
        entry->Child("mailToAddress")->SetString("wache@example.org");
        entry->Child("execprgPath")->SetString("/usr/local/bin/melden");
        entry->Child("execprgArgs")->SetString("${AddInfo}");
    }
};

} // namespace

TEST_F(DispatchTest, PriorityFiveGetsNoWindowButRunsItsActions)
{
    ConfigNode* entry = Setting(kGroupContact);
    entry->Child("Priority")->SetInt(5);
    entry->Child("ShowAlarmWindow")->SetInt(1);
    entry->Child("DoAuto")->SetInt(1);
    WithMailAndProgram(kGroupContact);
    int64_t arrival = Raise(kGroupContact, 2);

    EXPECT_EQ(views.created, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::ConfirmState), "0");
    EXPECT_EQ(Field(0, AlarmField::AutoConfirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::ConfirmUser), "administrator");
    // Stored confirmed: written once, never updated in place.
    EXPECT_EQ(std::filesystem::file_size(dir.File("AlarmDB.journal")), 0u);
    EXPECT_EQ(mail.sent.size(), 1u);
    EXPECT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 2 1 -1"});
    EXPECT_EQ(liveView.CallsStartingWith("Notify"),
              (std::vector<std::string>{"Notify 1", "Notify 2"}));
    EXPECT_EQ(liveView.CallsStartingWith("RemoveAlarm"),
              std::vector<std::string>{"RemoveAlarm " + std::to_string(arrival)});
    EXPECT_EQ(station.refreshes, 1);
    EXPECT_EQ(station.broughtToFront, 0);
}

TEST_F(DispatchTest, NoWindowSettingIsConfirmedAutomaticallyWithoutActions)
{
    ConfigNode* entry = Setting(kGroupContact);
    entry->Child("Priority")->SetInt(2);
    entry->Child("ShowAlarmWindow")->SetInt(0);
    entry->Child("DoAuto")->SetInt(1);
    WithMailAndProgram(kGroupContact);
    Raise(kGroupContact);

    EXPECT_EQ(views.created, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::AutoConfirmed), "1");
    EXPECT_TRUE(mail.sent.empty());
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(liveView.Requests().empty());
}

TEST_F(DispatchTest, SilentAlarmIsCountedByAnActivePresentationWindow)
{
    Setting(kGroupContact)->Child("ShowAlarmWindow")->SetInt(0);
    presentation.exists = presentation.active = true;
    Raise(kGroupContact);
    EXPECT_EQ(presentation.counted, 1);
    EXPECT_EQ(station.refreshes, 0);
}

TEST_F(DispatchTest, ThreeToneSignalPlaysThreeBeepsOfAThirdEach)
{
    System("pcspkPlaySound")->SetInt(1);
    System("pcspkFrequ")->SetInt(3);
    System("pcspkMilliSeconds")->SetInt(200);
    Raise(kGroupContact);
    EXPECT_EQ(beeper.tones,
              (std::vector<FakeBeeper::PlayedTone>{{250, 66}, {500, 66}, {1000, 66}}));
}

TEST_F(DispatchTest, SingleBeepPitchFollowsTheChoice)
{
    System("pcspkMilliSeconds")->SetInt(120);
    Raise(kGroupContact);
    EXPECT_TRUE(beeper.tones.empty());
    System("pcspkPlaySound")->SetInt(1);
    for (int choice : {0, 1, 2, 7}) {
        System("pcspkFrequ")->SetInt(choice);
        Raise(kGroupContact);
    }
    EXPECT_EQ(beeper.tones, (std::vector<FakeBeeper::PlayedTone>{
                                {250, 120}, {500, 120}, {1000, 120}, {1000, 120}}));
}

TEST_F(DispatchTest, LiveViewProgramLearnsOfEveryAlarm)
{
    Setting(kCameraContact)->Child("TrackName")->SetString("Eingang");
    int64_t first = Raise(kCameraContact, 4);
    Setting(kGroupContact)->Child("TrackName")->SetString("ungenutzt");
    int64_t second = Raise(kGroupContact, 1);
    EXPECT_EQ(
        liveView.CallsStartingWith("AddAlarm"),
        (std::vector<std::string>{"AddAlarm 'Tor' 4 'Eingang' " + std::to_string(first) + " 3",
                                  "AddAlarm 'Tor' 1 '' " + std::to_string(second) + " 3"}));
    EXPECT_EQ(liveView.CallsStartingWith("Notify"),
              (std::vector<std::string>{"Notify 1", "Notify 1"}));
}

TEST_F(DispatchTest, PriorityOneToFourWaitsWithoutWindow)
{
    WithMailAndProgram(kGroupContact);
    Setting(kGroupContact)->Child("DoAuto")->SetInt(1);
    Raise(kGroupContact, 1);
    EXPECT_EQ(views.created, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
    EXPECT_EQ(Field(0, AlarmField::ConfirmState), "0");
    EXPECT_EQ(mail.sent.size(), 1u);
    // The program runs when a window opens, not at arrival.
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 1 1 -1"});
    EXPECT_EQ(station.refreshes, 1);
    EXPECT_EQ(station.broughtToFront, 1);
}

TEST_F(DispatchTest, ProgramRunsAtArrivalWhenSetToOnce)
{
    WithMailAndProgram(kGroupContact);
    Setting(kGroupContact)->Child("execprgOnce")->SetInt(1);
    Raise(kGroupContact);
    ASSERT_EQ(launcher.started.size(), 1u);
}

TEST_F(DispatchTest, HostileAddInfoIsOneProgramArgument)
{
    WithMailAndProgram(kGroupContact);
    Setting(kGroupContact)->Child("execprgOnce")->SetInt(1);
    Setting(kGroupContact)->Child("execprgArgs")->SetString("--info ${AddInfo} --end");
    std::string hostile = "; rm -rf ~ $(touch x) \"q\"\nzweite Zeile";
    Raise(kGroupContact, 0, kRecorderIp, hostile);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].args, (std::vector<std::string>{"--info", hostile, "--end"}));
}

TEST_F(DispatchTest, PriorityZeroOpensItsWindowAtOnce)
{
    Setting(kGroupContact)->Child("Priority")->SetInt(0);
    int64_t arrival = Raise(kGroupContact, 3);
    AlarmWindow& window = OnlyWindow();
    EXPECT_EQ(window.Arrival(), arrival);
    EXPECT_EQ(window.IsPostProcessing(), PostProcessing::No);
    EXPECT_EQ(ViewOf(window).content.caption, "Meldung von Rekorder Tor");
    // The window made the live request; the handler ended there.
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 3 1 -1"});
    EXPECT_EQ(station.broughtToFront, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
}

TEST_F(DispatchTest, PriorityZeroWithoutLiveRequestsStillBringsTheStationToTheFront)
{
    ConfigNode* entry = Setting(kGroupContact);
    entry->Child("Priority")->SetInt(0);
    entry->Child("ShwLivePic")->SetInt(0);
    entry->Child("DoAuto")->SetInt(1);
    Raise(kGroupContact, 3);
    EXPECT_EQ(handling->Windows().OpenCount(), 1);
    EXPECT_EQ(liveView.Requests(), std::vector<std::string>{"ShowLive 10.0.0.1 3 1 -1"});
    EXPECT_EQ(station.broughtToFront, 1);
}

TEST_F(DispatchTest, PriorityZeroWaitsWhileAnotherWindowIsOpen)
{
    Setting(kGroupContact)->Child("Priority")->SetInt(0);
    int64_t first = Raise(kGroupContact);
    int64_t second = Raise(kGroupContact, 1);
    EXPECT_EQ(views.created, 1);
    EXPECT_EQ(OnlyWindow().Arrival(), first);
    EXPECT_EQ(Field(1, AlarmField::Confirmed), "0");

    // Confirming posts the next-alarm request, which opens the waiting one.
    AlarmWindow& window = OnlyWindow();
    ViewOf(window).events.OnConfirm();
    EXPECT_EQ(station.nextAlarmRequests, 1);
    EXPECT_EQ(handling->Windows().OpenCount(), 0);
    handling->Windows().NextAlarmWindow();
    AlarmWindow& next = OnlyWindow();
    EXPECT_EQ(next.Arrival(), second);
    EXPECT_EQ(next.IsPostProcessing(), PostProcessing::Yes);
    EXPECT_EQ(ViewOf(next).content.caption, "Nachbearbeitung Rekorder Tor");
}

TEST_F(DispatchTest, StackModeHandsWaitingAlarmsToThePresentationWindow)
{
    System("iStackWnd")->SetInt(1);
    int64_t first = Raise(kGroupContact);
    EXPECT_EQ(presentation.opened, 1);
    presentation.exists = presentation.active = true;
    Raise(kGroupContact);
    EXPECT_EQ(presentation.added, 1);
    EXPECT_EQ(station.refreshes, 0);
    EXPECT_TRUE(trend.arrivals.empty());
    // The recorder's name is known in stack mode too.
    EXPECT_EQ(liveView.CallsStartingWith("AddAlarm").at(0),
              "AddAlarm 'Tor' 0 '' " + std::to_string(first) + " 3");
}

TEST_F(DispatchTest, TrendViewGetsEveryArrivalOutsideStackMode)
{
    int64_t first = Raise(kGroupContact);
    int64_t second = Raise(kGroupContact);
    EXPECT_EQ(trend.arrivals, (std::vector<int64_t>{first, second}));
}

TEST_F(DispatchTest, UnknownRecorderUsesTheDefaultsAndHasNoName)
{
    int64_t arrival = Raise(kGroupContact, 0, "10.9.9.9");
    EXPECT_EQ(liveView.CallsStartingWith("AddAlarm").at(0),
              "AddAlarm '' 0 '' " + std::to_string(arrival) + " 3");
    // The defaults show a window for the type; priority 3 waits.
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "0");
}

TEST_F(DispatchTest, AlarmWithoutSettingsIsStoredAndConfirmedAutomatically)
{
    Raise(kPlayerReport);
    EXPECT_EQ(database->RecordCount(), 1);
    EXPECT_EQ(views.created, 0);
    EXPECT_EQ(Field(0, AlarmField::Confirmed), "1");
    EXPECT_EQ(Field(0, AlarmField::AutoConfirmed), "1");
    EXPECT_TRUE(mail.sent.empty());
    EXPECT_TRUE(liveView.Requests().empty());
}

TEST_F(DispatchTest, DetachedDispatcherSeesNoAlarm)
{
    handling.reset();
    Raise(kGroupContact);
    EXPECT_EQ(database->RecordCount(), 1);
    EXPECT_TRUE(liveView.calls.empty());
}

TEST_F(DispatchTest, WithinItsRecorderMaintenanceWindowAnAlarmIsStoredMarkedAndNotAnnounced)
{
    ConfigNode* entry = Setting(kGroupContact);
    entry->Child("Priority")->SetInt(1);
    entry->Child("ShowAlarmWindow")->SetInt(1);
    WithMailAndProgram(kGroupContact);
    ConfigNode* recorder = tree->TopFolder("Program")->Child("RecorderList")->ChildAt(0);
    struct Case {
        int64_t from, until; // from now
        bool announced;
    };
    int number = 0;
    for (const Case& c : {Case{-1000, 60'000, false}, Case{-1000, 0, true},
                          Case{1000, 60'000, true}, Case{0, 0, true}}) {
        int64_t now = clock.NowMs();
        recorder->Child("iMaintenanceFrom")->SetInt64(c.from == 0 ? 0 : now + c.from);
        recorder->Child("iMaintenanceUntil")->SetInt64(c.from == 0 ? 0 : now + c.until);
        mail.sent.clear();
        size_t told = liveView.CallsStartingWith("AddAlarm").size();
        Raise(kGroupContact, 0, kRecorderIp, "Tor 3");
        SCOPED_TRACE(c.from);
        EXPECT_EQ(mail.sent.size(), c.announced ? 1u : 0u);
        EXPECT_EQ(liveView.CallsStartingWith("AddAlarm").size() > told, c.announced);
        EXPECT_EQ(Field(number, AlarmField::AddInfo), c.announced ? "Tor 3" : "Wartung: Tor 3");
        EXPECT_EQ(Field(number, AlarmField::Confirmed), c.announced ? "0" : "1");
        ++number;
    }
}
