// The real station program as monitoring sees it: the metrics endpoint
// scraped while alarms flow, hostile HTTP peers on that endpoint while a
// recorder's alarm must still be stored, and the service manager's notify
// socket played by the test.
#include "StationProcess.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// A connection from a loopback address of its own; -1 when it failed.
int ConnectFrom(const std::string& local, int port)
{
    int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, local.c_str(), &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (handle < 0 || bind(handle, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(handle, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (handle >= 0)
            close(handle);
        return -1;
    }
    return handle;
}

// Everything the peer sends until it closes (or resets), within the limit.
std::string ReadToEnd(int handle, std::chrono::milliseconds limit = 30s)
{
    std::string text;
    for (auto deadline = SteadyClock::now() + limit; SteadyClock::now() < deadline;) {
        pollfd entry{handle, POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        std::array<char, 4096> buffer{};
        ssize_t n = recv(handle, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            return text;
        text.append(buffer.data(), static_cast<size_t>(n));
    }
    return text + "<time is up>";
}

std::string Request(int port, const std::string& bytes)
{
    int handle = ConnectFrom("127.0.0.1", port);
    if (handle < 0)
        return "<no connection>";
    send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer = ReadToEnd(handle);
    close(handle);
    return answer;
}

// One scrape in the text format, checked as it is read: every sample
// belongs to a family declared before it, every line parses.
struct Scrape {
    std::map<std::string, double> samples; // "name{labels}" -> value
    std::string fault;

    double Value(const std::string& key) const
    {
        auto found = samples.find(key);
        return found == samples.end() ? -1 : found->second;
    }
    // The sum over every series of a family whose labels contain `part`.
    double Sum(const std::string& name, const std::string& part) const
    {
        double sum = 0;
        for (const auto& [key, value] : samples) {
            if (key.starts_with(name + "{") && key.find(part) != std::string::npos)
                sum += value;
        }
        return sum;
    }
};

Scrape ParseScrape(const std::string& response)
{
    Scrape scrape;
    size_t bodyAt = response.find("\r\n\r\n");
    if (!response.starts_with("HTTP/1.1 200 OK\r\n") || bodyAt == std::string::npos ||
        response.find("Content-Type: text/plain; version=0.0.4") == std::string::npos) {
        scrape.fault = "not a scrape: " + response.substr(0, 200);
        return scrape;
    }
    std::string body = response.substr(bodyAt + 4);
    if (response.find("Content-Length: " + std::to_string(body.size()) + "\r\n") ==
        std::string::npos)
        scrape.fault = "Content-Length is not the body's";
    std::map<std::string, std::string> types;
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("# HELP "))
            continue;
        if (line.starts_with("# TYPE ")) {
            std::istringstream words(line.substr(7));
            std::string name, type;
            words >> name >> type;
            types[name] = type;
            continue;
        }
        size_t end = line.find_first_of("{ ");
        std::string name = line.substr(0, end);
        std::string family = name;
        for (std::string suffix : {"_bucket", "_sum", "_count"}) {
            if (!types.contains(family) && family.ends_with(suffix))
                family.resize(family.size() - suffix.size());
        }
        size_t blank = line.rfind(' ');
        if (end == std::string::npos || blank == std::string::npos || !types.contains(family)) {
            scrape.fault = "stray line: " + line;
            continue;
        }
        scrape.samples[line.substr(0, blank)] = std::stod(line.substr(blank + 1));
    }
    return scrape;
}

std::vector<uint8_t> Alarms(uint16_t typeCode, int count)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        TelegramFields fields;
        fields.typeCode = typeCode;
        fields.detail = static_cast<uint32_t>(i);
        std::vector<uint8_t> telegram = EncodeTelegram(fields);
        bytes.insert(bytes.end(), telegram.begin(), telegram.end());
    }
    return bytes;
}

size_t RecordsOnDisk(const std::filesystem::path& folder)
{
    std::error_code error;
    return std::filesystem::file_size(folder / "AlarmDB.txt", error) / AlarmRecord::kRecordBytes;
}

bool Eventually(const std::function<bool()>& done, std::chrono::seconds limit = 30s)
{
    for (auto deadline = SteadyClock::now() + limit; SteadyClock::now() < deadline;) {
        if (done())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

class MonitoringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
        StationProcess first(dir.Path());
        ASSERT_TRUE(first.Start());
        ASSERT_GT(first.WaitForPort(), 0);
        ASSERT_EQ(first.Stop(), 0);
        FakePrompt prompt;
        ConfigTree tree;
        ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        std::string image = (dir.Path() / "programdata.bin").string();
        ASSERT_TRUE(tree.LoadImage(image));
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
        ASSERT_EQ(tree.SaveImage(image), 0);
    }

    // Starts the station with metrics on a free port; false when it did not.
    bool StartWithMetrics(StationProcess& station)
    {
        if (!station.Start({"/metrics:127.0.0.1:0"}) || (port = station.WaitForPort()) <= 0 ||
            !station.WaitForOutput("Metrics on 127.0.0.1:%\n", 30s))
            return false;
        std::string line = station.LineWith("Metrics on 127.0.0.1:");
        metricsPort = std::stoi(line.substr(line.rfind(':') + 1));
        return metricsPort > 0;
    }

    Scrape ScrapeNow()
    {
        return ParseScrape(Request(metricsPort, "GET /metrics HTTP/1.1\r\n\r\n"));
    }

    TempDir dir;
    int port = -1;
    int metricsPort = -1;
};

} // namespace

TEST_F(MonitoringTest, ScrapesWhileAlarmsFlowCountWhatWasSent)
{
    StationProcess station(dir.Path());
    ASSERT_TRUE(StartWithMetrics(station));
    constexpr int kRounds = 5;
    double lastStored = 0;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_TRUE(SendToLoopback(port, Alarms(10001, 20)));
        ASSERT_TRUE(SendToLoopback(port, Alarms(10003, 10)));
        // A recorder nobody listed.
        int stranger = ConnectFrom("127.0.0.2", port);
        ASSERT_GE(stranger, 0);
        std::vector<uint8_t> unknown = Alarms(10001, 3);
        send(stranger, unknown.data(), unknown.size(), MSG_NOSIGNAL);
        close(stranger);
        Scrape scrape = ScrapeNow();
        ASSERT_EQ(scrape.fault, "");
        double stored = scrape.Sum("wardex_alarms_stored_total", "");
        EXPECT_GE(stored, lastStored) << "a counter went back";
        lastStored = stored;
    }
    // A header whose checksum fails: the connection is closed for it.
    ASSERT_TRUE(SendToLoopback(port, std::vector<uint8_t>(40, 0x5a)));

    Scrape last;
    ASSERT_TRUE(Eventually([&] {
        last = ScrapeNow();
        return last.Value("wardex_database_records") == 150 &&
               last.Value("wardex_telegrams_refused_total{reason=\"unknown_recorder\"}") == 15 &&
               last.Value("wardex_telegrams_refused_total{reason=\"bad_checksum\"}") == 1;
    })) << last.fault
        << RecordsOnDisk(dir.Path());
    EXPECT_EQ(last.fault, "");
    EXPECT_EQ(last.Sum("wardex_alarms_received_total", "type=\"10001\""), 100);
    EXPECT_EQ(last.Sum("wardex_alarms_received_total", "type=\"10003\""), 50);
    EXPECT_EQ(last.Sum("wardex_alarms_stored_total", "type=\"10001\""), 100);
    EXPECT_EQ(last.Sum("wardex_alarms_stored_total", "type=\"10003\""), 50);
    EXPECT_EQ(last.Value("wardex_telegrams_refused_total{reason=\"forwarding_not_allowed\"}"), 0);
    EXPECT_EQ(last.Value("wardex_database_size_bytes"), 150.0 * AlarmRecord::kRecordBytes);
    EXPECT_EQ(last.Value("wardex_forwarding_active"), 0);
    // Cumulative buckets, the last one the count.
    double previous = 0;
    for (const auto& [key, value] : last.samples) {
        if (key.starts_with("wardex_pump_round_seconds_bucket") && key.find("+Inf") == key.npos) {
            EXPECT_GE(value, previous) << key;
            previous = value;
        }
    }
    EXPECT_GT(last.Value("wardex_pump_round_seconds_count"), 0);
    EXPECT_EQ(last.Value("wardex_pump_round_seconds_bucket{le=\"+Inf\"}"),
              last.Value("wardex_pump_round_seconds_count"));
    EXPECT_EQ(station.Stop(), 0);
}

TEST_F(MonitoringTest, HostileRequestsAreAnsweredOrCutAndAlarmsAreStoredMeanwhile)
{
    StationProcess station(dir.Path());
    ASSERT_TRUE(StartWithMetrics(station));
    std::string binary("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\x00\xff\r\n\r\n", 17);
    struct Case {
        std::string name;
        std::string request;
        std::string status; // empty: answered or reset, but ended
    };
    const std::vector<Case> cases = {
        {"post", "POST /metrics HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi", "405"},
        {"elsewhere", "GET /../../etc/passwd HTTP/1.1\r\n\r\n", "404"},
        {"http2", "PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n", "400"},
        {"binary", binary, "400"},
        {"folded", "GET /metrics HTTP/1.1\r\nX: a\r\n b\r\n\r\n", "400"},
        {"huge", "GET /metrics HTTP/1.1\r\nX: " + std::string(200'000, 'a'), ""},
        {"health", "GET /health HTTP/1.0\r\n\r\n", "200"},
    };
    for (const Case& test : cases) {
        std::string answer = Request(metricsPort, test.request);
        EXPECT_EQ(answer.find("<time is up>"), std::string::npos) << test.name;
        // A head cut off past its bound may be reset before its answer is read.
        std::string status = test.status.empty() && !answer.empty() ? "431" : test.status;
        if (!status.empty()) {
            EXPECT_TRUE(answer.starts_with("HTTP/1.1 " + status + " ")) << test.name << answer;
        }
    }

    // Slow peers hold every place; further connections are closed at once.
    std::vector<int> slow;
    for (int i = 0; i < 16; ++i) {
        slow.push_back(ConnectFrom("127.0.0.1", metricsPort));
        ASSERT_GE(slow.back(), 0);
        send(slow.back(), "GET /metr", 9, MSG_NOSIGNAL);
    }
    ASSERT_TRUE(Eventually([&] {
        return Request(metricsPort, "GET /metrics HTTP/1.1\r\n\r\n").empty();
    })) << "a 17th connection was served";
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(Request(metricsPort, "GET /metrics HTTP/1.1\r\n\r\n"), "") << i;

    size_t before = RecordsOnDisk(dir.Path());
    ASSERT_TRUE(SendToLoopback(port, Alarms(10001, 1)));
    EXPECT_TRUE(Eventually([&] { return RecordsOnDisk(dir.Path()) == before + 1; }));

    // Their deadline closes the slow ones; then scrapes are answered again.
    for (int handle : slow) {
        EXPECT_EQ(ReadToEnd(handle), "");
        close(handle);
    }
    Scrape scrape;
    ASSERT_TRUE(Eventually([&] { return (scrape = ScrapeNow()).fault.empty(); })) << scrape.fault;
    EXPECT_EQ(scrape.Value("wardex_metrics_connections_refused_total{reason=\"deadline\"}"), 16);
    EXPECT_GE(scrape.Value("wardex_metrics_connections_refused_total{reason=\"too_many\"}"), 200);
    EXPECT_EQ(scrape.Sum("wardex_alarms_stored_total", ""), 1);
    EXPECT_EQ(station.Stop(), 0);
}

namespace {

// The service manager's end of the notify socket.
class NotifyStub {
public:
    explicit NotifyStub(const std::filesystem::path& path) : m_path(path)
    {
        m_handle = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string text = path.string();
        text.copy(address.sun_path, sizeof address.sun_path - 1);
        if (bind(m_handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ADD_FAILURE() << "cannot bind " << text;
    }
    ~NotifyStub()
    {
        close(m_handle);
        std::filesystem::remove(m_path);
    }
    NotifyStub(const NotifyStub&) = delete;
    NotifyStub& operator=(const NotifyStub&) = delete;

    // The next datagram that holds `text`, or nothing in time.
    std::optional<std::string> WaitFor(const std::string& text, std::chrono::seconds limit = 60s)
    {
        for (auto deadline = SteadyClock::now() + limit; SteadyClock::now() < deadline;) {
            pollfd entry{m_handle, POLLIN, 0};
            if (poll(&entry, 1, 100) <= 0)
                continue;
            std::array<char, 4096> buffer{};
            ssize_t n = recv(m_handle, buffer.data(), buffer.size(), 0);
            std::string message(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
            received.push_back(message);
            if (message.find(text) != std::string::npos)
                return message;
        }
        return std::nullopt;
    }

    std::vector<std::string> received;

private:
    std::filesystem::path m_path;
    int m_handle = -1;
};

} // namespace

TEST_F(MonitoringTest, ServiceManagerHearsReadyOnceThePortAcceptsThenStatusAndWatchdogPings)
{
    NotifyStub stub(dir.Path() / "notify.sock");
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start(
        {}, {"NOTIFY_SOCKET=" + (dir.Path() / "notify.sock").string(), "WATCHDOG_USEC=2000000"}));
    std::optional<std::string> ready = stub.WaitFor("READY=1");
    ASSERT_TRUE(ready) << station.Output();
    // The status line names the port; it must take a connection by now.
    size_t at = ready->find("STATUS=Port ");
    ASSERT_NE(at, std::string::npos) << *ready;
    int statusPort = std::stoi(ready->substr(at + 12));
    int handle = ConnectFrom("127.0.0.1", statusPort);
    EXPECT_GE(handle, 0);
    if (handle >= 0)
        close(handle);
    EXPECT_EQ(statusPort, station.WaitForPort());
    EXPECT_NE(ready->find("0 alarms unconfirmed"), std::string::npos) << *ready;
    // Pings follow, from the loop; two show they repeat.
    EXPECT_TRUE(stub.WaitFor("WATCHDOG=1"));
    EXPECT_TRUE(stub.WaitFor("WATCHDOG=1"));
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_TRUE(stub.WaitFor("STOPPING=1", 5s));
}

TEST_F(MonitoringTest, WithoutAWatchdogNoPingIsSent)
{
    NotifyStub stub(dir.Path() / "notify.sock");
    StationProcess station(dir.Path());
    ASSERT_TRUE(station.Start({"/metrics:127.0.0.1:0"},
                              {"NOTIFY_SOCKET=" + (dir.Path() / "notify.sock").string()}));
    ASSERT_TRUE(stub.WaitFor("READY=1"));
    // A status change a second later shows the loop's checks have run.
    ASSERT_TRUE(SendToLoopback(station.WaitForPort(), Alarms(10001, 1)));
    EXPECT_TRUE(stub.WaitFor("STATUS="));
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_TRUE(stub.WaitFor("STOPPING=1", 5s));
    for (const std::string& message : stub.received)
        EXPECT_EQ(message.find("WATCHDOG"), std::string::npos) << message;
}
