// Forwarded alarms per second from a relay to a target station over
// loopback, against the limit of the protocol: a bare stop-and-wait loop
// over one loopback connection with blocking sockets, a message of the
// same size out and an 88-byte answer back, measured in the same run. The
// target is a forked process with its own pump, listener and sessions (as
// a second station is); its sink only counts, so what is measured is the
// forwarding path (client, journal, manager, pump, session), not alarm
// handling. "of_bare" is the forwarding rate over the bare loop's rate;
// "of_polled" over a bare loop that waits in poll() like any loop that must
// never block on one socket.
#include "BenchSupport.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "links/ForwardingManager.h"
#include "net/ForwardMessage.h"
#include "net/ForwardingClient.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "net/TelegramHeader.h"
#include "net/TelegramSink.h"
#include "platform/Beeper.h"
#include "platform/BusyIndicator.h"
#include "platform/Prompt.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kBatch = 2000;
double g_bareRate = 0;
double g_polledRate = 0;

// How a bare loop waits: blocked in the read, or in poll() with the pump's
// interval as a station's loop must (it may never block on one socket).
enum class Wait { Blocking, Polled };

std::vector<uint8_t> Telegram()
{
    TelegramHeader header;
    header.typeCode = 10001;
    std::vector<uint8_t> payload(40, 0x41);
    return header.Encode(payload);
}

class CountingSink final : public TelegramSink {
public:
    TelegramOutcome DecodeTelegram(std::span<const uint8_t>, std::string_view) override
    {
        return TelegramOutcome::Decoded;
    }
};

class NullView final : public ForwardingView {
public:
    void Show(const ForwardingDisplay&) override {}
    void SetTimerRunning(bool) override {}
    void CountsChanged() override {}
};

class NullBeeper final : public Beeper {
public:
    void Tone(int, int) override {}
    void Beep(SystemBeep) override {}
};

// A child process that runs `serve` on an accepted or listening socket
// until killed.
class Child {
public:
    explicit Child(const std::function<void()>& serve)
    {
        std::fflush(stdout);
        m_pid = ::fork();
        if (m_pid == 0) {
            serve();
            ::_exit(0);
        }
    }
    ~Child()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

int ListenOnLoopback(int& port)
{
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(handle, 4);
    ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return handle;
}

bool Exactly(ssize_t (*io)(int, void*, size_t), int handle, uint8_t* bytes, size_t n)
{
    while (n > 0) {
        ssize_t done = io(handle, bytes, n);
        if (done <= 0)
            return false;
        bytes += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

ssize_t ReadSome(int handle, void* bytes, size_t n)
{
    return ::read(handle, bytes, n);
}

ssize_t PolledReadSome(int handle, void* bytes, size_t n)
{
    for (;;) {
        ssize_t done = ::recv(handle, bytes, n, MSG_DONTWAIT);
        if (done >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return done;
        pollfd wait{handle, POLLIN, 0};
        ::poll(&wait, 1, SocketPump::kIntervalMs);
    }
}

ssize_t WriteSome(int handle, void* bytes, size_t n)
{
    return ::write(handle, bytes, n);
}

void BareStopAndWait(benchmark::State& state, Wait wait)
{
    auto read = wait == Wait::Blocking ? ReadSome : PolledReadSome;
    std::vector<uint8_t> telegram = Telegram();
    ForwardMessage data;
    data.MakeData(telegram.data(), static_cast<int>(telegram.size()), "192.168.100.200");
    std::span<const uint8_t> encoded = data.Encode();
    std::vector<uint8_t> message(encoded.begin(), encoded.end());
    ForwardMessage ackn;
    ackn.MakeAckn("0.0.0.0");
    std::span<const uint8_t> answerBytes = ackn.Encode();
    std::vector<uint8_t> answer(answerBytes.begin(), answerBytes.end());

    int port = 0;
    int listener = ListenOnLoopback(port);
    Child echo([&] {
        int handle = ::accept(listener, nullptr, nullptr);
        std::vector<uint8_t> in(message.size());
        std::vector<uint8_t> out = answer;
        while (Exactly(read, handle, in.data(), in.size()) &&
               Exactly(WriteSome, handle, out.data(), out.size())) {
        }
    });
    ::close(listener);
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        state.SkipWithError("no connection");
        return;
    }
    std::vector<uint8_t> in(answer.size());
    int64_t items = 0;
    auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            if (!Exactly(WriteSome, handle, message.data(), message.size()) ||
                !Exactly(read, handle, in.data(), in.size())) {
                state.SkipWithError("echo ended");
                return;
            }
        }
        items += kBatch;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    ::close(handle);
    (wait == Wait::Blocking ? g_bareRate : g_polledRate) = static_cast<double>(items) / seconds;
    state.SetItemsProcessed(items);
}

void BM_BareStopAndWait(benchmark::State& state)
{
    BareStopAndWait(state, Wait::Blocking);
}

void BM_PolledStopAndWait(benchmark::State& state)
{
    BareStopAndWait(state, Wait::Polled);
}

void ForwardedAlarms(benchmark::State& state, bool journal)
{
    // The target tells its port through a pipe once it listens.
    int ready[2];
    if (::pipe(ready) != 0) {
        state.SkipWithError("no pipe");
        return;
    }
    Child target([&ready] {
        // A second station: its own pump, listener and sessions.
        int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(quiet, STDOUT_FILENO);
        CountingSink sink;
        SocketPump pump;
        SessionHub hub(pump);
        auto listener = std::make_unique<RecorderListener>(sink, hub);
        int listening = listener->Create() && listener->Listen(0) ? listener->LocalPort() : 0;
        (void)!::write(ready[1], &listening, sizeof listening);
        if (listening == 0)
            return;
        pump.Register(listener.release());
        pump.Run(PumpLoop::UntilStopped, PumpWait::Interval);
    });
    int port = 0;
    (void)!::read(ready[0], &port, sizeof port);
    ::close(ready[0]);
    ::close(ready[1]);

    int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    int saved = ::dup(STDOUT_FILENO);
    ::dup2(quiet, STDOUT_FILENO);
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("forwarding-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    NoPrompt prompt;
    NullBeeper beeper;
    NullView view;
    ConfigTree tree;
    tree.LoadDefaults(DefaultScript(), prompt);
    CountingSink local;
    SocketPump pump;
    Clock clock(SystemClockSource());
    std::vector<uint8_t> telegram = Telegram();
    int64_t items = 0;
    double seconds = 0;
    {
        ForwardingManager manager(ForwardingParts{tree, pump, local, prompt, beeper,
                                                  NoBusyIndicator(), clock,
                                                  journal ? folder : std::filesystem::path()},
                                  view);
        manager.Open();
        manager.SetHostText("127.0.0.1:" + std::to_string(port));
        manager.Start();
        for (int round = 0; round < 1000 && manager.State() != LinkState::Forwarding; ++round)
            pump.Run(PumpLoop::Once, PumpWait::Interval);
        if (manager.State() != LinkState::Forwarding) {
            state.SkipWithError("no link to the target");
        } else {
            ForwardingClient& client = *manager.Client();
            auto begin = std::chrono::steady_clock::now();
            for (auto _ : state) {
                for (int i = 0; i < kBatch; ++i)
                    client.Enqueue(static_cast<int>(telegram.size()), telegram.data(),
                                   "192.168.100.200");
                while (client.QueueLength() > 0 && manager.State() == LinkState::Forwarding)
                    pump.Run(PumpLoop::Once, PumpWait::Interval);
                items += kBatch;
            }
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            manager.Stop();
        }
    }
    std::filesystem::remove_all(folder);
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(quiet);
    state.SetItemsProcessed(items);
    if (g_bareRate > 0 && seconds > 0)
        state.counters["of_bare"] = static_cast<double>(items) / seconds / g_bareRate;
    if (g_polledRate > 0 && seconds > 0)
        state.counters["of_polled"] = static_cast<double>(items) / seconds / g_polledRate;
}

void BM_ForwardedWithJournal(benchmark::State& state)
{
    ForwardedAlarms(state, true);
}

void BM_ForwardedWithoutJournal(benchmark::State& state)
{
    ForwardedAlarms(state, false);
}

} // namespace

// Both sides of every loop share one CPU, so a round trip costs what the two
// processes compute and the kernel switches, not how the machine's other
// load schedules two CPUs; WARDEX_BENCH_TWO_CPUS=1 lets them spread.
int main(int argc, char** argv)
{
    if (std::getenv("WARDEX_BENCH_TWO_CPUS") == nullptr) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_setaffinity(0, sizeof one, &one);
    }
    benchmark::RegisterBenchmark("BareStopAndWait", BM_BareStopAndWait)->UseRealTime()->MinTime(2);
    benchmark::RegisterBenchmark("PolledStopAndWait", BM_PolledStopAndWait)
        ->UseRealTime()
        ->MinTime(2);
    benchmark::RegisterBenchmark("ForwardedWithJournal", BM_ForwardedWithJournal)
        ->UseRealTime()
        ->MinTime(2);
    benchmark::RegisterBenchmark("ForwardedWithoutJournal", BM_ForwardedWithoutJournal)
        ->UseRealTime()
        ->MinTime(2);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
