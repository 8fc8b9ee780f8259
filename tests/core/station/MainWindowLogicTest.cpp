// The main window's timer tick, initialisation checks, exit request and
// posted messages, on a station running in this process.
#include "core/station/MainWindowLogic.h"

#include "StationFakes.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/TempDir.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <gtest/gtest.h>

namespace {

class NoDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&) override { return false; }
    bool RunLogOut(std::string_view) override { return true; }
};

class RecordingView final : public MainWindowView {
public:
    void RefreshAlarmList() override { ++refreshes; }
    void AnimateAlarmWindows(int tick) override { ticks.push_back(tick); }
    int refreshes = 0;
    std::vector<int> ticks;
};

class MainWindowLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = std::filesystem::current_path();
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
    }
    void TearDown() override { std::filesystem::current_path(previousFolder); }

    ConfigNode* System(Station& s)
    {
        return s.Tree().TopFolder("Program")->Child("Configuration")->Child("System");
    }

    // Runs a station; `scenario` gets the logic on the first round and the
    // station quits after it.
    void Run(const std::function<void(Station&, MainWindowLogic&)>& scenario)
    {
        ConfigTree tree;
        desktop.onRound = [&](Station& s) {
            UserSession users(s.Tree(), dialogs, desktop.prompt, beeper);
            MainWindowLogic logic(s, view, users);
            scenario(s, logic);
            s.RequestQuit();
        };
        Station station(CommandLine("/datadir:" + dir.Path().string() + " /port:0"), desktop, tree);
        ASSERT_EQ(station.Run(), StationExit::Normal);
    }

    TempDir dir;
    std::filesystem::path previousFolder;
    FakeDesktop desktop;
    NoDialogs dialogs;
    FakeBeeper beeper;
    RecordingView view;
};

} // namespace

TEST_F(MainWindowLogicTest, EveryTickAnimatesExceptTheFortieth)
{
    Run([](Station&, MainWindowLogic& logic) {
        for (int i = 0; i < 80; ++i)
            logic.Tick();
        EXPECT_EQ(logic.TickCount(), 0);
    });
    ASSERT_EQ(view.ticks.size(), 78u);
    EXPECT_EQ(view.ticks.front(), 1);
    EXPECT_EQ(view.ticks[38], 39);
    EXPECT_EQ(view.ticks[39], 1);
}

TEST_F(MainWindowLogicTest, NoDeletionByAgeWhenTheLimitIsOff)
{
    Run([this](Station& s, MainWindowLogic& logic) {
        AlarmRecord old = AlarmRecord::NewAlarm();
        old.SetField(AlarmField::TimeArrival, "1000");
        old.SetField(AlarmField::Recorder, "10.0.0.1");
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
                  Timestamp::NowMs());
    });
    EXPECT_EQ(view.refreshes, 1);
}

TEST_F(MainWindowLogicTest, BackupOnlyWhenScheduled)
{
    Run([this](Station& s, MainWindowLogic& logic) {
        s.Tree().TopFolder("Program")->Child("iNextBackup")->SetInt64(0);
        logic.Tick();
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Backup"));

        System(s)->Child("iBupInterval")->SetInt(2);
        s.Tree().TopFolder("Program")->Child("iNextBackup")->SetInt64(Timestamp::NowMs() - 1000);
        logic.Tick();
        EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Backup"));
        int64_t next = s.Tree().TopFolder("Program")->Child("iNextBackup")->GetInt64();
        EXPECT_GT(next, Timestamp::NowMs() + 2 * 3'600'000 - 60'000);
    });
}

TEST_F(MainWindowLogicTest, MailWithoutServerIsPointedOutOnce)
{
    Run([](Station& s, MainWindowLogic& logic) {
        ConfigNode* recorder = s.Tree().TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        for (int i = 0; i < 3; ++i)
            recorder->Child("AlarmSettings")->NewEntry(0)->Child("mailDoSendMail")->SetInt(1);
        logic.Initialise();
    });
    ASSERT_EQ(desktop.prompt.shown.size(), 1u);
    EXPECT_EQ(desktop.prompt.shown[0].caption, "Hinweis");

    desktop.prompt.shown.clear();
    Run([](Station& s, MainWindowLogic& logic) {
        s.Tree()
            .TopFolder("Program")
            ->Child("Configuration")
            ->Child("System")
            ->Child("mailSMTPServer")
            ->SetString("mail.example:2525");
        logic.Initialise();
    });
    EXPECT_TRUE(desktop.prompt.shown.empty());
}

TEST_F(MainWindowLogicTest, InitialiseUpgradesTheSavedVersion)
{
    Run([](Station& s, MainWindowLogic& logic) {
        logic.Initialise();
        EXPECT_GT(s.Tree().TopFolder("Program")->Child("iVersion")->GetInt(), 40016);
    });
}

TEST_F(MainWindowLogicTest, ExitNeedsTheRightAndNoBusyOperation)
{
    Run([this](Station&, MainWindowLogic& logic) {
        logic.EnterBusy();
        EXPECT_FALSE(logic.RequestExit());
        EXPECT_EQ(beeper.beeps.size(), 1u);
        logic.LeaveBusy();
        EXPECT_TRUE(logic.RequestExit()); // the administrator may end it
    });
}

TEST_F(MainWindowLogicTest, PostedMessagesRunInOrderFromTheDrain)
{
    Run([](Station&, MainWindowLogic& logic) {
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
