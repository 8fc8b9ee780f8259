// The main window's logic on a station running in this process: the timer
// tick, alarms reaching windows, the live-view program's messages, the
// presentation window's debounce, initialisation checks, exit, posted
// messages.
#include "station/MainWindowLogic.h"

#include "StationFakes.h"
#include "alarm/AlarmHandling.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "db/DatabaseMaintenance.h"
#include "links/CommandMailbox.h"
#include "links/LiveViewMessages.h"
#include "links/MailboxCommand.h"
#include "platform/WindowMessages.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <fstream>
#include <string_view>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class NoDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&, int) override { return false; }
    bool RunLogOut(std::string_view) override { return true; }
};

bool SendTelegram(int port, uint16_t type)
{
    TelegramFields fields;
    fields.typeCode = type;
    return SendToLoopback(port, EncodeTelegram(fields));
}

class MainWindowLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = std::filesystem::current_path();
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
        static int runs = 0;
        prefix =
            "wardex-station-test-" + std::to_string(getpid()) + "-" + std::to_string(++runs) + "-";
    }
    void TearDown() override
    {
        std::filesystem::current_path(previousFolder);
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm")) {
            if (entry.path().filename().string().starts_with(prefix))
                std::filesystem::remove(entry.path());
        }
    }

    static ConfigNode* System(Station& s)
    {
        return s.Tree().TopFolder("Program")->Child("Configuration")->Child("System");
    }

    // A known recorder on loopback whose alarms of `type` have `priority`.
    static void AddRecorder(Station& s, int type, int priority)
    {
        ConfigNode* recorder = s.Tree().TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
        ConfigNode* entry = recorder->Child("AlarmSettings")->NewEntry(0);
        entry->Child("Type")->SetInt(type);
        entry->Child("SubID")->SetInt(0);
        entry->Child("Priority")->SetInt(priority);
        entry->Child("ShowAlarmWindow")->SetInt(1);
    }

    // Runs a station with the main-window logic; `step` runs every round
    // (after the posted messages) until it returns true.
    void Run(const std::function<bool(Station&, MainWindowLogic&)>& step,
             const std::string& extra = "")
    {
        ConfigTree tree;
        std::unique_ptr<UserSession> users;
        std::unique_ptr<MainWindowLogic> logic;
        desktop.onRound = [&](Station& s) {
            if (logic == nullptr) {
                users = std::make_unique<UserSession>(s.Tree(), dialogs, desktop.prompt,
                                                      desktop.beeper);
                logic = std::make_unique<MainWindowLogic>(s, view, *users);
            }
            logic->RunPosted();
            if (step(s, *logic))
                s.RequestQuit();
        };
        Station station(CommandLine("/datadir:" + dir.Path().string() +
                                    " /port:0 /shmprefix:" + prefix + " " + extra),
                        desktop, tree);
        ASSERT_EQ(station.Run(), StationExit::Normal);
        logic.reset();
        // A first start's notice of the built-in account is not what these
        // tests look at.
        std::erase_if(desktop.prompt.shown, [](const FakePrompt::Shown& shown) {
            return shown.text.starts_with("Wardex wurde zum ersten Mal gestartet.");
        });
    }

    // For scenarios that finish in their first round.
    void RunOnce(const std::function<void(Station&, MainWindowLogic&)>& scenario,
                 const std::string& extra = "")
    {
        Run(
            [&](Station& s, MainWindowLogic& logic) {
                scenario(s, logic);
                return true;
            },
            extra);
    }

    TempDir dir;
    std::filesystem::path previousFolder;
    std::string prefix;
    FakeDesktop desktop;
    NoDialogs dialogs;
    FakeMainView view;
};

} // namespace

TEST_F(MainWindowLogicTest, AlarmOfPriorityZeroOpensAWindowThatTheTickAnimates)
{
    bool sent = false;
    Run([&](Station& s, MainWindowLogic& logic) {
        if (!sent) {
            AddRecorder(s, 10001, 0);
            sent = SendTelegram(s.ListeningPort(), 10001);
            return !sent;
        }
        if (view.alarmViews.open.empty())
            return false;
        FakeAlarmViews::View* window = view.alarmViews.open.front();
        for (int i = 0; i < 20; ++i)
            logic.Tick();
        EXPECT_EQ(window->scrollerSteps, 20);
        EXPECT_EQ(window->flashes, 2); // every tenth tick
        // The telegram carries no hybrid entry: still the ordinary recorder's name.
        EXPECT_NE(window->title.find("Lager"), std::string::npos) << window->title;
        // While the window is open the station does not end.
        EXPECT_FALSE(logic.RequestExit());
        EXPECT_EQ(desktop.beeper.beeps.back(), SystemBeep::Information);
        return true;
    });
    EXPECT_EQ(view.alarmViews.created, 1);
    EXPECT_GE(view.broughtToFront, 1);
}

TEST_F(MainWindowLogicTest, WaitingAlarmIsOpenedByThePendingCheckAtTheNextStart)
{
    bool sent = false;
    Run([&](Station& s, MainWindowLogic& logic) {
        if (!sent) {
            logic.Initialise(); // records this version, so the next start upgrades nothing
            AddRecorder(s, 10001, 0);
            sent = SendTelegram(s.ListeningPort(), 10001);
            return false;
        }
        if (view.alarmViews.open.empty())
            return false;
        // The close box postpones the alarm: it keeps waiting.
        logic.AlarmWindows().PostponeAlarm(*logic.AlarmWindows().OpenWindows().front());
        return true;
    });
    ASSERT_EQ(view.alarmViews.created, 1);

    view.alarmViews.created = 0;
    Run([&](Station&, MainWindowLogic& logic) {
        static bool initialised = false;
        if (!initialised) {
            initialised = true;
            logic.Initialise();
            return false;
        }
        return true;
    });
    EXPECT_EQ(view.alarmViews.created, 1);
}

TEST_F(MainWindowLogicTest, AStreamOfAlarmsBringsTheStationToTheFrontOncePerTick)
{
    int round = 0;
    Run([&](Station&, MainWindowLogic& logic) {
        switch (round++) {
        case 0:
            logic.BringToFront();
            return false;
        case 1:
            EXPECT_EQ(view.broughtToFront, 1);
            // A later round of the same tick: owed, not forgotten.
            logic.BringToFront();
            return false;
        case 2:
            EXPECT_EQ(view.broughtToFront, 1);
            logic.Tick();
            return false;
        default:
            EXPECT_EQ(view.broughtToFront, 2);
            return true;
        }
    });
}

// Many unconfirmed records are indexed a slice per round after the start;
// the waiting alarm behind them opens once the index is complete.
TEST_F(MainWindowLogicTest, WaitingAlarmBehindManyRecordsOpensOnceTheIndexIsComplete)
{
    RunOnce([&](Station& s, MainWindowLogic& logic) {
        logic.Initialise();
        AddRecorder(s, 10001, 0);
    });
    std::string bytes(40'001 * AlarmRecord::kRecordBytes, '\0');
    for (int i = 0; i <= 40'000; ++i) {
        AlarmRecord record = AlarmRecord::NewAlarm();
        record.SetNumber(AlarmField::TimeArrival, 1000 + i);
        record.SetNumber(AlarmField::AlarmType, 10001);
        record.SetField(AlarmField::Recorder, i == 40'000 ? "127.0.0.1" : "10.9.9.9");
        record.Encode(bytes.data() + static_cast<size_t>(i) * AlarmRecord::kRecordBytes);
    }
    {
        std::ofstream out(dir.Path() / "AlarmDB.txt", std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::filesystem::remove(dir.Path() / "db.cache");
    int round = 0;
    bool completeEarly = true;
    Run([&](Station& s, MainWindowLogic& logic) {
        if (++round == 1) {
            logic.Initialise();
            return false;
        }
        if (round == 2)
            completeEarly = s.Database()->IndexComplete();
        return !view.alarmViews.open.empty() || round > 100;
    });
    EXPECT_FALSE(completeEarly);
    EXPECT_EQ(view.alarmViews.created, 1);
}

TEST_F(MainWindowLogicTest, TheLiveViewProgramBringsTheStationToTheFrontAndOpensTheSelection)
{
    int round = 0;
    Run([&](Station& s, MainWindowLogic& logic) {
        switch (round++) {
        case 0:
            logic.Initialise();
            PostWindowMessage(OwnWindowHandle(), kViewerNotificationMessage, 0, 0);
            return false;
        case 1:
        case 2:
            return false;
        case 3: {
            EXPECT_EQ(view.broughtToFront, 1);
            AddRecorder(s, 10001, 3);
            AlarmRecord record = AlarmRecord::NewAlarm();
            record.SetField(AlarmField::TimeArrival, std::to_string(s.StationClock().NowMs()));
            record.SetField(AlarmField::Recorder, "127.0.0.1");
            record.SetField(AlarmField::AlarmType, "10001");
            EXPECT_TRUE(s.Database()->Append(record));
            view.selected = 0;
            CommandMailbox mailbox(prefix);
            EXPECT_TRUE(mailbox.Open());
            EXPECT_TRUE(
                mailbox.Push({static_cast<int32_t>(MailboxCommandCode::HandleSelectedAlarm), 0}));
            PostWindowMessage(OwnWindowHandle(), kStationCommandMessage, 0, 0);
            return false;
        }
        default:
            return !view.alarmViews.open.empty() || round > 200;
        }
    });
    EXPECT_EQ(view.alarmViews.created, 1);
}

TEST_F(MainWindowLogicTest, PresentationWindowRefreshesOnceAfterTheBurstIsOver)
{
    int sent = 0;
    int64_t lastSentMs = 0;
    int reloadsAfterBurst = -1;
    Run(
        [&](Station& s, MainWindowLogic& logic) {
            if (sent == 0) {
                System(s)->Child("iStackWnd")->SetInt(1);
                AddRecorder(s, 10001, 3);
                logic.EnterPresentationMode(false);
            }
            logic.Tick();
            int64_t now = s.StationClock().NowMs();
            if (sent < 3 && now - lastSentMs >= 200) {
                EXPECT_TRUE(SendTelegram(s.ListeningPort(), 10001));
                lastSentMs = now;
                ++sent;
                if (sent == 3)
                    reloadsAfterBurst = view.presentationReloads;
            }
            // Done once the refresh came, or long after it should have.
            return (sent == 3 && view.presentationReloads > reloadsAfterBurst) ||
                   now - lastSentMs > 5000;
        },
        "");
    EXPECT_EQ(view.presentationReloads, reloadsAfterBurst + 1);
}

// Presentation and alarm-stack mode: what the operator and the alarms do,
// and where that leaves the window and the main window. Steps: E entered by
// the command, L by "/presentation_mode 1", C closed, A an alarm, P the
// pending-alarm check, S the presentation list brought up to date.
struct ModeTransition {
    const char* name;
    int stackWindow;
    std::string_view steps;
    bool exists;
    int entered, restored;
    int unconfirmed; // shown by the window; -1 when it does not matter
};

class PresentationModeTest : public MainWindowLogicTest,
                             public ::testing::WithParamInterface<ModeTransition> {};

TEST_P(PresentationModeTest, EndsWhereTheOperatorLeftIt)
{
    const ModeTransition& row = GetParam();
    size_t next = 0;
    int records = 0;
    char waiting = 0;
    int64_t deadline = 0;
    bool exists = false;
    int unconfirmed = -1;
    Run([&](Station& s, MainWindowLogic& logic) {
        PresentationWindowLogic& presentation = logic.Presentation();
        if (next == 0) {
            System(s)->Child("iStackWnd")->SetInt(row.stackWindow);
            AddRecorder(s, 10001, 3);
        }
        logic.Tick();
        if ((waiting == 'A' && s.Database()->RecordCount() == records) ||
            (waiting == 'S' && presentation.RefreshPending()))
            return s.StationClock().NowMs() > deadline;
        exists = presentation.Exists();
        unconfirmed = presentation.UnconfirmedCount();
        if (next == row.steps.size())
            return true;
        deadline = s.StationClock().NowMs() + 5000;
        records = s.Database()->RecordCount();
        waiting = row.steps[next++];
        if (waiting == 'E' || waiting == 'L')
            logic.EnterPresentationMode(waiting == 'L');
        if (waiting == 'C')
            presentation.Closed();
        if (waiting == 'A' && !SendTelegram(s.ListeningPort(), 10001))
            ADD_FAILURE() << "not sent";
        if (waiting == 'P')
            logic.PostPendingAlarmCheck();
        return false;
    });
    EXPECT_EQ(exists, row.exists);
    EXPECT_EQ(view.presentationsEntered, row.entered);
    EXPECT_EQ(view.restored, row.restored);
    EXPECT_TRUE(row.unconfirmed < 0 || unconfirmed == row.unconfirmed) << unconfirmed;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Transitions, PresentationModeTest, ::testing::Values(
    ModeTransition{"ClosingEndsPresentationMode",           0, "EC",  false, 1, 1, -1},
    ModeTransition{"ClosingEndsStackMode",                  1, "EC",  false, 1, 1, -1},
    ModeTransition{"EnteredAgainAfterClosing",              0, "ECE", true,  2, 1, -1},
    ModeTransition{"AnAlarmLeavesClosedPresentationClosed", 0, "ECA", false, 1, 1, -1},
    ModeTransition{"AnAlarmOpensTheStackAgain",             1, "ECA", true,  2, 1, 1},
    ModeTransition{"AnAlarmOpensTheStackFromTheMainWindow", 1, "A",   true,  1, 0, 1},
    ModeTransition{"AnAlarmReachesThePresentationList",     0, "EAS", true,  1, 0, 1},
    ModeTransition{"AnEmptiedStackOfTheCommandLineReturns", 1, "LP",  false, 1, 1, -1},
    ModeTransition{"AnEmptiedStackOfTheCommandStays",       1, "EP",  true,  1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(MainWindowLogicTest, NoDeletionByAgeWhenTheLimitIsOff)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        AlarmRecord old = AlarmRecord::NewAlarm();
        old.SetField(AlarmField::TimeArrival, "1000");
        old.SetField(AlarmField::Recorder, "10.0.0.1");
        old.SetField(AlarmField::Confirmed, "1");
        ASSERT_TRUE(s.Database()->Append(old));
        System(s)->Child("iEnableMaxAge")->SetInt(0);
        System(s)->Child("iMaxAge")->SetInt(1);
        s.Tree().TopFolder("Program")->Child("iNextMaxAge")->SetInt64(1);
        logic.Tick();
        EXPECT_EQ(s.Database()->RecordCount(), 1);

        System(s)->Child("iEnableMaxAge")->SetInt(1);
        logic.Tick();
        EXPECT_EQ(s.Database()->RecordCount(), 0);
        EXPECT_GT(s.Tree().TopFolder("Program")->Child("iNextMaxAge")->GetInt64(),
                  s.StationClock().NowMs());
    });
    EXPECT_EQ(view.refreshes, 1);
}

TEST_F(MainWindowLogicTest, BackupOnlyWhenScheduled)
{
    RunOnce([this](Station& s, MainWindowLogic& logic) {
        s.Tree().TopFolder("Program")->Child("iNextBackup")->SetInt64(0);
        logic.Tick();
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Backup"));

        System(s)->Child("iBupInterval")->SetInt(2);
        s.Tree()
            .TopFolder("Program")
            ->Child("iNextBackup")
            ->SetInt64(s.StationClock().NowMs() - 1000);
        logic.Tick();
        EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Backup"));
        int64_t next = s.Tree().TopFolder("Program")->Child("iNextBackup")->GetInt64();
        EXPECT_GT(next, s.StationClock().NowMs() + 2 * 3'600'000 - 60'000);
    });
}

TEST_F(MainWindowLogicTest, FortiethTickDoesNothing)
{
    RunOnce([](Station&, MainWindowLogic& logic) {
        for (int i = 0; i < 39; ++i)
            logic.Tick();
        EXPECT_EQ(logic.TickCount(), 39);
        logic.Tick();
        EXPECT_EQ(logic.TickCount(), 0);
    });
}

TEST_F(MainWindowLogicTest, MailWithoutServerIsPointedOutOnce)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        ConfigNode* recorder = s.Tree().TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        for (int i = 0; i < 3; ++i)
            recorder->Child("AlarmSettings")->NewEntry(0)->Child("mailDoSendMail")->SetInt(1);
        logic.CheckMailConfiguration();
    });
    ASSERT_EQ(desktop.prompt.shown.size(), 1u);
    EXPECT_EQ(desktop.prompt.shown[0].caption, "Hinweis");

    desktop.prompt.shown.clear();
    RunOnce([](Station& s, MainWindowLogic& logic) {
        System(s)->Child("mailSMTPServer")->SetString("mail.example:2525");
        logic.CheckMailConfiguration();
    });
    EXPECT_TRUE(desktop.prompt.shown.empty());
}

TEST_F(MainWindowLogicTest, InitialiseUpgradesTheSavedVersionAndOpensTheChannels)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        logic.Initialise();
        EXPECT_GT(s.Tree().TopFolder("Program")->Child("iVersion")->GetInt(), 40016);
    });
    EXPECT_TRUE(desktop.prompt.shown.empty()) << desktop.prompt.shown[0].text;
}

TEST_F(MainWindowLogicTest, ExitNeedsTheRightAndNoBusyOperation)
{
    RunOnce([this](Station&, MainWindowLogic& logic) {
        logic.EnterBusy();
        EXPECT_FALSE(logic.RequestExit());
        EXPECT_EQ(desktop.beeper.beeps.size(), 1u);
        logic.LeaveBusy();
        EXPECT_TRUE(logic.RequestExit()); // the administrator may end it
    });
}

TEST_F(MainWindowLogicTest, PostedMessagesRunInOrderFromTheDrain)
{
    RunOnce([](Station&, MainWindowLogic& logic) {
        std::vector<int> order;
        logic.Post([&] {
            order.push_back(1);
            logic.Post([&] { order.push_back(3); });
        });
        logic.Post([&] { order.push_back(2); });
        EXPECT_TRUE(order.empty());
        logic.RunPosted();
        EXPECT_EQ(order, (std::vector<int>{1, 2}));
        logic.RunPosted();
        EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    });
}

TEST_F(MainWindowLogicTest, AListRefreshAppliesTheCountLimitOnTheNextTickAtMostOnceASecond)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        auto append = [&](int count) {
            for (int i = 0; i < count; ++i) {
                AlarmRecord record = AlarmRecord::NewAlarm();
                record.SetNumber(AlarmField::TimeArrival, 1000 + s.Database()->RecordCount());
                record.SetField(AlarmField::Confirmed, "1");
                ASSERT_TRUE(s.Database()->Append(record));
            }
        };
        append(5);
        System(s)->Child("iEnableMaxAlarms")->SetInt(1);
        System(s)->Child("iNumMaxAlarms")->SetInt(3);
        logic.RefreshAlarmList();
        EXPECT_EQ(s.Database()->RecordCount(), 5);
        logic.Tick();
        EXPECT_EQ(s.Database()->RecordCount(), 3);
        // A burst within the same second is pruned once, at its end.
        append(2);
        logic.RefreshAlarmList();
        int ticks = 0;
        while (s.Database()->RecordCount() > 3 && ticks < 2 * MainWindowLogic::kTicksPerCycle) {
            logic.Tick();
            ++ticks;
        }
        EXPECT_GE(ticks, MainWindowLogic::kTicksPerCycle - 2);
        EXPECT_EQ(s.Database()->RecordCount(), 3);
    });
    EXPECT_EQ(view.refreshes, 4); // two asked for, two after deleting
}

TEST_F(MainWindowLogicTest, MarkingTheViewTurnsOpenStatesIntoMarkedOnes)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        const char* before[] = {"0", "1", "2", "3"};
        for (int i = 0; i < 4; ++i) {
            AlarmRecord record = AlarmRecord::NewAlarm();
            record.SetNumber(AlarmField::TimeArrival, 1000 + i);
            record.SetField(AlarmField::ConfirmState, before[i]);
            ASSERT_TRUE(s.Database()->Append(record));
        }
        logic.MarkViewedRecords();
        std::string after;
        AlarmRecord record;
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(s.Database()->Read(i, record));
            after += record.Field(AlarmField::ConfirmState);
            EXPECT_EQ(record.Field(AlarmField::Confirmed), "0");
        }
        EXPECT_EQ(after, "2323");
    });
}

TEST_F(MainWindowLogicTest, StartSchedulesTheFirstBackupButKeepsASavedDueTime)
{
    RunOnce([](Station& s, MainWindowLogic& logic) {
        ConfigNode* next = s.Tree().TopFolder("Program")->Child("iNextBackup");
        next->SetInt64(0);
        logic.Initialise();
        EXPECT_GT(next->GetInt64(), s.StationClock().NowMs());
        next->SetInt64(1);
        logic.Maintenance().ScheduleFirstBackup();
        EXPECT_EQ(next->GetInt64(), 1);
    });
}

TEST_F(MainWindowLogicTest, UnconfirmedAlarmsKeptOverTheLimitStandOnTheStatusBarUntilConfirmed)
{
    RunOnce([this](Station& s, MainWindowLogic& logic) {
        for (int i = 0; i < 4; ++i) {
            AlarmRecord record = AlarmRecord::NewAlarm();
            record.SetNumber(AlarmField::TimeArrival, 1000 + i);
            ASSERT_TRUE(s.Database()->Append(record));
        }
        System(s)->Child("iNumMaxAlarms")->SetInt(2);
        logic.RefreshAlarmList();
        for (int i = 0; i < MainWindowLogic::kTicksPerCycle; ++i)
            logic.Tick();
        EXPECT_EQ(view.notice, "2 unquittierte Alarme ueber der Hoechstzahl werden behalten");
        EXPECT_EQ(s.Database()->RecordCount(), 4);
        System(s)->Child("iNumMaxAlarms")->SetInt(4);
        logic.RefreshAlarmList();
        for (int i = 0; i < MainWindowLogic::kTicksPerCycle; ++i)
            logic.Tick();
        EXPECT_EQ(view.notice, "");
    });
}

TEST_F(MainWindowLogicTest, ANewAlarmOutsideStackModeAppliesTheCountLimit)
{
    bool sent = false;
    Run([&](Station& s, MainWindowLogic& logic) {
        if (!sent) {
            for (int i = 0; i < 3; ++i) {
                AlarmRecord record = AlarmRecord::NewAlarm();
                record.SetNumber(AlarmField::TimeArrival, 1000 + i);
                record.SetField(AlarmField::Confirmed, "1");
                EXPECT_TRUE(s.Database()->Append(record));
            }
            System(s)->Child("iNumMaxAlarms")->SetInt(2);
            AddRecorder(s, 10001, 0);
            sent = SendTelegram(s.ListeningPort(), 10001);
            return !sent;
        }
        logic.Tick();
        return !view.alarmViews.open.empty() && s.Database()->RecordCount() == 2;
    });
    // Reopened: the oldest two went, the new alarm stays.
    RunOnce([](Station& s, MainWindowLogic&) {
        ASSERT_EQ(s.Database()->RecordCount(), 2);
        AlarmRecord record;
        ASSERT_TRUE(s.Database()->Read(0, record));
        EXPECT_EQ(record.Number(AlarmField::TimeArrival), 1002);
        ASSERT_TRUE(s.Database()->Read(1, record));
        EXPECT_EQ(record.Int(AlarmField::AlarmType), 10001);
    });
}

TEST(SharedMemoryNotice, NamesARefusedObjectElseTheVersions)
{
    struct Case {
        std::string refused;
        std::string cause;
    } cases[] = {
        {"/dev/shm/KXSW.lock", "Der Zugriff auf das shared memory \"/dev/shm/KXSW.lock\"\nwurde "
                               "verweigert!\n"},
        {"", "Die Versionen der Programme die auf das shared memory\nzugreifen stimmen nicht "
             "überein!\n"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(SharedMemoryNotice(c.refused).starts_with(c.cause)) << c.refused;
}
