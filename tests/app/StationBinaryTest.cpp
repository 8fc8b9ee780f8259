// The real station program, started in a temporary program folder on a free
// port without a desktop: first start, telegrams stored as records, the
// single instance, the next start's language, old priorities, restarts and
// the count cache at an orderly end.
#include "StationProcess.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// An X server of the test's own (Xvfb from Debian's packages) on the first
// free display, which it names on its standard output once it is ready.
class XServer {
public:
    XServer()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        const char* argv[] = {"/usr/bin/Xvfb", "-displayfd", "1",   "-screen", "0",
                              "1024x768x24",   "-nolisten",  "tcp", nullptr};
        posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        // The number and its line end come in two writes; the server ends
        // when the second finds the pipe closed.
        std::string number;
        pollfd pfd{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&pfd, 1, 60000) > 0 && read(fds[0], &c, 1) == 1 && std::isdigit(c))
            number.push_back(c);
        if (c == '\n' && !number.empty())
            display = "DISPLAY=:" + number;
        close(fds[0]);
    }
    ~XServer()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }

    // Runs a program on this display to its end; true when it succeeded.
    bool Run(std::vector<const char*> argv) const
    {
        const char* envp[] = {display.c_str(), "ASAN_OPTIONS=detect_leaks=0", nullptr};
        argv.push_back(nullptr);
        pid_t pid = -1;
        int status = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv.data()),
                        const_cast<char**>(envp)) == 0)
            waitpid(pid, &status, 0);
        return status == 0;
    }

    std::string display; // "DISPLAY=:N", empty when the server did not start
private:
    pid_t m_pid = -1;
};

// Loads the tree a station saved, lets `edit` change it, and saves it back.
void EditSavedTree(const std::filesystem::path& folder,
                   const std::function<void(ConfigTree&)>& edit)
{
    FakePrompt prompt;
    ConfigTree tree;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    ASSERT_TRUE(tree.LoadImage((folder / "programdata.bin").string()));
    edit(tree);
    ASSERT_EQ(tree.SaveImage((folder / "programdata.bin").string()), 0);
}

std::unique_ptr<ConfigTree> LoadSavedTree(const std::filesystem::path& folder)
{
    FakePrompt prompt;
    auto tree = std::make_unique<ConfigTree>();
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), prompt));
    EXPECT_TRUE(tree->LoadImage((folder / "programdata.bin").string()));
    return tree;
}

size_t RecordsOnDisk(const std::filesystem::path& folder)
{
    return std::filesystem::file_size(folder / "AlarmDB.txt") / AlarmRecord::kRecordBytes;
}

// Sends three alarms and waits until they are in the database.
void StoreThreeAlarms(int port, const std::filesystem::path& folder)
{
    TelegramFields fields;
    fields.typeCode = 10001;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    for (int i = 0; i < 600 && RecordsOnDisk(folder) < 3; ++i)
        std::this_thread::sleep_for(50ms);
}

class StationBinaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
    }

    // Starts, waits until it listens, runs `during`, stops in order.
    void RunStation(const std::function<void(int port)>& during = {},
                    const std::string& locale = "LANG=C")
    {
        StationProcess station(dir.Path());
        ASSERT_TRUE(station.Start({}, {locale}));
        int port = station.WaitForPort();
        ASSERT_GT(port, 0);
        if (during)
            during(port);
        EXPECT_EQ(station.Stop(), 0);
    }

    TempDir dir;
};

} // namespace

TEST_F(StationBinaryTest, FirstStartCreatesTheConfigurationWithTheBuiltInAccount)
{
    RunStation();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "AlarmDB.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    ConfigNode* users = tree->TopFolder("Program")->Child("UserList");
    ASSERT_EQ(users->ChildCount(), 1);
    EXPECT_EQ(users->ChildAt(0)->Child("Name")->GetString(), "administrator");
    EXPECT_EQ(users->ChildAt(0)->Child("Password")->GetString(), "quorvandelisk");
}

TEST_F(StationBinaryTest, TelegramsOfAKnownRecorderBecomeRecordsThatSurviveARestart)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
    });
    RunStation([this](int port) { StoreThreeAlarms(port, dir.Path()); });
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);

    // A telegram of an unknown recorder is not stored.
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")->Child("RecorderList")->RemoveAllChildren();
    });
    RunStation([](int port) {
        TelegramFields fields;
        fields.typeCode = 10001;
        ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    });
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
    EXPECT_EQ(LoadSavedTree(dir.Path())->TopFolder("Program")->Child("RecorderList")->ChildCount(),
              0);
}

TEST_F(StationBinaryTest, SecondStartInTheSameFolderEndsSilentlyWhileTheFirstRuns)
{
    StationProcess first(dir.Path());
    ASSERT_TRUE(first.Start());
    ASSERT_GT(first.WaitForPort(), 0);
    StationProcess second(dir.Path());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForPort(), -1);
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(first.Stop(), 0);
}

TEST_F(StationBinaryTest, LanguageForTheNextStartTakesEffect)
{
    auto firstTitle = [this] {
        std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
        ConfigNode* defaults = tree->TopFolder("Program")->Child("DefaultAlarmSettings");
        return defaults->ChildCount() > 0 ? defaults->ChildAt(0)->Child("Message")->GetString()
                                          : std::string();
    };
    RunStation();
    std::string german = firstTitle();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")
            ->Child("Configuration")
            ->Child("MISC")
            ->Child("LanguageForNextStartUp")
            ->SetString("English");
    });
    RunStation();
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    EXPECT_EQ(tree->TopFolder("Program")
                  ->Child("Configuration")
                  ->Child("MISC")
                  ->Child("Language")
                  ->GetString(),
              "English");
    // The rebuilt defaults carry English texts now.
    EXPECT_FALSE(german.empty());
    EXPECT_NE(firstTitle(), german);
}

TEST_F(StationBinaryTest, OldPrioritiesAreReversedOnce)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")->Child("iVersion")->SetInt(31000);
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("AlarmSettings")->NewEntry(0)->Child("Priority")->SetInt(1);
    });
    auto priority = [this] {
        std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
        return tree->TopFolder("Program")
            ->Child("RecorderList")
            ->ChildAt(0)
            ->Child("AlarmSettings")
            ->ChildAt(0)
            ->Child("Priority")
            ->GetInt();
    };
    RunStation();
    EXPECT_EQ(priority(), 4);
    RunStation();
    EXPECT_EQ(priority(), 4);
}

// A first start under a desktop locale of one of the shipped languages picks
// that language's file: both language keys name it, and the default alarm
// titles come from it.
class FirstStartLocaleTest
    : public StationBinaryTest,
      public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(FirstStartLocaleTest, PicksTheLanguageFileOfTheLocale)
{
    const auto& [locale, language] = GetParam();
    RunStation({}, locale);
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    ConfigNode* misc = tree->TopFolder("Program")->Child("Configuration")->Child("MISC");
    EXPECT_EQ(misc->Child("Language")->GetString(), language);
    EXPECT_EQ(misc->Child("LanguageForNextStartUp")->GetString(), language);

    Translator file;
    ASSERT_TRUE(file.LoadFile(dir.Path() / "Languages" / (language + ".txt")));
    ConfigNode* defaults = tree->TopFolder("Program")->Child("DefaultAlarmSettings");
    ASSERT_GT(defaults->ChildCount(), 0);
    std::string title = defaults->ChildAt(0)->Child("Message")->GetString();
    EXPECT_TRUE(std::any_of(file.Pairs().begin(), file.Pairs().end(), [&](const auto& pair) {
        return pair.second == title && pair.first != title;
    })) << title;
}

INSTANTIATE_TEST_SUITE_P(
    Locales, FirstStartLocaleTest,
    ::testing::Values(std::pair<std::string, std::string>{"LANG=es_ES.UTF-8", "Spanish"},
                      std::pair<std::string, std::string>{"LANG=fr_FR.UTF-8", "French"},
                      std::pair<std::string, std::string>{"LC_ALL=it_IT.UTF-8", "Italian"},
                      std::pair<std::string, std::string>{"LANG=nl_BE.UTF-8", "Dutch"},
                      std::pair<std::string, std::string>{"LC_MESSAGES=pl_PL.UTF-8", "Polish"}),
    [](const auto& info) { return info.param.second; });

TEST_F(StationBinaryTest, OnlyTheFirstStartNamesTheBuiltInPassword)
{
    for (bool first : {true, false}) {
        StationProcess station(dir.Path());
        ASSERT_TRUE(station.Start());
        ASSERT_GT(station.WaitForPort(), 0);
        EXPECT_EQ(station.Stop(), 0);
        EXPECT_EQ(station.Errors().find("\"quorvandelisk\"") != std::string::npos, first)
            << station.Errors();
    }
}

TEST_F(StationBinaryTest, ResetAdminGivesTheLockedOutAdministratorBackItsPasswordAndRights)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* users = tree.TopFolder("Program")->Child("UserList");
        ConfigNode* admin = users->ChildAt(0);
        admin->Child("Password")->SetString("vergessen");
        admin->Child("RTEditUser")->SetInt(0);
        admin->Child("IsDefUser")->SetInt(0);
        ConfigNode* guard = users->NewEntry(users->ChildCount());
        guard->Child("Name")->SetString("pforte");
        guard->Child("IsDefUser")->SetInt(1);
    });
    StationProcess running(dir.Path());
    ASSERT_TRUE(running.Start());
    ASSERT_GT(running.WaitForPort(), 0);
    StationProcess refused(dir.Path());
    ASSERT_TRUE(refused.Start({"/resetadmin"}));
    EXPECT_EQ(refused.Wait(), 2);
    EXPECT_NE(refused.Errors().find("is running"), std::string::npos) << refused.Errors();
    EXPECT_EQ(running.Stop(), 0);

    StationProcess reset(dir.Path());
    ASSERT_TRUE(reset.Start({"/resetadmin"}));
    EXPECT_EQ(reset.Wait(), 0);
    EXPECT_NE(reset.Output().find("built-in password"), std::string::npos) << reset.Output();
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    ConfigNode* users = tree->TopFolder("Program")->Child("UserList");
    ASSERT_EQ(users->ChildCount(), 2);
    EXPECT_EQ(users->ChildAt(0)->Child("Password")->GetString(), "quorvandelisk");
    EXPECT_EQ(users->ChildAt(0)->Child("RTEditUser")->GetInt(), 1);
    EXPECT_EQ(users->ChildAt(1)->Child("IsDefUser")->GetInt(), 1);
}

TEST_F(StationBinaryTest, TheCountLimitKeepsUnconfirmedAlarmsAndSaysSo)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
        tree.TopFolder("Program")
            ->Child("Configuration")
            ->Child("System")
            ->Child("iNumMaxAlarms")
            ->SetInt(1);
    });
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start());
    int port = station.WaitForPort();
    ASSERT_GT(port, 0);
    StoreThreeAlarms(port, dir.Path());
    for (int i = 0; i < 600 && station.Errors().find("unconfirmed") == std::string::npos; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_NE(station.Errors().find("2 unconfirmed alarms above the limit of 1"), std::string::npos)
        << station.Errors();
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
}

namespace {

// Runs "wardex /verifyaudit" on the folder; its exit status and output.
std::pair<int, std::string> VerifyAudit(const std::filesystem::path& folder)
{
    StationProcess verifier(folder);
    if (!verifier.Start({"/verifyaudit", "/auditlog:" + (folder / "no.log").string()}))
        return {-1, {}};
    int status = verifier.Wait();
    return {status, verifier.Output()};
}

} // namespace

TEST_F(StationBinaryTest, TheAuditTrailKeepsStartsAndEndsAndItsVerifierFindsAnEdit)
{
    RunStation();
    {
        StationProcess killed(dir.Path());
        ASSERT_TRUE(killed.Start());
        ASSERT_GT(killed.WaitForPort(), 0);
        killed.Kill();
    }
    RunStation();
    std::string trail = ReadFileBytes(dir.Path() / "Audit.log");
    EXPECT_EQ(std::filesystem::status(dir.Path() / "Audit.log").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // Started three times, ended in order twice, and the kill is noticed.
    auto count = [&trail](const std::string& text) {
        size_t n = 0;
        for (size_t at = trail.find(text); at != std::string::npos; at = trail.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("\"kind\":\"station-start\""), 3u);
    EXPECT_EQ(count("\"kind\":\"station-end\""), 2u);
    EXPECT_EQ(count("\"previous end\":\"not orderly\""), 1u);
    auto [intact, report] = VerifyAudit(dir.Path());
    EXPECT_EQ(intact, 0) << report;

    // The second start, after the first start and end.
    size_t second = trail.find('\n') + 1;
    trail.replace(trail.find("station-start", second), 13, "station-stopp");
    WriteFileBytes(dir.Path() / "Audit.log", trail);
    auto [broken, where] = VerifyAudit(dir.Path());
    EXPECT_EQ(broken, 1);
    EXPECT_NE(where.find("Audit.log line 3:"), std::string::npos) << where;
}

TEST_F(StationBinaryTest, AnUnwritableAuditTrailStopsNoAlarm)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
    });
    std::filesystem::remove(dir.Path() / "Audit.log");
    std::filesystem::create_directory(dir.Path() / "Audit.log");
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start());
    int port = station.WaitForPort();
    ASSERT_GT(port, 0);
    StoreThreeAlarms(port, dir.Path());
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
    EXPECT_NE(station.Errors().find("Audit.log could not be opened"), std::string::npos)
        << station.Errors();
}

TEST_F(StationBinaryTest, ANewStationStoresTestMessagesConfirmed)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
    });
    RunStation([this](int port) {
        TelegramFields fields;
        fields.typeCode = 10042;
        ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
        for (int i = 0; i < 600 && RecordsOnDisk(dir.Path()) < 1; ++i)
            std::this_thread::sleep_for(50ms);
    });
    ASSERT_EQ(RecordsOnDisk(dir.Path()), 1u);
    std::string bytes = ReadFileBytes(dir.Path() / "AlarmDB.txt");
    EXPECT_EQ(AlarmRecord::FieldIn(bytes.data(), AlarmField::Confirmed), "1");
    EXPECT_EQ(AlarmRecord::FieldIn(bytes.data(), AlarmField::AutoConfirmed), "1");
}

TEST_F(StationBinaryTest, AMissedRecorderSendingTestMessagesAgainIsBackOnlineOnce)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
        recorder->Child("iSignalState")->SetInt(-1);
        // Whole seconds, as the station keeps its signal times.
        recorder->Child("iMissedSignal")
            ->SetInt64(Clock(SystemClockSource()).NowMs() / 1000 * 1000 - 3'600'000);
    });
    RunStation([this](int port) {
        std::string command = std::string(WARDEX_RECORDER_SIM) +
                              " heartbeat --every 1 --interval 600 --count 2 --port " +
                              std::to_string(port) + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        for (int i = 0; i < 600 && RecordsOnDisk(dir.Path()) < 3; ++i)
            std::this_thread::sleep_for(50ms);
    });
    ASSERT_EQ(RecordsOnDisk(dir.Path()), 3u);
    std::string bytes = ReadFileBytes(dir.Path() / "AlarmDB.txt");
    auto field = [&bytes](int record, AlarmField which) {
        return AlarmRecord::FieldIn(bytes.data() + record * AlarmRecord::kRecordBytes, which);
    };
    EXPECT_EQ(field(0, AlarmField::AlarmType), "10042");
    EXPECT_EQ(field(1, AlarmField::AlarmType), "11012");
    EXPECT_EQ(field(1, AlarmField::AddInfo).substr(0, 13), "Ausfall seit ");
    EXPECT_NE(field(1, AlarmField::AddInfo).find(", Dauer 1:"), std::string::npos)
        << field(1, AlarmField::AddInfo);
    EXPECT_EQ(field(2, AlarmField::AlarmType), "10042");
    EXPECT_EQ(LoadSavedTree(dir.Path())
                  ->TopFolder("Program")
                  ->Child("RecorderList")
                  ->ChildAt(0)
                  ->Child("iSignalState")
                  ->GetInt(),
              1);
}

TEST(StationBinaryStart, FirstStartInAnEmptyFolderWithoutADesktopListensAndEndsOnSigterm)
{
    // An empty "Languages/" of its own: the missing file is reported and the
    // station runs in German. No QT_QPA_PLATFORM: the station finds no desktop.
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Languages");
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start({}, {"QT_QPA_PLATFORM"}));
    EXPECT_GT(station.WaitForPort(), 0);
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "programdata.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
    EXPECT_NE(station.Errors().find("German.txt"), std::string::npos) << station.Errors();
}

TEST(StationBinaryStart, EachUnusableCommandLineValueEndsTheStartWithStatusTwoAndItsMessage)
{
    TempDir dir;
    WriteFileBytes(dir.Path() / "file", "x");
    for (const std::string& option :
         std::vector<std::string>{"/port:abc", "/port:0x", "/port:99999", "/keepalive:-3",
                                  "/datadir:" + dir.File("file") + "/sub"}) {
        StationProcess station(dir.Path());
        ASSERT_TRUE(station.Start({option}));
        EXPECT_EQ(station.WaitForPort(), -1) << option;
        EXPECT_EQ(station.Wait(), 2) << option;
        std::string expected = option.starts_with("/datadir") ? "cannot be created" : option;
        EXPECT_NE(station.Errors().find(expected), std::string::npos) << station.Errors();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "programdata.bin"));
}

TEST_F(StationBinaryTest, UnderAnXServerAMessageBoxLetsAlarmsInAndSigtermEndsInOrder)
{
    RunStation();
    // A recorder whose alarm opens a window and wants a mail, without an
    // SMTP server: the start shows its mail notice as a modal message box.
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")->Child("iVersion")->SetInt(VersionNumber(ProductVersion()));
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Tor");
        ConfigNode* setting = recorder->Child("AlarmSettings")->NewEntry(0);
        setting->Child("Type")->SetInt(10001);
        setting->Child("SubDetail")->SetInt64(-1);
        setting->Child("Priority")->SetInt(0);
        setting->Child("ShowAlarmWindow")->SetInt(1);
        setting->Child("mailDoSendMail")->SetInt(1);
    });
    XServer x;
    ASSERT_FALSE(x.display.empty());
    auto windowIsOpen = [&](const char* name) {
        // xdotool gives up with BadWindow when a window goes away while it
        // walks the tree (the station makes and drops some at start): ask again.
        for (int attempt = 0; attempt < 4; ++attempt) {
            if (x.Run({"/usr/bin/timeout", "15", "/usr/bin/xdotool", "search", "--sync", "--name",
                       name}))
                return true;
        }
        return false;
    };
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start(
        {}, {x.display, "QT_QPA_PLATFORM", "LSAN_OPTIONS=suppressions=" WARDEX_LSAN_SUPPRESSIONS}));
    int port = station.WaitForPort();
    ASSERT_TRUE(windowIsOpen("^Hinweis$")) << station.Errors();
    StoreThreeAlarms(port, dir.Path());
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
    EXPECT_TRUE(windowIsOpen("^Hinweis$"));
    EXPECT_TRUE(windowIsOpen("Tor")); // the alarm window
    std::filesystem::create_directories(WARDEX_SCREENSHOT_DIR);
    EXPECT_TRUE(x.Run({WARDEX_SCREEN_GRAB, WARDEX_SCREENSHOT_DIR "/station-xvfb-box.png"}));
    EXPECT_EQ(station.Stop(), 0) << station.Errors();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
}
