// The real station program, started in a temporary program folder on a free
// port without a desktop: first start, telegrams stored as records, the
// single instance, the next start's language, old priorities, restarts and
// the count cache at an orderly end.
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Version.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

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

// One running station process; its standard output is read for the port,
// its standard error goes to a file.
class StationProcess {
public:
    // Later options replace earlier ones of the same name, so `options` may
    // override the folder and the port. Without DISPLAY in `environment`
    // the station has no desktop.
    explicit StationProcess(const std::filesystem::path& folder,
                            std::vector<std::string> options = {},
                            std::vector<std::string> environment = {"QT_QPA_PLATFORM=offscreen"})
        : m_folder(folder), m_options(std::move(options)), m_environment(std::move(environment))
    {
    }
    ~StationProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    bool Start()
    {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        std::string errors = m_errors.File("stderr.txt");
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> arguments = {WARDEX_STATION_BINARY,
                                              "/datadir:" + m_folder.string(), "/port:0"};
        arguments.insert(arguments.end(), m_options.begin(), m_options.end());
        std::vector<std::string> environment = {
            "HOME=" + m_folder.string(), "XDG_RUNTIME_DIR=" + m_errors.Path().string(),
            "XDG_CONFIG_HOME=" + (m_errors.Path() / ".config").string(), "LANG=C"};
        environment.insert(environment.end(), m_environment.begin(), m_environment.end());
        std::vector<char*> argv = Pointers(arguments);
        std::vector<char*> envp = Pointers(environment);
        int error =
            posix_spawn(&m_pid, WARDEX_STATION_BINARY, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        m_out = pipeFds[0];
        return error == 0;
    }

    // Reads the station's output until it names its port, or it ends.
    int WaitForPort()
    {
        const std::string marker = "listening on port ";
        for (auto deadline = std::chrono::steady_clock::now() + 60s;
             std::chrono::steady_clock::now() < deadline;) {
            pollfd pfd{m_out, POLLIN, 0};
            if (poll(&pfd, 1, 1000) <= 0)
                continue;
            char buffer[512];
            ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return -1;
            m_output.append(buffer, static_cast<size_t>(n));
            size_t at = m_output.find(marker);
            size_t end = at == std::string::npos ? at : m_output.find('\n', at);
            if (end != std::string::npos)
                return std::stoi(m_output.substr(at + marker.size(), end - at - marker.size()));
        }
        return -1;
    }

    // The exit status after an orderly end asked for by SIGTERM.
    int Stop()
    {
        kill(m_pid, SIGTERM);
        return Wait();
    }

    int Wait()
    {
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    bool Running() const { return m_pid > 0 && kill(m_pid, 0) == 0; }

    std::string Errors() const { return ReadFileBytes(m_errors.Path() / "stderr.txt"); }

private:
    static std::vector<char*> Pointers(std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (std::string& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    std::filesystem::path m_folder;
    std::vector<std::string> m_options;
    std::vector<std::string> m_environment;
    TempDir m_errors;
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_output;
};

// Runs a program to its end; its exit status.
int RunProgram(std::vector<std::string> arguments, std::vector<std::string> environment)
{
    std::vector<char*> argv;
    for (std::string& text : arguments)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& text : environment)
        envp.push_back(text.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// An X server of the test's own (Xvfb from Debian's packages), on the first
// free display, which it reports through a pipe.
class XServer {
public:
    XServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        fcntl(fds[0], F_SETFD, FD_CLOEXEC);
        std::string displayFd = std::to_string(fds[1]);
        const char* argv[] = {"/usr/bin/Xvfb", "-displayfd", displayFd.c_str(),
                              "-screen",       "0",          "1024x768x24",
                              "-nolisten",     "tcp",        nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        int error =
            posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        pollfd pfd{fds[0], POLLIN, 0};
        char c = 0;
        while (error == 0 && poll(&pfd, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number.push_back(c);
        close(fds[0]);
        if (!number.empty())
            m_display = ":" + number;
    }
    ~XServer()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    // Empty when the server did not start.
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
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

class StationBinaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
    }

    // Starts, waits until it listens, runs `during`, stops in order.
    void RunStation(const std::function<void(int port)>& during = {})
    {
        StationProcess station(dir.Path());
        ASSERT_TRUE(station.Start());
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
    RunStation([this](int port) {
        TelegramFields fields;
        fields.typeCode = 10001;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
        for (int i = 0; i < 600 && RecordsOnDisk(dir.Path()) < 3; ++i)
            std::this_thread::sleep_for(50ms);
    });
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

TEST(StationBinaryStart, FirstStartInAnEmptyFolderWithoutADesktopListensAndEndsOnSigterm)
{
    // No "Languages/" either: the missing file is reported and the station
    // runs in German. No QT_QPA_PLATFORM: the station finds no desktop.
    TempDir dir;
    StationProcess station(dir.Path(), {}, {});
    ASSERT_TRUE(station.Start());
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
    const std::pair<std::string, std::string> cases[] = {
        {"/port:abc", "/port:abc is not valid"},
        {"/port:0x", "/port:0x is not valid"},
        {"/port:99999", "/port:99999 is not valid"},
        {"/keepalive:-3", "/keepalive:-3 is not valid"},
        {"/datadir:" + (dir.Path() / "file" / "sub").string(), "cannot be created"},
    };
    for (const auto& [option, message] : cases) {
        StationProcess station(dir.Path() / "station", {option});
        ASSERT_TRUE(station.Start());
        EXPECT_EQ(station.WaitForPort(), -1) << option;
        EXPECT_EQ(station.Wait(), 2) << option;
        EXPECT_NE(station.Errors().find(message), std::string::npos) << station.Errors();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "station" / "programdata.bin"));
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
        setting->Child("Title")->SetString("Alarm!");
        setting->Child("Message")->SetString("Tor offen");
    });
    XServer x;
    ASSERT_FALSE(x.Display().empty());
    std::string display = "DISPLAY=" + x.Display();
    auto windowIsOpen = [&](const std::string& name, bool wait) {
        std::vector<std::string> search = {"/usr/bin/xdotool", "search", "--name", name};
        if (wait)
            search = {"/usr/bin/timeout", "60", "/usr/bin/xdotool", "search", "--sync",
                      "--name",           name};
        return RunProgram(search, {display}) == 0;
    };

    StationProcess station(dir.Path(), {},
                           {display, "LSAN_OPTIONS=suppressions=" WARDEX_LSAN_SUPPRESSIONS});
    ASSERT_TRUE(station.Start());
    int port = station.WaitForPort();
    ASSERT_GT(port, 0);
    ASSERT_TRUE(windowIsOpen("^Hinweis$", true)) << station.Errors();
    TelegramFields fields;
    fields.typeCode = 10001;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    for (int i = 0; i < 600 && RecordsOnDisk(dir.Path()) < 3; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
    EXPECT_TRUE(windowIsOpen("^Hinweis$", false));
    EXPECT_TRUE(windowIsOpen("Tor", true));
    std::filesystem::create_directories(WARDEX_SCREENSHOT_DIR);
    EXPECT_EQ(RunProgram({WARDEX_SCREEN_GRAB,
                          std::string(WARDEX_SCREENSHOT_DIR) + "/station-xvfb-message-box.png"},
                         {display, "ASAN_OPTIONS=detect_leaks=0"}),
              0);

    EXPECT_EQ(station.Stop(), 0) << station.Errors();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
    EXPECT_EQ(LoadSavedTree(dir.Path())->TopFolder("Program")->Child("RecorderList")->ChildCount(),
              1);
}
