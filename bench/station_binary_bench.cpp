// The real station program, started offscreen in a temporary program folder,
// against a bare epoll reader of the same frames in the same run. A sender
// process bursts telegrams over 1 to 1 000 connections (silent path: priority
// 5; window path: priority 0), or paces them at 10 000 per second for the
// latency from send to the record in the file; a relay times the station's
// ACKN to forwarded DATA against a bare echo. The bare reader writes one
// record-sized line per frame, so it is the ceiling of one thread that reads
// and stores. CPU per alarm is the station process's user and system time.
#include "BenchSupport.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "config/Version.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "net/ForwardMessage.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kBurstTelegrams = 20'000;
constexpr int kMostTelegrams = 100'000;
constexpr int kPacedTelegrams = 5'000;
constexpr int kPacedRate = 10'000;
constexpr auto kDeadline = 120s;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// User plus system time of a process, all threads, in microseconds.
// Time on a CPU of every thread of the process, from the scheduler's own
// nanosecond account (the tick counts of /proc/PID/stat are 10 ms coarse).
double CpuMicros(pid_t pid)
{
    std::error_code error;
    double nanos = 0;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        double onCpu = 0;
        if (in >> onCpu)
            nanos += onCpu;
    }
    return nanos / 1e3;
}

int64_t RssKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return 0;
}

int64_t FileRecords(const std::filesystem::path& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return 0;
    return info.st_size / static_cast<int64_t>(AlarmRecord::kRecordBytes);
}

// The arrival time of the file's last record; 0 for none.
int64_t LastArrivalMs(const std::filesystem::path& path)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return 0;
    struct stat info {};
    char bytes[AlarmRecord::kRecordBytes];
    int64_t arrival = 0;
    if (fstat(fd, &info) == 0 && info.st_size >= static_cast<off_t>(sizeof bytes) &&
        pread(fd, bytes, sizeof bytes, info.st_size - static_cast<off_t>(sizeof bytes)) ==
            static_cast<ssize_t>(sizeof bytes))
        arrival = AlarmRecord::FromBytes(bytes).Number(AlarmField::TimeArrival);
    close(fd);
    return arrival;
}

// What the sender and the watcher share: the send time of every telegram.
struct SharedTimes {
    std::atomic<int> ready{0};
    std::atomic<int> go{0};
    // The station's clock (stored milliseconds) just before the last send.
    std::atomic<int64_t> lastSentMs{0};
    int64_t sent[kMostTelegrams];
};

SharedTimes* MapShared()
{
    void* memory = mmap(nullptr, sizeof(SharedTimes), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return new (memory) SharedTimes();
}

// The recorders, in a child: connects, waits for the go, sends `count`
// telegrams round robin, as fast as possible or `rate` per second.
[[noreturn]] void Send(int port, int connections, int count, int rate, SharedTimes& shared)
{
    prctl(PR_SET_TIMERSLACK, 1);
    TelegramFields fields;
    fields.typeCode = 10001;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    std::vector<int> sockets;
    for (int i = 0; i < connections; ++i) {
        int fd = ConnectToStation(port);
        if (fd < 0)
            _exit(1);
        sockets.push_back(fd);
    }
    shared.ready = 1;
    while (shared.go == 0)
        usleep(100);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (int n = 0; n < count; ++n) {
        if (rate > 0) {
            int64_t due = start.tv_nsec + int64_t{n} * 1'000'000'000 / rate;
            timespec at{start.tv_sec + static_cast<time_t>(due / 1'000'000'000),
                        static_cast<long>(due % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
        }
        shared.sent[n] = NowNs();
        if (n == count - 1)
            shared.lastSentMs = Clock(SystemClockSource()).NowMs();
        if (send(sockets[static_cast<size_t>(n % connections)], telegram.data(), telegram.size(),
                 MSG_NOSIGNAL) != static_cast<ssize_t>(telegram.size()))
            _exit(2);
    }
    // The receiver must see every frame before the connections go.
    while (shared.go != 2)
        usleep(1000);
    for (int fd : sockets)
        close(fd);
    _exit(0);
}

// The ceiling, in a child: one thread, epoll, reads what is there, frames
// 18-byte headers with their payload and writes one record per frame.
[[noreturn]] void BareReader(int listener, const std::filesystem::path& file)
{
    int out = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    int epoll = epoll_create1(0);
    epoll_event event{EPOLLIN, {.fd = listener}};
    epoll_ctl(epoll, EPOLL_CTL_ADD, listener, &event);
    struct Buffer {
        std::vector<uint8_t> bytes;
    };
    std::vector<Buffer> buffers(65536);
    std::vector<char> record(AlarmRecord::kRecordBytes, ' ');
    record.back() = '\n';
    std::vector<uint8_t> chunk(65536);
    epoll_event events[256];
    for (;;) {
        int n = epoll_wait(epoll, events, 256, -1);
        for (int i = 0; i < n; ++i) {
            int fd = events[i].data.fd;
            if (fd == listener) {
                int peer = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
                if (peer >= 0) {
                    epoll_event added{EPOLLIN, {.fd = peer}};
                    epoll_ctl(epoll, EPOLL_CTL_ADD, peer, &added);
                }
                continue;
            }
            ssize_t got = read(fd, chunk.data(), chunk.size());
            if (got <= 0) {
                close(fd);
                continue;
            }
            std::vector<uint8_t>& bytes = buffers[static_cast<size_t>(fd)].bytes;
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
            size_t at = 0;
            while (bytes.size() - at >= TelegramFields::kHeaderSize) {
                uint32_t payload = 0;
                std::memcpy(&payload, bytes.data() + at + 12, 4);
                size_t frame = TelegramFields::kHeaderSize + payload;
                if (bytes.size() - at < frame)
                    break;
                at += frame;
                if (write(out, record.data(), record.size()) < 0)
                    _exit(3);
            }
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(at));
        }
    }
}

class StationProcess {
public:
    ~StationProcess() { Stop(); }

    bool Start(const std::filesystem::path& folder, const std::vector<std::string>& more = {},
               const std::vector<std::string>& variables = {})
    {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        // Qt's complaints of the offscreen platform, once per alarm.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string datadir = "/datadir:" + folder.string();
        std::string home = "HOME=" + folder.string();
        std::string runtime = "XDG_RUNTIME_DIR=" + folder.string();
        std::string config = "XDG_CONFIG_HOME=" + (folder / ".config").string();
        // Two stations of one run (a relay and its target) need their own.
        std::string shm = "/shmprefix:wardex-e2e-" + std::to_string(getpid()) + "-" +
                          std::to_string(++s_started) + "-";
        // Another build of the station may be compared under the same load.
        const char* binary = std::getenv("WARDEX_E2E_STATION");
        if (binary == nullptr)
            binary = WARDEX_STATION_BINARY;
        std::vector<std::string> options = {binary, datadir, "/port:0", shm};
        options.insert(options.end(), more.begin(), more.end());
        // Options to compare, for example /sync.
        if (const char* more = std::getenv("WARDEX_E2E_OPTIONS")) {
            std::istringstream words(more);
            for (std::string word; words >> word;)
                options.push_back(word);
        }
        std::vector<char*> argv;
        for (std::string& option : options)
            argv.push_back(option.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = {home, runtime, config, "QT_QPA_PLATFORM=offscreen",
                                                "LANG=C"};
        environment.insert(environment.end(), variables.begin(), variables.end());
        std::vector<char*> envp;
        for (std::string& variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        int error = posix_spawn(&m_pid, binary, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        m_out = pipeFds[0];
        return error == 0;
    }

    // Reads the output until a line holds `marker`; what follows it on the
    // line, or nothing when the station ended or said nothing of the kind.
    std::optional<std::string> WaitForLine(const std::string& marker)
    {
        for (auto deadline = Clock::now() + kDeadline; Clock::now() < deadline;) {
            size_t at = m_output.find(marker);
            size_t end = at == std::string::npos ? at : m_output.find('\n', at);
            if (end != std::string::npos) {
                std::string rest = m_output.substr(at + marker.size(), end - at - marker.size());
                m_output.erase(0, end + 1);
                return rest;
            }
            pollfd pfd{m_out, POLLIN, 0};
            if (poll(&pfd, 1, 1000) <= 0)
                continue;
            char buffer[512];
            ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return std::nullopt;
            m_output.append(buffer, static_cast<size_t>(n));
        }
        return std::nullopt;
    }

    // Reads the output until the station names its port.
    int WaitForPort()
    {
        std::optional<std::string> port = WaitForLine("listening on port ");
        return port ? std::stoi(*port) : -1;
    }

    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_out >= 0)
            close(m_out);
        m_out = -1;
    }

    pid_t Pid() const { return m_pid; }

private:
    static inline int s_started = 0;
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_output;
};

// How the stored records are left for the start.
enum class Stored {
    // Confirmed by an operator, "db.cache" written at an orderly end.
    Confirmed,
    // The same without "db.cache" (after a kill or a reset of the cache).
    WithoutCache,
    // Never confirmed (ConfirmState 0, as when no operator was there).
    Unconfirmed,
};

// A program folder whose recorder list holds 127.0.0.1 after `others`
// recorders elsewhere, with type 10001 at `priority`, and `records` records;
// the count limit at `countLimit`, off for 0.
void PrepareFolder(const std::filesystem::path& folder, int priority, int others, int records,
                   Stored stored = Stored::Confirmed, int countLimit = 0)
{
    std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                          folder / "Languages");
    FakePrompt prompt;
    ConfigTree tree;
    tree.LoadDefaults(DefaultScript(), prompt);
    ConfigNode* list = tree.TopFolder("Program")->Child("RecorderList");
    for (int i = 0; i <= others; ++i) {
        ConfigNode* recorder = list->NewEntry(list->ChildCount());
        std::string address =
            i == others ? std::string("127.0.0.1")
                        : "10.1." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
        recorder->Child("IP")->SetString(address);
        recorder->Child("Name")->SetString("Rekorder " + std::to_string(i));
        ConfigNode* entry = recorder->Child("AlarmSettings")->NewEntry(0);
        entry->Child("Type")->SetInt(10001);
        entry->Child("Priority")->SetInt(priority);
        entry->Child("ShowAlarmWindow")->SetInt(1);
    }
    TurnOffCountLimit(tree);
    if (countLimit > 0) {
        ConfigNode* system = tree.TopFolder("Program")->Child("Configuration")->Child("System");
        system->Child("iEnableMaxAlarms")->SetInt(1);
        system->Child("iNumMaxAlarms")->SetInt(countLimit);
    }
    // Saved by this version: an older one would have its priorities turned
    // round at the start (5 becomes 0), and the paths swap.
    tree.TopFolder("Program")->Child("iVersion")->SetInt(VersionNumber(ProductVersion()));
    tree.SaveImage((folder / "programdata.bin").string());
    if (records == 0)
        return;
    {
        AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
        database.Open((folder / "AlarmDB.txt").string());
        AlarmRecord record = StoredConfirmedAlarm();
        if (stored == Stored::Unconfirmed) {
            record.SetField(AlarmField::ConfirmState, "0");
            record.SetField(AlarmField::Confirmed, "0");
        }
        record.SetField(AlarmField::TimeArrival, "13000000000000");
        database.Append(record);
        database.Close();
    }
    // The same record again and again: written as bytes, so a million take
    // a second.
    std::string one = ReadFileBytes(folder / "AlarmDB.txt");
    std::string block;
    for (int i = 0; i < 1000; ++i)
        block += one;
    std::ofstream out(folder / "AlarmDB.txt", std::ios::binary | std::ios::trunc);
    for (int written = 0; written < records; written += 1000)
        out.write(block.data(),
                  static_cast<std::streamsize>(
                      one.size() * static_cast<size_t>(std::min(1000, records - written))));
    out.close();
    // Counted once here, as after an orderly end: "db.cache" holds the count.
    AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
    database.Open((folder / "AlarmDB.txt").string());
    database.Close();
    if (stored == Stored::WithoutCache)
        std::filesystem::remove(folder / "db.cache");
}

struct Outcome {
    double seconds = 0;
    double cpuMicros = 0;
    std::vector<double> latenciesMs;
    // Over a second with every connection open and nothing sent.
    double idleCpuPercent = 0;
    int64_t rssBeforeKiB = 0;
    int64_t rssConnectedKiB = 0;
};

// Starts the sender against `port`, waits for `target` records in `file`.
// With a rate, the n-th stored record counts as the n-th telegram sent.
// With `untilLastSent` the file may shrink (a count limit deletes): the run
// ends when the file's last record arrived after the last telegram was sent.
bool Drive(int port, int connections, int count, int rate, const std::filesystem::path& file,
           int64_t before, pid_t receiver, Outcome& outcome, bool untilLastSent = false)
{
    SharedTimes* shared = MapShared();
    outcome.rssBeforeKiB = RssKiB(receiver);
    pid_t sender = fork();
    if (sender == 0)
        Send(port, connections, count, rate, *shared);
    while (shared->ready == 0)
        usleep(1000);
    // Lets the receiver accept every connection before the clock starts.
    usleep(static_cast<useconds_t>(200'000 + connections * 1'000));
    double idleBefore = CpuMicros(receiver);
    usleep(1'000'000);
    outcome.idleCpuPercent = (CpuMicros(receiver) - idleBefore) / 10'000;
    outcome.rssConnectedKiB = RssKiB(receiver);
    double cpuBefore = CpuMicros(receiver);
    Clock::time_point start = Clock::now();
    shared->go = 1;
    // Polls the file's size: a watch on the file would wake this process
    // for every record and charge the writer for it.
    int64_t seen = 0;
    bool done = false;
    for (Clock::time_point deadline = start + kDeadline; Clock::now() < deadline;) {
        usleep(rate > 0 && !untilLastSent ? 50 : 1'000);
        if (untilLastSent) {
            int64_t last = shared->lastSentMs;
            if (last != 0 && LastArrivalMs(file) >= last) {
                done = true;
                break;
            }
            continue;
        }
        int64_t stored = FileRecords(file) - before;
        if (rate > 0) {
            int64_t now = NowNs();
            for (; seen < std::min<int64_t>(stored, count); ++seen)
                outcome.latenciesMs.push_back(static_cast<double>(now - shared->sent[seen]) / 1e6);
        }
        if (stored >= count) {
            done = true;
            break;
        }
    }
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    outcome.cpuMicros = CpuMicros(receiver) - cpuBefore;
    shared->go = 2;
    waitpid(sender, nullptr, 0);
    munmap(shared, sizeof(SharedTimes));
    return done;
}

double Percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t at = static_cast<size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

// One run of the bare reader on a fresh file; false when it fell short.
bool RunBare(const std::filesystem::path& folder, int connections, int count, int rate,
             Outcome& outcome)
{
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, SOMAXCONN) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    std::filesystem::path file = folder / "bare.txt";
    WriteFileBytes(file, "");
    pid_t reader = fork();
    if (reader == 0)
        BareReader(listener, file);
    close(listener);
    bool done = Drive(ntohs(address.sin_port), connections, count, rate, file, 0, reader, outcome);
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    return done;
}

// Starts the station on `folder` and, when it holds `records` records, sends
// one telegram and waits until it is stored: `firstStoredMs` after the
// start of the process. The station's port, or -1.
int StartAndStoreFirst(StationProcess& station, const std::filesystem::path& folder, int records,
                       double& firstStoredMs, const std::vector<std::string>& options = {})
{
    Clock::time_point started = Clock::now();
    if (!station.Start(folder, options))
        return -1;
    int port = station.WaitForPort();
    if (port <= 0 || records < 0)
        return port;
    TelegramFields fields;
    fields.typeCode = 10001;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    int fd = ConnectToStation(port);
    if (fd < 0 || send(fd, telegram.data(), telegram.size(), MSG_NOSIGNAL) < 0)
        return -1;
    while (FileRecords(folder / "AlarmDB.txt") <= records && Clock::now() < started + kDeadline)
        usleep(200);
    firstStoredMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    close(fd);
    return port;
}

// One run of the station; `first` is when it was started.
bool RunStation(const std::filesystem::path& folder, int connections, int count, int rate,
                int records, Outcome& outcome, double& firstStoredMs)
{
    StationProcess station;
    // How long until the first alarm is stored, from the start of the process.
    int port = StartAndStoreFirst(station, folder, records > 0 ? records : -1, firstStoredMs);
    if (port <= 0)
        return false;
    if (records > 0)
        ++records;
    return Drive(port, connections, count, rate, folder / "AlarmDB.txt", records, station.Pid(),
                 outcome);
}

// Arguments: connections, priority (5 silent, 0 alarm window), records
// stored, other recorders in the list before the sending one, how the
// records are stored (Stored).
void Burst(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    const int priority = static_cast<int>(state.range(1));
    const int records = static_cast<int>(state.range(2));
    const int others = static_cast<int>(state.range(3));
    const auto stored = static_cast<Stored>(state.range(4));
    for (auto _ : state) {
        TempDir dir;
        PrepareFolder(dir.Path(), priority, others, records, stored);
        // For profiling the station by hand in the same folder.
        if (const char* keep = std::getenv("WARDEX_E2E_KEEP"))
            std::filesystem::copy(dir.Path(), keep, std::filesystem::copy_options::recursive);
        Outcome station;
        Outcome bare;
        double firstMs = 0;
        if (!RunStation(dir.Path(), connections, kBurstTelegrams, 0, records, station, firstMs) ||
            !RunBare(dir.Path(), connections, kBurstTelegrams, 0, bare)) {
            state.SkipWithError("the telegrams did not all arrive");
            return;
        }
        state.SetIterationTime(station.seconds);
        double stationRate = kBurstTelegrams / station.seconds;
        double bareRate = kBurstTelegrams / bare.seconds;
        state.counters["alarms_per_s"] = stationRate;
        state.counters["bare_per_s"] = bareRate;
        state.counters["ratio_pct"] = 100 * stationRate / bareRate;
        state.counters["cpu_us_per_alarm"] = station.cpuMicros / kBurstTelegrams;
        state.counters["bare_cpu_us"] = bare.cpuMicros / kBurstTelegrams;
        state.counters["idle_cpu_pct"] = station.idleCpuPercent;
        state.counters["rss_per_conn_B"] =
            static_cast<double>(station.rssConnectedKiB - station.rssBeforeKiB) * 1024 /
            connections;
        state.counters["rss_MiB"] = static_cast<double>(station.rssBeforeKiB) / 1024;
        if (records > 0)
            state.counters["first_stored_ms"] = firstMs;
    }
}

// Arguments: connections, priority. 10 000 telegrams per second.
void Paced(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    const int priority = static_cast<int>(state.range(1));
    for (auto _ : state) {
        TempDir dir;
        PrepareFolder(dir.Path(), priority, 0, 1'000);
        Outcome station;
        Outcome bare;
        double firstMs = 0;
        if (!RunStation(dir.Path(), connections, kPacedTelegrams, kPacedRate, 1'000, station,
                        firstMs) ||
            !RunBare(dir.Path(), connections, kPacedTelegrams, kPacedRate, bare)) {
            state.SkipWithError("the telegrams did not all arrive");
            return;
        }
        state.SetIterationTime(station.seconds);
        state.counters["p50_ms"] = Percentile(station.latenciesMs, 0.5);
        state.counters["p99_ms"] = Percentile(station.latenciesMs, 0.99);
        state.counters["bare_p50_ms"] = Percentile(bare.latenciesMs, 0.5);
        state.counters["bare_p99_ms"] = Percentile(bare.latenciesMs, 0.99);
        state.counters["p99_ratio"] =
            Percentile(station.latenciesMs, 0.99) / Percentile(bare.latenciesMs, 0.99);
        state.counters["cpu_us_per_alarm"] = station.cpuMicros / kPacedTelegrams;
    }
}

// The forwarding protocol's round trip at a target station: a relay greets
// the real station (SHLO, RHLO), then sends DATA messages stop-and-wait and
// times each until its ACKN. In the same run a bare echo (one thread,
// blocking) answers messages of the same sizes; "ratio" is the station's
// median over the echo's.
std::vector<uint8_t> ForwardBytes(ForwardType type, const std::vector<uint8_t>& telegram)
{
    ForwardMessage message;
    if (type == ForwardType::Data)
        message.MakeData(telegram.data(), static_cast<int>(telegram.size()), "127.0.0.1");
    else if (type == ForwardType::Shlo)
        message.MakeShlo("127.0.0.1");
    else
        message.MakeAckn("0.0.0.0");
    std::span<const uint8_t> bytes = message.Encode();
    return {bytes.begin(), bytes.end()};
}

bool Exactly(int fd, uint8_t* bytes, size_t n, bool out)
{
    while (n > 0) {
        ssize_t done = out ? send(fd, bytes, n, MSG_NOSIGNAL) : recv(fd, bytes, n, 0);
        if (done <= 0)
            return false;
        bytes += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

// Round trips in microseconds, one per message; empty when the peer failed.
std::vector<double> StopAndWait(int fd, std::vector<uint8_t> message, size_t answerSize, int count)
{
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<uint8_t> answer(answerSize);
    std::vector<double> trips;
    trips.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        int64_t sent = NowNs();
        if (!Exactly(fd, message.data(), message.size(), true) ||
            !Exactly(fd, answer.data(), answer.size(), false))
            return {};
        trips.push_back(static_cast<double>(NowNs() - sent) / 1e3);
    }
    return trips;
}

// One thread, blocking: reads a message of `in` bytes, answers `out` bytes.
[[noreturn]] void Echo(int listener, size_t in, size_t out)
{
    int fd = accept(listener, nullptr, nullptr);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<uint8_t> message(in);
    std::vector<uint8_t> answer(out, ' ');
    while (Exactly(fd, message.data(), in, false) && Exactly(fd, answer.data(), out, true)) {
    }
    _exit(0);
}

double Mean(const std::vector<double>& values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

void ForwardingTarget(benchmark::State& state)
{
    constexpr int kTrips = 3'000;
    TelegramFields fields;
    fields.typeCode = 10001;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    std::vector<uint8_t> data = ForwardBytes(ForwardType::Data, telegram);
    std::vector<uint8_t> shlo = ForwardBytes(ForwardType::Shlo, telegram);
    const size_t answerSize = ForwardMessage::kHeaderSize;
    // Both ends of each loop on one CPU, as in bench_forwarding: a round trip
    // then costs what the processes compute and switch, not where the
    // machine's other load puts them (WARDEX_BENCH_TWO_CPUS=1 lets them spread).
    struct OneCpu {
        cpu_set_t before;
        OneCpu()
        {
            sched_getaffinity(0, sizeof before, &before);
            if (std::getenv("WARDEX_BENCH_TWO_CPUS") != nullptr)
                return;
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(sched_getcpu(), &one);
            sched_setaffinity(0, sizeof one, &one);
        }
        ~OneCpu() { sched_setaffinity(0, sizeof before, &before); }
    } pinned;
    for (auto _ : state) {
        TempDir dir;
        PrepareFolder(dir.Path(), 5, 0, 1'000);
        // What earlier cases left to write back would compete for the CPU.
        sync();
        StationProcess station;
        if (!station.Start(dir.Path())) {
            state.SkipWithError("the station did not start");
            return;
        }
        int port = station.WaitForPort();
        int fd = port > 0 ? ConnectToStation(port) : -1;
        // The greeting, then a few rounds to warm up.
        if (fd < 0 || StopAndWait(fd, shlo, answerSize, 1).empty() ||
            StopAndWait(fd, data, answerSize, 100).empty()) {
            state.SkipWithError("no greeting from the station");
            return;
        }
        double cpuBefore = CpuMicros(station.Pid());
        std::vector<double> trips = StopAndWait(fd, data, answerSize, kTrips);
        double cpu = CpuMicros(station.Pid()) - cpuBefore;
        close(fd);
        // Every acknowledged telegram is stored.
        for (auto deadline = Clock::now() + kDeadline;
             FileRecords(dir.Path() / "AlarmDB.txt") < 1'000 + 100 + kTrips &&
             Clock::now() < deadline;)
            usleep(1'000);
        station.Stop();

        int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 1) != 0 ||
            getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            state.SkipWithError("no echo");
            return;
        }
        pid_t echo = fork();
        if (echo == 0)
            Echo(listener, data.size(), answerSize);
        close(listener);
        int echoFd = ConnectToStation(ntohs(address.sin_port));
        StopAndWait(echoFd, data, answerSize, 100);
        std::vector<double> bare = StopAndWait(echoFd, data, answerSize, kTrips);
        close(echoFd);
        waitpid(echo, nullptr, 0);
        if (trips.empty() || bare.empty()) {
            state.SkipWithError("a round trip failed");
            return;
        }
        state.SetIterationTime(Mean(trips) * kTrips / 1e6);
        state.counters["p50_us"] = Percentile(trips, 0.5);
        state.counters["p99_us"] = Percentile(trips, 0.99);
        state.counters["mean_us"] = Mean(trips);
        state.counters["echo_p50_us"] = Percentile(bare, 0.5);
        state.counters["echo_p99_us"] = Percentile(bare, 0.99);
        state.counters["echo_mean_us"] = Mean(bare);
        state.counters["ratio"] = Percentile(trips, 0.5) / Percentile(bare, 0.5);
        state.counters["mean_ratio"] = Mean(trips) / Mean(bare);
        state.counters["cpu_us_per_alarm"] = cpu / kTrips;
    }
}

// Recorders -> relay (/forward, offscreen) -> target, against a bare
// stop-and-wait sender of the same DATA messages to the same target in the
// same run: forwarding is stop-and-wait, so that sender is the ceiling of
// the chain. CPU per alarm is the relay's.
void RelayChain(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    TelegramFields fields;
    fields.typeCode = 10001;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    std::vector<uint8_t> data = ForwardBytes(ForwardType::Data, telegram);
    std::vector<uint8_t> shlo = ForwardBytes(ForwardType::Shlo, telegram);
    for (auto _ : state) {
        TempDir targetDir;
        TempDir relayDir;
        PrepareFolder(targetDir.Path(), 5, 0, 1'000);
        PrepareFolder(relayDir.Path(), 5, 0, 0);
        sync();
        StationProcess target;
        StationProcess relay;
        int targetPort = target.Start(targetDir.Path()) ? target.WaitForPort() : -1;
        int relayPort = targetPort > 0 && relay.Start(relayDir.Path(), {"/forward:127.0.0.1:" +
                                                                        std::to_string(targetPort)})
                            ? relay.WaitForPort()
                            : -1;
        // The relay says when its link is up.
        if (relayPort <= 0 || !relay.WaitForLine("Host: Verbunden.")) {
            state.SkipWithError("the relay did not connect");
            return;
        }
        Outcome chain;
        double targetCpu = CpuMicros(target.Pid());
        if (!Drive(relayPort, connections, kBurstTelegrams, 0, targetDir.Path() / "AlarmDB.txt",
                   1'000, relay.Pid(), chain)) {
            state.SkipWithError("the telegrams did not all arrive");
            return;
        }
        targetCpu = CpuMicros(target.Pid()) - targetCpu;
        relay.Stop();

        int fd = ConnectToStation(targetPort);
        if (fd < 0 || StopAndWait(fd, shlo, ForwardMessage::kHeaderSize, 1).empty() ||
            StopAndWait(fd, data, ForwardMessage::kHeaderSize, 100).empty()) {
            state.SkipWithError("no greeting from the target");
            return;
        }
        Clock::time_point start = Clock::now();
        std::vector<double> trips =
            StopAndWait(fd, data, ForwardMessage::kHeaderSize, kBurstTelegrams);
        double bareSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        close(fd);
        if (trips.empty()) {
            state.SkipWithError("a round trip failed");
            return;
        }
        state.SetIterationTime(chain.seconds);
        double chainRate = kBurstTelegrams / chain.seconds;
        double bareRate = kBurstTelegrams / bareSeconds;
        state.counters["chain_per_s"] = chainRate;
        state.counters["bare_saw_per_s"] = bareRate;
        state.counters["ratio_pct"] = 100 * chainRate / bareRate;
        state.counters["relay_cpu_us"] = chain.cpuMicros / kBurstTelegrams;
        state.counters["relay_idle_cpu_pct"] = chain.idleCpuPercent;
        // Includes the second of idle connections before the burst.
        state.counters["target_cpu_us"] = targetCpu / kBurstTelegrams;
    }
}

// Bytes the process handed to write calls so far.
int64_t WrittenBytes(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    int64_t value = 0;
    while (in >> key >> value) {
        if (key == "wchar:")
            return value;
    }
    return 0;
}

int64_t PeakRssKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return 0;
}

// Argument: recorders in the list, the sending one last. Against a station
// with only that one recorder, started in the same run: memory once the
// first alarm is stored, and how long after the start that was.
void Recorders(benchmark::State& state)
{
    const int recorders = static_cast<int>(state.range(0));
    for (auto _ : state) {
        double firstMs[2] = {};
        int64_t rssKiB[2] = {};
        int64_t peakKiB[2] = {};
        for (int run = 0; run < 2; ++run) {
            TempDir dir;
            PrepareFolder(dir.Path(), 5, run == 0 ? 0 : recorders - 1, 1'000);
            if (const char* keep = std::getenv("WARDEX_E2E_KEEP"); keep != nullptr && run == 1)
                std::filesystem::copy(dir.Path(), keep, std::filesystem::copy_options::recursive);
            sync();
            StationProcess station;
            if (StartAndStoreFirst(station, dir.Path(), 1'000, firstMs[run]) <= 0) {
                state.SkipWithError("the station did not store the alarm");
                return;
            }
            rssKiB[run] = RssKiB(station.Pid());
            peakKiB[run] = PeakRssKiB(station.Pid());
        }
        state.SetIterationTime(firstMs[1] / 1e3);
        state.counters["first_stored_ms"] = firstMs[1];
        state.counters["rss_MiB"] = static_cast<double>(rssKiB[1]) / 1024;
        state.counters["peak_MiB"] = static_cast<double>(peakKiB[1]) / 1024;
        state.counters["one_first_ms"] = firstMs[0];
        state.counters["one_rss_MiB"] = static_cast<double>(rssKiB[0]) / 1024;
        state.counters["first_ratio"] = firstMs[1] / firstMs[0];
        state.counters["rss_ratio"] =
            static_cast<double>(rssKiB[1]) / static_cast<double>(rssKiB[0]);
    }
}

// Arguments: the count limit, alarms, alarms per second. A steady stream
// over 200 connections into a station holding as many records as its limit,
// in the same run first with a limit twice as high (below the limit): CPU
// per alarm of each and their ratio. The stream should be at least as long
// as the limit lets alarms arrive between two deletions, or the one deletion
// it causes at once counts for too few alarms.
void CountLimit(benchmark::State& state)
{
    const int limit = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    const int rate = static_cast<int>(state.range(2));
    constexpr int kConnections = 200;
    for (auto _ : state) {
        double cpu[2] = {};
        double written[2] = {};
        double seconds = 0;
        for (int run = 0; run < 2; ++run) {
            TempDir dir;
            PrepareFolder(dir.Path(), 5, 0, limit, Stored::Confirmed, run == 0 ? 2 * limit : limit);
            sync();
            StationProcess station;
            double firstMs = 0;
            int port = StartAndStoreFirst(station, dir.Path(), -1, firstMs);
            Outcome outcome;
            int64_t writtenBefore = port > 0 ? WrittenBytes(station.Pid()) : 0;
            if (port <= 0 || !Drive(port, kConnections, count, rate, dir.Path() / "AlarmDB.txt", 0,
                                    station.Pid(), outcome, true)) {
                state.SkipWithError("the telegrams did not all arrive");
                return;
            }
            cpu[run] = outcome.cpuMicros / count;
            written[run] = static_cast<double>(WrittenBytes(station.Pid()) - writtenBefore) / count;
            seconds = outcome.seconds;
            if (run == 1)
                state.counters["records_left"] =
                    static_cast<double>(FileRecords(dir.Path() / "AlarmDB.txt"));
        }
        state.SetIterationTime(seconds);
        state.counters["below_cpu_us"] = cpu[0];
        state.counters["at_limit_cpu_us"] = cpu[1];
        state.counters["ratio"] = cpu[1] / cpu[0];
        state.counters["below_written_B"] = written[0];
        state.counters["at_limit_written_B"] = written[1];
    }
}

// Scrapes /metrics on `port` until killed, every 100 ms: far more often than
// a monitoring server would, so that the scrapes' own cost shows.
pid_t StartScraper(int port)
{
    pid_t scraper = fork();
    if (scraper != 0)
        return scraper;
    const std::string request = "GET /metrics HTTP/1.1\r\n\r\n";
    for (;;) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
            send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0) {
            char buffer[4096];
            while (read(fd, buffer, sizeof buffer) > 0) {
            }
        }
        close(fd);
        usleep(100'000);
    }
}

// Metrics and the service manager's notifications on against off, in one
// run and interleaved (off, on, off, on): a burst over `conn` connections at
// `prio`, with the endpoint scraped every 100 ms and a watchdog of 2 s
// pinging a notify socket that nobody reads. CPU per alarm of each and their
// ratio.
void Monitoring(benchmark::State& state)
{
    const int connections = static_cast<int>(state.range(0));
    const int priority = static_cast<int>(state.range(1));
    constexpr int kRounds = 2;
    for (auto _ : state) {
        double cpu[2] = {};
        double seconds = 0;
        TempDir notify;
        std::string socketPath = (notify.Path() / "notify.sock").string();
        int sink = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
        bind(sink, reinterpret_cast<sockaddr*>(&address), sizeof address);
        for (int round = 0; round < 2 * kRounds; ++round) {
            bool on = round % 2 == 1;
            TempDir dir;
            PrepareFolder(dir.Path(), priority, 0, 0, Stored::Confirmed);
            StationProcess station;
            std::vector<std::string> options;
            std::vector<std::string> variables;
            if (on) {
                options = {"/metrics:127.0.0.1:0"};
                variables = {"NOTIFY_SOCKET=" + socketPath, "WATCHDOG_USEC=2000000"};
            }
            if (!station.Start(dir.Path(), options, variables)) {
                state.SkipWithError("the station did not start");
                return;
            }
            int port = station.WaitForPort();
            std::optional<std::string> metrics =
                on ? station.WaitForLine("Metrics on 127.0.0.1:") : std::string("0");
            pid_t scraper = on && metrics ? StartScraper(std::stoi(*metrics)) : -1;
            Outcome outcome;
            bool arrived = port > 0 && metrics &&
                           Drive(port, connections, kBurstTelegrams, 0, dir.Path() / "AlarmDB.txt",
                                 0, station.Pid(), outcome);
            if (scraper > 0) {
                kill(scraper, SIGKILL);
                waitpid(scraper, nullptr, 0);
            }
            if (!arrived) {
                state.SkipWithError("the telegrams did not all arrive");
                return;
            }
            cpu[on ? 1 : 0] += outcome.cpuMicros / kBurstTelegrams / kRounds;
            seconds += outcome.seconds;
        }
        close(sink);
        state.SetIterationTime(seconds);
        state.counters["off_cpu_us"] = cpu[0];
        state.counters["on_cpu_us"] = cpu[1];
        state.counters["ratio"] = cpu[1] / cpu[0];
    }
}

} // namespace

BENCHMARK(Burst)
    ->ArgNames({"conn", "prio", "records", "others", "stored"})
    ->Args({1, 5, 1'000, 0, 0})
    ->Args({10, 5, 1'000, 0, 0})
    ->Args({100, 5, 1'000, 0, 0})
    ->Args({1'000, 5, 1'000, 0, 0})
    ->Args({1, 0, 1'000, 0, 0})
    ->Args({10, 0, 1'000, 0, 0})
    ->Args({100, 0, 1'000, 0, 0})
    ->Args({1'000, 0, 1'000, 0, 0})
    ->Args({100, 5, 1'000, 999, 0})
    ->Args({100, 5, 1'000'000, 0, 0})
    ->Args({100, 5, 1'000'000, 0, 1})
    ->Args({100, 5, 1'000'000, 0, 2})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(Paced)
    ->ArgNames({"conn", "prio"})
    ->Args({1, 5})
    ->Args({10, 5})
    ->Args({100, 5})
    ->Args({10, 0})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(ForwardingTarget)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK(RelayChain)
    ->ArgNames({"conn"})
    ->Arg(5)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(Recorders)
    ->ArgNames({"recorders"})
    ->Arg(1'000)
    ->Arg(10'000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A tenth of the limit arrives between two deletions.
BENCHMARK(CountLimit)
    ->ArgNames({"limit", "alarms", "rate"})
    ->Args({5'000, 20'000, 2'000})
    ->Args({1'000'000, kMostTelegrams, 10'000})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(Monitoring)
    ->ArgNames({"conn", "prio"})
    ->Args({1, 5})
    ->Args({100, 5})
    ->Args({100, 0})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
