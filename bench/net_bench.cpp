// Telegram throughput of the station's receive path: recorder connections
// over loopback through the pump and RecorderSession into a counting sink,
// against a raw baseline, a plain poll() loop over the very same connections
// that only reads (1024 bytes per readable event, like a session) and counts
// bytes. The traffic of a round is written untimed before the clock runs, so
// both measure only the receiving side. Rates are per CPU second of the
// benchmark thread (system time included), which other load on the machine
// does not distort.
#include "net/RecorderListener.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "net/TelegramHeader.h"
#include "net/TelegramSink.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTelegramsPerConnection = 64;
constexpr size_t kReadSize = 1024;

class CountingSink final : public TelegramSink {
public:
    TelegramOutcome DecodeTelegram(std::span<const uint8_t>, std::string_view) override
    {
        ++count;
        return TelegramOutcome::Decoded;
    }

    int64_t count = 0;
};

// The registry writes a trace line per connection; keep them out of the
// benchmark's report.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved;
};

void RaiseOpenFileLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

// A realistic alarm: header plus a small tagged payload, 48 bytes.
std::vector<uint8_t> Batch()
{
    TelegramHeader header;
    header.typeCode = 10001;
    std::vector<uint8_t> payload(30, 0x5a);
    std::vector<uint8_t> telegram = header.Encode(payload);
    std::vector<uint8_t> batch;
    for (int i = 0; i < kTelegramsPerConnection; ++i)
        batch.insert(batch.end(), telegram.begin(), telegram.end());
    return batch;
}

// N recorder connections accepted by a station's pump, kept for the whole run.
class Station {
public:
    explicit Station(int connections) : batch(Batch())
    {
        QuietStdout quiet;
        RaiseOpenFileLimit();
        auto listener = std::make_unique<RecorderListener>(sink, hub);
        if (!listener->Create() || !listener->Listen(0))
            std::abort();
        int port = listener->LocalPort();
        pump.Register(listener.release());
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < connections; ++i) {
            int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (handle < 0 ||
                ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                std::abort();
            recorders.push_back(handle);
        }
        while (Sessions().size() < recorders.size() || !AllConnected())
            pump.Run(PumpLoop::Once, PumpWait::Interval);
    }

    ~Station()
    {
        QuietStdout quiet;
        for (int handle : recorders)
            ::close(handle);
    }

    std::vector<RecorderSession*> Sessions() const
    {
        std::vector<RecorderSession*> sessions;
        for (TcpSocket* socket : pump.Sockets()) {
            if (auto* session = dynamic_cast<RecorderSession*>(socket))
                sessions.push_back(session);
        }
        return sessions;
    }

    bool AllConnected() const
    {
        for (RecorderSession* session : Sessions()) {
            if (session->State() != SocketState::Connected)
                return false;
        }
        return true;
    }

    // Every recorder sends one batch; loopback has it waiting at the station
    // when send returns.
    void SendRound()
    {
        for (int handle : recorders) {
            if (::send(handle, batch.data(), batch.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(batch.size()))
                std::abort();
        }
    }

    int64_t TelegramsPerRound() const
    {
        return static_cast<int64_t>(recorders.size()) * kTelegramsPerConnection;
    }

    CountingSink sink;
    SocketPump pump;
    SessionHub hub{pump};
    std::vector<int> recorders;
    std::vector<uint8_t> batch;
};

Station& StationWith(int connections)
{
    static std::map<int, std::unique_ptr<Station>> stations;
    auto& station = stations[connections];
    if (!station)
        station = std::make_unique<Station>(connections);
    return *station;
}

void BM_Sessions(benchmark::State& state)
{
    Station& station = StationWith(static_cast<int>(state.range(0)));
    int64_t telegrams = 0;
    for (auto _ : state) {
        state.PauseTiming();
        station.SendRound();
        int64_t target = station.sink.count + station.TelegramsPerRound();
        state.ResumeTiming();
        while (station.sink.count < target)
            station.pump.Run(PumpLoop::Once, PumpWait::Poll);
        telegrams += station.TelegramsPerRound();
    }
    state.counters["telegrams/s"] =
        benchmark::Counter(static_cast<double>(telegrams), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Sessions)->Arg(1)->Arg(10)->Arg(1000);

void BM_RawPoll(benchmark::State& state)
{
    Station& station = StationWith(static_cast<int>(state.range(0)));
    std::vector<pollfd> polled;
    for (RecorderSession* session : station.Sessions())
        polled.push_back({session->Handle(), POLLIN, 0});
    uint8_t chunk[kReadSize];
    int64_t bytes = 0;
    int64_t telegrams = 0;
    for (auto _ : state) {
        state.PauseTiming();
        station.SendRound();
        int64_t target = bytes + station.TelegramsPerRound() * 48;
        state.ResumeTiming();
        while (bytes < target) {
            if (::poll(polled.data(), polled.size(), 10) <= 0)
                continue;
            for (pollfd& entry : polled) {
                if ((entry.revents & POLLIN) == 0)
                    continue;
                ssize_t n = ::recv(entry.fd, chunk, sizeof chunk, 0);
                if (n > 0)
                    bytes += n;
            }
        }
        telegrams += station.TelegramsPerRound();
    }
    state.counters["telegrams/s"] =
        benchmark::Counter(static_cast<double>(telegrams), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RawPoll)->Arg(1)->Arg(10)->Arg(1000);

} // namespace
