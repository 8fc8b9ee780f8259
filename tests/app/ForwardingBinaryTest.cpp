// Two real station programs on loopback, one forwarding to the other, fed
// by the recorder simulator: the relay's telegrams reach the target's
// database with the recorder's address, a forwarding target refuses, a
// target that goes away and comes back gets everything exactly once, and a
// relay killed with a full queue owes nothing after its restart.
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "links/ForwardJournal.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* kRecorderIp = "127.0.0.7";

// Polls a file's state; only the cap is a time.
bool Eventually(const std::function<bool()>& condition)
{
    for (auto deadline = std::chrono::steady_clock::now() + 90s;
         std::chrono::steady_clock::now() < deadline && !condition();)
        std::this_thread::sleep_for(20ms);
    return condition();
}

// One station process in its own program folder; its output is kept.
class Station {
public:
    explicit Station(std::filesystem::path folder) : m_folder(std::move(folder))
    {
        std::filesystem::create_directories(m_folder);
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              m_folder / "Languages",
                              std::filesystem::copy_options::skip_existing |
                                  std::filesystem::copy_options::recursive);
    }
    ~Station() { Kill(); }

    void Start(int port, const std::string& forward = {})
    {
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<std::string> args = {WARDEX_STATION_BINARY, "/datadir:" + m_folder.string(),
                                         "/port:" + std::to_string(port)};
        if (!forward.empty())
            args.push_back("/forward:" + forward);
        std::vector<std::string> env = {"HOME=" + m_folder.string(),
                                        "XDG_RUNTIME_DIR=" + m_folder.string(),
                                        "XDG_CONFIG_HOME=" + (m_folder / ".config").string(),
                                        "QT_QPA_PLATFORM=offscreen", "LANG=C"};
        std::vector<char*> argv;
        std::vector<char*> envp;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        for (std::string& variable : env)
            envp.push_back(variable.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        ASSERT_EQ(
            posix_spawn(&m_pid, WARDEX_STATION_BINARY, &actions, nullptr, argv.data(), envp.data()),
            0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (m_out >= 0)
            close(m_out);
        m_out = fds[0];
        m_output.clear();
        m_searched = 0;
        std::string line = WaitForOutput("listening on port ");
        ASSERT_FALSE(line.empty()) << m_output;
        m_port = std::stoi(line.substr(line.find("port ") + 5));
    }

    // Reads the output until a line holds `text`; that line, or "" when the
    // program ended first.
    std::string WaitForOutput(const std::string& text)
    {
        for (auto deadline = std::chrono::steady_clock::now() + 90s;
             std::chrono::steady_clock::now() < deadline;) {
            size_t at = m_output.find(text, m_searched);
            size_t end = at == std::string::npos ? at : m_output.find('\n', at);
            if (end != std::string::npos) {
                size_t begin = m_output.rfind('\n', at);
                begin = begin == std::string::npos ? 0 : begin + 1;
                m_searched = end;
                return m_output.substr(begin, end - begin);
            }
            pollfd pfd{m_out, POLLIN, 0};
            if (poll(&pfd, 1, 1000) <= 0)
                continue;
            char buffer[4096];
            ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return {};
            m_output.append(buffer, static_cast<size_t>(n));
        }
        return {};
    }

    int Stop() { return End(SIGTERM); }
    void Kill() { End(SIGKILL); }

    int Port() const { return m_port; }
    const std::filesystem::path& Folder() const { return m_folder; }

    size_t Records() const
    {
        std::error_code error;
        return std::filesystem::file_size(m_folder / "AlarmDB.txt", error) /
               AlarmRecord::kRecordBytes;
    }
    std::string RecorderOf(size_t record) const
    {
        std::ifstream file(m_folder / "AlarmDB.txt", std::ios::binary);
        std::string bytes(AlarmRecord::kRecordBytes, '\0');
        file.seekg(static_cast<std::streamoff>(record * AlarmRecord::kRecordBytes));
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return std::string(AlarmRecord::FieldIn(bytes.data(), AlarmField::Recorder));
    }

    bool WaitForRecords(size_t count) const
    {
        return Eventually([&] { return Records() >= count; }) && Records() == count;
    }

    // A first start and stop that leaves a configuration knowing the
    // simulated recorder.
    void Prepare()
    {
        Start(0);
        ASSERT_EQ(Stop(), 0);
        FakePrompt prompt;
        ConfigTree tree;
        ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        std::string image = (m_folder / "programdata.bin").string();
        ASSERT_TRUE(tree.LoadImage(image));
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString(kRecorderIp);
        recorder->Child("Name")->SetString("Simulator");
        ASSERT_EQ(tree.SaveImage(image), 0);
    }

private:
    int End(int signal)
    {
        if (m_pid <= 0)
            return -1;
        kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_port = 0;
    std::string m_output;
    size_t m_searched = 0;
};

// The recorder simulator sends count alarm telegrams as the recorder.
void Burst(int port, int count)
{
    std::string command = std::string(WARDEX_RECORDER_SIM) + " burst 10001 --count " +
                          std::to_string(count) + " --port " + std::to_string(port) + " --bind " +
                          kRecorderIp + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// The telegrams a running relay has queued, read from a copy of its
// journal so the reader never touches the file being written.
size_t Queued(const Station& relay)
{
    std::filesystem::path journal = relay.Folder() / ForwardJournal::kFileName;
    std::filesystem::path copy = relay.Folder() / "journal.copy";
    std::error_code error;
    std::filesystem::copy_file(journal, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    size_t queued = ForwardJournal(copy).Open().size();
    std::filesystem::remove(copy, error);
    return queued;
}

bool WaitForQueued(const Station& relay, size_t count)
{
    return Eventually([&] { return Queued(relay) >= count; }) && Queued(relay) == count;
}

int UnusedPort()
{
    int handle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
    close(handle);
    return ntohs(address.sin_port);
}

class ForwardingBinaryTest : public testing::Test {
protected:
    std::string TargetHost() const { return "127.0.0.1:" + std::to_string(target.Port()); }

    TempDir dir;
    Station target{dir.Path() / "target"};
    Station relay{dir.Path() / "relay"};
};

} // namespace

TEST_F(ForwardingBinaryTest, RecorderTelegramsReachTheTargetWithTheRecordersAddress)
{
    target.Prepare();
    relay.Prepare();
    target.Start(0);
    relay.Start(0, TargetHost());
    ASSERT_FALSE(relay.WaitForOutput("Host: Verbunden.").empty());
    Burst(relay.Port(), 20);
    ASSERT_TRUE(target.WaitForRecords(20));
    EXPECT_EQ(target.RecorderOf(19), kRecorderIp);
    EXPECT_EQ(relay.Stop(), 0);
    EXPECT_EQ(target.Stop(), 0);
    EXPECT_EQ(relay.Records(), 0u);
}

TEST_F(ForwardingBinaryTest, ATargetThatForwardsItselfRefusesTheRelay)
{
    target.Start(0, "127.0.0.1:" + std::to_string(UnusedPort()));
    relay.Start(0, TargetHost());
    std::string line = relay.WaitForOutput(
        "Fehler: Der Host unterstützt keine Weiterleitung oder leitet gerade selber weiter!");
    EXPECT_NE(line.find("Nächster Connect-Versuch in 30 Sekunden"), std::string::npos) << line;
}

TEST_F(ForwardingBinaryTest, ATargetThatComesBackGetsEverythingExactlyOnce)
{
    target.Prepare();
    relay.Prepare();
    target.Start(0);
    int port = target.Port();
    relay.Start(0, TargetHost());
    ASSERT_FALSE(relay.WaitForOutput("Host: Verbunden.").empty());
    Burst(relay.Port(), 10);
    ASSERT_TRUE(target.WaitForRecords(10));
    EXPECT_EQ(target.Stop(), 0);
    std::string lost = relay.WaitForOutput("Host: Verbindung verloren!");
    EXPECT_NE(lost.find("Nächster Connect-Versuch in 30 Sekunden"), std::string::npos) << lost;
    Burst(relay.Port(), 10);
    ASSERT_TRUE(WaitForQueued(relay, 10));
    target.Start(port);
    ASSERT_FALSE(relay.WaitForOutput("Host: Verbunden.").empty());
    // Forwarding keeps the order: once the last arrives, all before it have.
    ASSERT_TRUE(target.WaitForRecords(20));
    Burst(relay.Port(), 1);
    EXPECT_TRUE(target.WaitForRecords(21));
}

TEST_F(ForwardingBinaryTest, AKilledRelayForwardsItsQueueAfterItsRestart)
{
    target.Prepare();
    relay.Prepare();
    int port = UnusedPort();
    relay.Start(0, "127.0.0.1:" + std::to_string(port));
    ASSERT_FALSE(relay.WaitForOutput("Fehler: Verbindung zum Host fehlgeschlagen!").empty());
    Burst(relay.Port(), 1000);
    ASSERT_TRUE(WaitForQueued(relay, 1000));
    relay.Kill();

    target.Start(port);
    relay.Start(0, TargetHost());
    ASSERT_TRUE(target.WaitForRecords(1000));
    Burst(relay.Port(), 1);
    EXPECT_TRUE(target.WaitForRecords(1001));
    EXPECT_EQ(relay.Stop(), 0);
    EXPECT_EQ(Queued(relay), 0u);
}

TEST_F(ForwardingBinaryTest, WithoutForwardingAKilledRelaysQueueAndAQueueAtTheEndAreStoredHere)
{
    relay.Prepare();
    std::string nowhere = "127.0.0.1:" + std::to_string(UnusedPort());
    relay.Start(0, nowhere);
    Burst(relay.Port(), 5);
    ASSERT_TRUE(WaitForQueued(relay, 5));
    relay.Kill();
    relay.Start(0);
    EXPECT_TRUE(relay.WaitForRecords(5));
    EXPECT_EQ(relay.Stop(), 0);
    // SIGTERM in forwarding mode ends it like closing the window.
    relay.Start(0, nowhere);
    Burst(relay.Port(), 3);
    ASSERT_TRUE(WaitForQueued(relay, 3));
    EXPECT_EQ(relay.Stop(), 0);
    EXPECT_EQ(relay.Records(), 8u);
    EXPECT_EQ(relay.RecorderOf(7), kRecorderIp);
}
