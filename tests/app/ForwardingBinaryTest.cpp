// Two real station programs on loopback, one forwarding to the other, fed
// by the recorder simulator: the relay's telegrams reach the target's
// database with the recorder's address, a forwarding target refuses, a
// target that goes away and comes back gets everything exactly once, a target
// killed again and again loses nothing it acknowledged, a relay killed
// with a full queue owes nothing after its restart, and a relay fails over
// to a standby and back.
#include "StationProcess.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "links/ForwardJournal.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr const char* kRecorderIp = "127.0.0.7";
constexpr const char* kSecondIp = "127.0.0.8";

// Polls a file's state; only the cap is a time.
bool Eventually(const std::function<bool()>& condition)
{
    for (auto deadline = std::chrono::steady_clock::now() + 90s;
         std::chrono::steady_clock::now() < deadline && !condition();)
        std::this_thread::sleep_for(20ms);
    return condition();
}

// One station process in its own program folder.
class Station : public StationProcess {
public:
    explicit Station(std::filesystem::path folder)
        : StationProcess(folder), m_folder(std::move(folder))
    {
        std::filesystem::create_directories(m_folder);
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              m_folder / "Languages",
                              std::filesystem::copy_options::skip_existing |
                                  std::filesystem::copy_options::recursive);
    }

    void Start(int port, const std::string& forward = {}, const std::string& option = {})
    {
        std::vector<std::string> options = {"/port:" + std::to_string(port)};
        if (!forward.empty())
            options.push_back("/forward:" + forward);
        if (!option.empty())
            options.push_back(option);
        ASSERT_TRUE(StationProcess::Start(options));
        m_port = WaitForPort();
        ASSERT_GT(m_port, 0) << Output();
    }

    // Waits until `count` lines hold `text`: the latest, or "" when the
    // station ended first.
    std::string WaitForLine(const std::string& text, int count = 1)
    {
        return WaitForOutput(text + "%\n", 90s, count) ? LineWith(text) : "";
    }

    int Port() const { return m_port; }
    const std::filesystem::path& Folder() const { return m_folder; }

    size_t Records() const
    {
        std::error_code error;
        return std::filesystem::file_size(m_folder / "AlarmDB.txt", error) /
               AlarmRecord::kRecordBytes;
    }
    std::string RecorderOf(size_t record) const { return FieldOf(record, AlarmField::Recorder); }
    // The track numbers of the recorder's records, in the order stored.
    std::vector<int> Numbers(const std::string& ip) const
    {
        std::vector<int> numbers;
        for (size_t record = 0; record < Records(); ++record)
            if (RecorderOf(record) == ip)
                numbers.push_back(std::stoi(FieldOf(record, AlarmField::TrackID)));
        return numbers;
    }
    std::string FieldOf(size_t record, AlarmField field) const
    {
        std::ifstream file(m_folder / "AlarmDB.txt", std::ios::binary);
        std::string bytes(AlarmRecord::kRecordBytes, '\0');
        file.seekg(static_cast<std::streamoff>(record * AlarmRecord::kRecordBytes));
        file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return std::string(AlarmRecord::FieldIn(bytes.data(), field));
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
        for (const char* ip : {kRecorderIp, kSecondIp}) {
            ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
            recorder->Child("IP")->SetString(ip);
            recorder->Child("Name")->SetString(std::string("Simulator ") + ip);
        }
        ASSERT_EQ(tree.SaveImage(image), 0);
    }

private:
    std::filesystem::path m_folder;
    int m_port = 0;
};

// The recorder simulator sends count alarm telegrams as the recorder.
void Burst(int port, int count)
{
    std::string command = std::string(WARDEX_RECORDER_SIM) + " burst 10001 --count " +
                          std::to_string(count) + " --port " + std::to_string(port) + " --bind " +
                          kRecorderIp + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Telegrams from the recorder at ip, numbered from 0 in their track number.
int Numbered(int port, int count, const char* ip, int rate)
{
    std::string command = std::string(WARDEX_RECORDER_SIM) + " burst 10000 --numbered --count " +
                          std::to_string(count) + " --rate " + std::to_string(rate) + " --port " +
                          std::to_string(port) + " --bind " + ip + " > /dev/null";
    return std::system(command.c_str());
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

// A port nothing listens on and that stays free until the target takes it:
// below the range the system hands out to port-0 binds and outgoing
// connections, which the other tests running at the same time use.
int UnusedPort()
{
    std::random_device seed;
    std::mt19937 random(seed());
    for (;;) {
        int port = 20'000 + static_cast<int>(random() % 12'000);
        int handle = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        bool free = bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(handle);
        if (free)
            return port;
    }
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
    ASSERT_FALSE(relay.WaitForLine("Host: Verbunden.").empty());
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
    std::string line = relay.WaitForLine(
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
    ASSERT_FALSE(relay.WaitForLine("Host: Verbunden.").empty());
    Burst(relay.Port(), 10);
    ASSERT_TRUE(target.WaitForRecords(10));
    EXPECT_EQ(target.Stop(), 0);
    std::string lost = relay.WaitForLine("Host: Verbindung verloren!");
    EXPECT_NE(lost.find("Nächster Connect-Versuch in 30 Sekunden"), std::string::npos) << lost;
    Burst(relay.Port(), 10);
    ASSERT_TRUE(WaitForQueued(relay, 10));
    target.Start(port);
    ASSERT_FALSE(relay.WaitForLine("Host: Verbunden.", 2).empty());
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
    ASSERT_FALSE(relay.WaitForLine("Fehler: Verbindung zum Host fehlgeschlagen!").empty());
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

TEST_F(ForwardingBinaryTest, ATargetKilledAgainAndAgainLosesNothingItAcknowledged)
{
    target.Prepare();
    int port = UnusedPort();
    std::mt19937 random(std::random_device{}());
    for (const char* option : {"", "/sync"}) {
        std::filesystem::remove(target.Folder() / "AlarmDB.txt");
        std::filesystem::remove(target.Folder() / "db.cache");
        target.Start(port, {}, option);
        // Numbered by the track number, which the record keeps.
        std::string command = std::string(WARDEX_RECORDER_SIM) +
                              " relay 10000 --numbered --count 1500 --origin " + kRecorderIp +
                              " --port " + std::to_string(port) + " > /dev/null";
        auto relay = std::async(std::launch::async, [&] { return std::system(command.c_str()); });
        std::vector<size_t> restarts;
        for (int kill = 0; kill < 20; ++kill) {
            size_t at = target.Records() + 1 + random() % 50;
            ASSERT_TRUE(Eventually([&] { return target.Records() >= at; }));
            target.Kill();
            restarts.push_back(target.Records());
            target.Start(port, {}, option);
        }
        ASSERT_EQ(relay.wait_for(90s), std::future_status::ready);
        ASSERT_EQ(relay.get(), 0);
        // In order; twice only where a target died between storing and ACKN.
        int previous = -1;
        int twice = 0;
        for (size_t record = 0; record < target.Records(); ++record) {
            int number = std::stoi(target.FieldOf(record, AlarmField::TrackID));
            bool again = number == previous && std::ranges::count(restarts, record) == 1;
            twice += again ? 1 : 0;
            ASSERT_EQ(number, again ? previous : previous + 1) << option << " record " << record;
            previous = number;
        }
        EXPECT_EQ(previous, 1499);
        std::printf("%s: 20 kills, %d numbers stored twice\n", *option ? option : "default", twice);
        EXPECT_EQ(target.Stop(), 0);
    }
}

TEST_F(ForwardingBinaryTest, ARelayFailsOverToTheStandbyAndBackWithoutLosingAnAlarm)
{
    Station standby{dir.Path() / "standby"};
    for (Station* station : {&target, &standby, &relay})
        station->Prepare();
    target.Start(0);
    int port = target.Port();
    standby.Start(0);
    std::string standbyHost = "127.0.0.1:" + std::to_string(standby.Port());
    relay.Start(0, TargetHost() + "," + standbyHost, "/forwardretry:1");
    std::string onPrimary = "Host: Verbunden. Aktiver Host: " + TargetHost() + " (1/2)";
    ASSERT_FALSE(relay.WaitForLine(onPrimary).empty()) << relay.Output();
    constexpr int kCount = 3000;
    auto stream = std::async(std::launch::async,
                             [&] { return Numbered(relay.Port(), kCount, kRecorderIp, 500); });
    ASSERT_TRUE(Eventually([&] { return target.Records() >= 100; }));
    target.Kill();
    ASSERT_FALSE(relay.WaitForLine("Host: Verbunden. Aktiver Host: " + standbyHost).empty());
    ASSERT_TRUE(Eventually([&] { return standby.Records() > 0; }));
    target.Start(port);
    ASSERT_FALSE(relay.WaitForLine(onPrimary, 2).empty());
    ASSERT_EQ(stream.get(), 0);
    // Sent after the return, so all at the primary; the queue's order makes
    // the last one arrive after every earlier telegram.
    ASSERT_EQ(Numbered(relay.Port(), 100, kSecondIp, 0), 0);
    ASSERT_TRUE(Eventually([&] { return target.Numbers(kSecondIp).size() == 100; }));
    EXPECT_TRUE(standby.Numbers(kSecondIp).empty());
    // Each station got its part in order; together they got every number,
    // twice at most the one in flight at each of the two switches.
    std::vector<int> primary = target.Numbers(kRecorderIp);
    std::vector<int> secondary = standby.Numbers(kRecorderIp);
    for (const std::vector<int>* numbers : {&primary, &secondary})
        EXPECT_EQ(std::ranges::adjacent_find(*numbers, std::greater_equal<>()), numbers->end());
    std::set<int> all(primary.begin(), primary.end());
    all.insert(secondary.begin(), secondary.end());
    EXPECT_EQ(all.size(), size_t{kCount});
    size_t twice = primary.size() + secondary.size() - all.size();
    EXPECT_LE(twice, 2u);
    std::printf("%zu of %d stored twice\n", twice, kCount);
    for (Station* station : {&relay, &standby, &target})
        EXPECT_EQ(station->Stop(), 0);
}
