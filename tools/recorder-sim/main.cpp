// The recorder simulator's entry point: one telegram, a heartbeat of test
// messages, a burst for load tests, or a relay's stream of forwarding
// messages, sent to a station over TCP.
#include "net/ForwardMessage.h"
#include "recorder-sim/SimOptions.h"
#include "recorder-sim/StationConnection.h"
#include "recorder-sim/TypePresets.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kExitNetwork = 1;
constexpr int kExitUsage = 2;
constexpr long kDefaultBurstCount = 1000;
// A relay gives up when the station has not answered a greeting for this long.
constexpr double kRelayPatienceSeconds = 30;

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int)
{
    stopRequested = 1;
}

StampFields LocalNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    StampFields stamp;
    stamp.day = static_cast<uint16_t>(local.tm_mday);
    stamp.month = static_cast<uint16_t>(local.tm_mon + 1);
    stamp.year = static_cast<uint16_t>(local.tm_year + 1900);
    stamp.hour = static_cast<uint16_t>(local.tm_hour);
    stamp.minute = static_cast<uint16_t>(local.tm_min);
    stamp.second = static_cast<uint16_t>(local.tm_sec);
    stamp.millisecond = static_cast<uint16_t>(now.tv_nsec / 1'000'000);
    return stamp;
}

double MonotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Sleeps until the monotonic clock reaches `deadline` seconds, or a signal
// asks to stop.
void SleepUntil(double deadline)
{
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadline);
    until.tv_nsec = static_cast<long>((deadline - std::floor(deadline)) * 1e9);
    while (!stopRequested &&
           clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

std::string Where(const SimOptions& options)
{
    std::string where = options.host + ":" + std::to_string(options.port);
    if (!options.bindAddress.empty())
        where += " from " + options.bindAddress;
    return where;
}

void Show(const std::vector<uint8_t>& telegram)
{
    auto u16 = [&](size_t at) { return telegram[at] | telegram[at + 1] << 8; };
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | u16(at + 2) << 16); };
    std::printf("kind %d, words %d %d, type %d, detail 0x%08X, payload %u bytes, checksum %d\n",
                u16(0), u16(2), u16(4), u16(6), u32(8), u32(12), u16(16));
    for (size_t i = 0; i < telegram.size(); ++i)
        std::printf("%02X%s", telegram[i], (i % 16 == 15 || i + 1 == telegram.size()) ? "\n" : " ");
}

std::string Describe(uint16_t typeCode)
{
    const TypePreset* preset = FindTypePreset(typeCode);
    return std::to_string(typeCode) + " (" +
           (preset != nullptr ? std::string(preset->description) : "unknown to recorders") + ")";
}

int WriteFile(const SimOptions& options, const std::vector<uint8_t>& telegram)
{
    std::ofstream out(options.outFile, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(telegram.data()),
              static_cast<std::streamsize>(telegram.size()));
    if (!out) {
        std::fprintf(stderr, "recorder-sim: cannot write %s\n", options.outFile.c_str());
        return kExitNetwork;
    }
    std::printf("wrote %s (%zu bytes) to %s\n", Describe(options.typeCode).c_str(), telegram.size(),
                options.outFile.c_str());
    return 0;
}

int Send(const SimOptions& options)
{
    std::string error;
    std::optional<std::vector<uint8_t>> telegram = BuildTelegram(options, LocalNow(), error);
    if (!telegram) {
        std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
        return kExitUsage;
    }
    if (options.show)
        Show(*telegram);
    if (!options.outFile.empty())
        return WriteFile(options, *telegram);
    StationConnection connection;
    if (!connection.Connect(options.host, options.port, options.bindAddress, error) ||
        !connection.SendAll(*telegram, error)) {
        std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
        return kExitNetwork;
    }
    std::printf("sent %s to %s, %zu bytes\n", Describe(options.typeCode).c_str(),
                Where(options).c_str(), telegram->size());
    return 0;
}

int Heartbeat(const SimOptions& options)
{
    int interval = options.intervalSeconds.value_or(options.everySeconds);
    std::printf("test messages to %s every %d s announcing %d s%s; Ctrl+C stops\n",
                Where(options).c_str(), options.everySeconds, interval,
                options.switchedOff ? ", switched off"
                : options.testOnly  ? ", test only"
                                    : "");
    StationConnection connection;
    double next = MonotonicSeconds();
    for (long sent = 0; !stopRequested && (options.count <= 0 || sent < options.count); ++sent) {
        if (sent > 0) {
            next += options.everySeconds;
            SleepUntil(next);
            if (stopRequested)
                break;
        }
        std::string error;
        std::vector<uint8_t> telegram = BuildTestMessage(options, LocalNow());
        if (options.show)
            Show(telegram);
        // A station that was restarted is simply connected to again.
        bool delivered = false;
        for (int attempt = 0; attempt < 2 && !delivered; ++attempt) {
            if (!connection.IsOpen() &&
                !connection.Connect(options.host, options.port, options.bindAddress, error))
                break;
            delivered = connection.SendAll(telegram, error);
        }
        StampFields now = LocalNow();
        if (!delivered) {
            std::fprintf(stderr, "%02d:%02d:%02d recorder-sim: %s\n", now.hour, now.minute,
                         now.second, error.c_str());
            continue;
        }
        std::printf("%02d:%02d:%02d test message sent\n", now.hour, now.minute, now.second);
        std::fflush(stdout);
    }
    return 0;
}

std::optional<std::vector<uint8_t>> NumberedTelegram(const SimOptions& options, long number,
                                                     std::string& error)
{
    if (!options.numbered)
        return BuildTelegram(options, LocalNow(), error);
    SimOptions numbered = options;
    numbered.detail = static_cast<uint32_t>(number);
    return BuildTelegram(numbered, LocalNow(), error);
}

int Burst(const SimOptions& options)
{
    long count = options.count < 0 ? kDefaultBurstCount : options.count;
    std::vector<StationConnection> connections(static_cast<size_t>(options.connections));
    std::string error;
    for (StationConnection& connection : connections) {
        if (!connection.Connect(options.host, options.port, options.bindAddress, error)) {
            std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
            return kExitNetwork;
        }
    }
    double start = MonotonicSeconds();
    long sent = 0;
    for (; sent < count && !stopRequested; ++sent) {
        if (options.rate > 0)
            SleepUntil(start + static_cast<double>(sent) / options.rate);
        std::optional<std::vector<uint8_t>> telegram = NumberedTelegram(options, sent, error);
        if (!telegram) {
            std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
            return kExitUsage;
        }
        StationConnection& connection = connections[static_cast<size_t>(sent) % connections.size()];
        if (!connection.SendAll(*telegram, error)) {
            std::fprintf(stderr, "recorder-sim: after %ld telegrams: %s\n", sent, error.c_str());
            return kExitNetwork;
        }
    }
    double seconds = MonotonicSeconds() - start;
    double achieved = seconds > 0 ? static_cast<double>(sent) / seconds : 0;
    std::printf("sent %ld telegrams of type %s over %d connection(s) to %s in %.3f s: "
                "%.0f telegrams/s\n",
                sent, Describe(options.typeCode).c_str(), options.connections,
                Where(options).c_str(), seconds, achieved);
    return 0;
}

// Sends `message` and reads one reply; true when it is of the expected type.
bool Exchange(StationConnection& connection, ForwardMessage& message, ForwardType expected,
              std::string& error)
{
    std::array<uint8_t, ForwardMessage::kHeaderSize> reply{};
    ForwardMessage answer;
    if (!connection.SendAll(message.Encode(), error) || !connection.ReceiveAll(reply, error))
        return false;
    if (answer.Parse(reply.data(), reply.size()) == expected)
        return true;
    error = "unexpected reply";
    connection.Close();
    return false;
}

// Stop-and-wait as a forwarding station: a telegram counts as delivered
// only with its ACKN, so one whose connection is lost goes again.
int Relay(const SimOptions& options)
{
    long count = options.count < 0 ? kDefaultBurstCount : options.count;
    long reconnects = 0;
    std::string error;
    StationConnection connection;
    ForwardMessage message;
    long sent = 0;
    double answered = MonotonicSeconds();
    while (sent < count && !stopRequested) {
        if (!connection.IsOpen()) {
            message.MakeShlo("0.0.0.0");
            if (!connection.Connect(options.host, options.port, options.bindAddress, error) ||
                !Exchange(connection, message, ForwardType::Rhlo, error)) {
                connection.Close();
                if (MonotonicSeconds() - answered > kRelayPatienceSeconds)
                    break;
                // A station that is starting again is asked a few times a second.
                SleepUntil(MonotonicSeconds() + 0.05);
                continue;
            }
            answered = MonotonicSeconds();
        }
        std::optional<std::vector<uint8_t>> telegram = NumberedTelegram(options, sent, error);
        if (!telegram) {
            std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
            return kExitUsage;
        }
        message.MakeData(telegram->data(), static_cast<int>(telegram->size()), options.origin);
        if (Exchange(connection, message, ForwardType::Ackn, error))
            ++sent;
        else
            ++reconnects;
    }
    std::printf("relayed %ld telegrams of type %s to %s, %ld connections lost\n", sent,
                Describe(options.typeCode).c_str(), Where(options).c_str(), reconnects);
    if (sent == count)
        return 0;
    std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
    return kExitNetwork;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "recorder-sim: %s\n", error.c_str());
        return kExitUsage;
    }
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    switch (options.mode) {
    case SimMode::Help:
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    case SimMode::Types:
        std::fputs(TypesText().c_str(), stdout);
        return 0;
    case SimMode::Send:
        return Send(options);
    case SimMode::Heartbeat:
        return Heartbeat(options);
    case SimMode::Burst:
        return Burst(options);
    case SimMode::Relay:
        return Relay(options);
    }
    return kExitUsage;
}
