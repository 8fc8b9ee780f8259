// Helpers for the network tests: pumping until a condition holds, a raw
// loopback peer that plays the other side, a listener for scripted peers,
// and sinks and observers that record what they were given.
#pragma once

#include "net/ForwardingObserver.h"
#include "net/SocketPump.h"
#include "net/TelegramHeader.h"
#include "net/TelegramSink.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Runs single pump rounds (each waiting up to 10 ms for events) until the
// condition holds. The cap only keeps a broken test from hanging.
bool PumpUntil(SocketPump& pump, const std::function<bool()>& condition, int maxRounds = 3000);
// The same over two pumps, a round of each in turn.
bool PumpBothUntil(SocketPump& first, SocketPump& second, const std::function<bool()>& condition,
                   int maxRounds = 3000);

std::vector<uint8_t> MakeTelegram(uint16_t typeCode, std::string_view payload = {},
                                  uint16_t kind = TelegramHeader::kAlarmKind);
std::vector<uint8_t> Bytes(std::string_view text);
std::vector<uint8_t> Join(std::initializer_list<std::span<const uint8_t>> parts);

// A plain connected socket on the test's side of a loopback connection.
class LoopbackPeer {
public:
    // Connects to 127.0.0.1:port, optionally from another loopback address.
    explicit LoopbackPeer(int port, const char* localAddress = nullptr);
    // Adopts a handle accepted by a RawListener.
    static LoopbackPeer Adopt(int handle);
    ~LoopbackPeer();
    LoopbackPeer(LoopbackPeer&& other) noexcept;
    LoopbackPeer& operator=(LoopbackPeer&&) = delete;
    LoopbackPeer(const LoopbackPeer&) = delete;

    bool IsConnected() const { return m_handle >= 0; }
    // Writes everything, waiting for room when the connection is full.
    void Send(std::span<const uint8_t> bytes);
    // Writes what fits without waiting; returns how much that was.
    size_t TrySend(std::span<const uint8_t> bytes);
    // Reads whatever has arrived without waiting; appends to Received().
    void ReadAvailable();
    const std::string& Received() const { return m_received; }
    std::string TakeReceived();
    // Whether the other side has closed (a read saw the end of the stream).
    bool SawEnd() const { return m_sawEnd; }
    void Close();

private:
    LoopbackPeer() = default;
    int m_handle = -1;
    std::string m_received;
    bool m_sawEnd = false;
};

// A raw listening socket on 127.0.0.1 with a system-chosen port.
class RawListener {
public:
    RawListener();
    ~RawListener();
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    int Port() const { return m_port; }
    // An accepted handle, or -1 when no connection is waiting.
    int TryAccept();

private:
    int m_handle = -1;
    int m_port = 0;
};

// A port on which nothing listens (bound once, then released).
int UnusedPort();

struct DeliveredTelegram {
    std::vector<uint8_t> bytes;
    std::string originIp;
};

class RecordingSink final : public TelegramSink {
public:
    TelegramOutcome DecodeTelegram(std::span<const uint8_t> telegram,
                                   std::string_view originIp) override;

    std::vector<DeliveredTelegram> delivered;
    // Outcomes to give, in order; Decoded once they run out.
    std::vector<TelegramOutcome> outcomes;
    // Runs inside DecodeTelegram, before it returns.
    std::function<void()> onDecode;
    // Addresses refused as forwarding stations.
    std::vector<std::string> refusedForwarders;
    bool AcceptsForwardingFrom(std::string_view peerAddress) override
    {
        return std::find(refusedForwarders.begin(), refusedForwarders.end(), peerAddress) ==
               refusedForwarders.end();
    }
};

class RecordingObserver final : public ForwardingObserver {
public:
    void OnLinkDown() override { events.push_back("LinkDown"); }
    void OnLinkUp() override { events.push_back("LinkUp"); }
    void OnHostAccepted() override { events.push_back("HostAccepted"); }
    void OnHostRefused() override { events.push_back("HostRefused"); }
    void OnAlarmQueued() override { events.push_back("AlarmQueued"); }
    void OnAlarmForwarded() override { events.push_back("AlarmForwarded"); }

    int Count(std::string_view event) const;
    bool Saw(std::string_view event) const { return Count(event) > 0; }

    std::vector<std::string> events;
};

// Raises the soft limit of open files to the hard limit; returns the new
// soft limit.
long RaiseOpenFileLimit();
