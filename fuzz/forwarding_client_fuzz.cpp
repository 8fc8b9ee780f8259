// Fuzzes the forwarding client's handling of its upstream's replies: a
// scripted mix of reply bytes, queued telegrams and clock steps. The queue
// only shrinks by a DATA the other station acknowledged, the reply buffer
// stays bounded, and everything the client sends is a whole SHLO or DATA.
//
// Input: operations, each one byte: 0-2 mod 8 a chunk of reply bytes (a
// length byte, then that many), 3 a whole RHLO, 4 a whole ACKN, 5 a
// telegram queued, 6 a clock step of (byte >> 3) seconds and Work, 7 the
// other station closes.
#include "DrainSocket.h"
#include "config/Clock.h"
#include "net/ForwardMessage.h"
#include "net/ForwardingClient.h"
#include "net/ForwardingObserver.h"
#include "net/SocketPump.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace {

class CountingObserver final : public ForwardingObserver {
public:
    void OnLinkDown() override { up = false; }
    void OnLinkUp() override { up = true; }
    void OnHostAccepted() override {}
    void OnHostRefused() override {}
    void OnAlarmQueued() override {}
    void OnAlarmForwarded() override { ++forwarded; }

    bool up = false;
    size_t forwarded = 0;
};

// Moves only when the input says so.
class ManualClockSource final : public ClockSource {
public:
    int64_t MonotonicNs() override { return nowMs * 1'000'000; }
    int64_t RealtimeUs() override { return 1'700'000'000'000'000 + nowMs * 1000; }

    int64_t nowMs = 1'000'000;
};

// Takes what the client sent: whole SHLO and DATA messages only. Returns
// the count of DATA messages.
size_t TakeSent(int peer, std::string& pending)
{
    DrainSocket(peer, pending);
    size_t data = 0;
    while (pending.size() >= ForwardMessage::kHeaderSize) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(pending.data());
        int version = 0;
        int count = 0;
        if (!ForwardMessage::PeekHeader(bytes, pending.size(), version, count) || count < 0)
            std::abort();
        size_t whole = ForwardMessage::kHeaderSize + static_cast<size_t>(count);
        if (pending.size() < whole)
            break;
        ForwardMessage message;
        ForwardType type = message.Parse(bytes, whole);
        if (type != ForwardType::Shlo && type != ForwardType::Data)
            std::abort();
        data += type == ForwardType::Data ? 1 : 0;
        pending.erase(0, whole);
    }
    return data;
}

void SendReply(int peer, bool ackn)
{
    ForwardMessage reply;
    if (ackn)
        reply.MakeAckn("10.0.0.2");
    else
        reply.MakeRhlo("10.0.0.2");
    std::span<const uint8_t> bytes = reply.Encode();
    (void)::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    int peer = pair[1];
    ManualClockSource source;
    Clock clock(source);
    SocketPump pump;
    CountingObserver observer;
    ForwardingClient client(observer, pump, clock);
    client.AttachAccepted(pair[0]);
    pump.Register(&client);
    // The pump sees the socket writable: the client greets.
    (void)pump.Run(PumpLoop::Once, PumpWait::Poll);

    const uint8_t telegram[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    size_t queued = 0;
    size_t sentData = 0;
    std::string pending;
    size_t at = 0;
    while (at < size && client.IsOpen()) {
        uint8_t op = data[at++];
        switch (op % 8) {
        case 3:
        case 4:
            SendReply(peer, op % 8 == 4);
            break;
        case 5:
            queued += client.Enqueue(sizeof telegram, telegram, "10.0.0.1") ? 1 : 0;
            break;
        case 6:
            source.nowMs += int64_t{op >> 3} * 1000;
            client.Work();
            break;
        case 7:
            ::shutdown(peer, SHUT_WR);
            client.OnReceive();
            break;
        default: {
            size_t length = at < size ? data[at++] : 0;
            length = std::min(length, size - at);
            if (length > 0)
                (void)::send(peer, data + at, length, MSG_NOSIGNAL);
            at += length;
        }
        }
        while (client.IsOpen() && client.BytesAvailable() > 0)
            client.OnReceive();
        sentData += TakeSent(peer, pending);
        if (client.QueueLength() + observer.forwarded != queued || observer.forwarded > sentData ||
            client.LastRaisedCode() < 0 || client.LastRaisedCode() > 5)
            std::abort();
    }
    ::close(peer);
    return 0;
}
