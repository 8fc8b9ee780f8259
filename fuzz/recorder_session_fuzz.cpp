// Fuzzes a station connection's parse loop with byte streams cut at
// arbitrary points, both on a station that decodes (and answers forwarding
// messages) and on one that forwards itself. The receive buffer stays
// bounded, only whole telegrams with a good checksum come out, and every
// reply is a well-formed RHLO or ACKN.
//
// Input: one mode byte (bit 0: the station forwards; bit 1: every second
// telegram comes from an unknown recorder), then chunks, each a length byte
// followed by that many bytes.
#include "DrainSocket.h"
#include "config/Clock.h"
#include "net/ForwardMessage.h"
#include "net/ForwardingClient.h"
#include "net/ForwardingObserver.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "net/TelegramHeader.h"
#include "net/TelegramSink.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kBufferBound =
    ForwardMessage::kHeaderSize + ForwardMessage::kMaxCount + RecorderSession::kReadSize;

void CheckTelegram(std::span<const uint8_t> telegram)
{
    if (telegram.size() < TelegramHeader::kSize ||
        !TelegramHeader::HasValidChecksum(telegram.data()))
        std::abort();
    TelegramHeader header = TelegramHeader::Read(telegram.data());
    if (header.kind != TelegramHeader::kAlarmKind ||
        header.payloadLength > TelegramHeader::kMaxPayload ||
        telegram.size() != TelegramHeader::kSize + header.payloadLength)
        std::abort();
}

class CheckingSink final : public TelegramSink {
public:
    explicit CheckingSink(bool alternateUnknown) : m_alternateUnknown(alternateUnknown) {}

    TelegramOutcome DecodeTelegram(std::span<const uint8_t> telegram, std::string_view) override
    {
        CheckTelegram(telegram);
        ++m_count;
        return m_alternateUnknown && m_count % 2 == 0 ? TelegramOutcome::UnknownRecorder
                                                      : TelegramOutcome::Decoded;
    }

private:
    bool m_alternateUnknown;
    int m_count = 0;
};

class NullObserver final : public ForwardingObserver {
public:
    void OnLinkDown() override {}
    void OnLinkUp() override {}
    void OnHostAccepted() override {}
    void OnHostRefused() override {}
    void OnAlarmQueued() override {}
    void OnAlarmForwarded() override {}
};

class Handle {
public:
    explicit Handle(int handle) : m_handle(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    int Get() const { return m_handle; }
    void Close()
    {
        if (m_handle >= 0)
            ::close(m_handle);
        m_handle = -1;
    }

private:
    int m_handle;
};

// Replies arrive whole: the session sends 88 bytes at a time.
void CheckReplies(int peer, std::string& pending)
{
    DrainSocket(peer, pending);
    while (pending.size() >= ForwardMessage::kHeaderSize) {
        ForwardMessage reply;
        ForwardType type = reply.Parse(reinterpret_cast<const uint8_t*>(pending.data()),
                                       ForwardMessage::kHeaderSize);
        if (type != ForwardType::Rhlo && type != ForwardType::Ackn)
            std::abort();
        pending.erase(0, ForwardMessage::kHeaderSize);
    }
}

void Drive(RecorderSession& session)
{
    while (session.IsOpen() && session.BytesAvailable() > 0) {
        session.OnReceive();
        if (session.BufferedBytes() > kBufferBound)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    bool forwards = (data[0] & 1) != 0;
    CheckingSink sink((data[0] & 2) != 0);
    SocketPump pump;
    SessionHub hub(pump);
    NullObserver observer;
    Clock clock(SystemClockSource());
    std::unique_ptr<ForwardingClient> client;
    if (forwards)
        client = std::make_unique<ForwardingClient>(observer, pump, clock, &hub);

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    Handle peer(pair[1]);
    auto session = std::make_unique<RecorderSession>(sink, &hub);
    session->SetOwner(&pump);
    session->AttachAccepted(pair[0]);

    std::string replies;
    size_t at = 1;
    while (at < size && session->IsOpen()) {
        size_t length = data[at++];
        if (length > size - at)
            length = size - at;
        if (length > 0 && ::send(peer.Get(), data + at, length, MSG_NOSIGNAL) < 0)
            break;
        at += length;
        Drive(*session);
        CheckReplies(peer.Get(), replies);
    }
    peer.Close();
    if (session->IsOpen())
        session->OnReceive();
    session->SetOwner(nullptr);

    if (client == nullptr)
        return 0;
    for (size_t i = 0; i < client->QueueLength(); ++i) {
        ForwardQueueItem item = client->QueueHead();
        CheckTelegram(item.bytes);
        client->PopQueueHead();
        client->Enqueue(item.count, item.bytes.data(), item.originIp);
    }
    // What was queued replays through the same loop.
    RecorderSession replay(sink, *client);
    replay.OnReceive();
    return 0;
}
