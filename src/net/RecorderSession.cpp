// The receive loop of a station connection.
#include "net/RecorderSession.h"

#include "net/ConnectionGuard.h"
#include "net/ForwardingClient.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "net/TelegramSink.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kForwardMagic = "WARDEXFORWARD ";
constexpr std::string_view kNoAddress = "0.0.0.0";

} // namespace

RecorderSession::RecorderSession(TelegramSink& sink, SessionHub* hub)
    : m_sink(sink), m_hub(hub), m_guard(hub != nullptr ? &hub->Guard() : nullptr)
{
}

RecorderSession::RecorderSession(TelegramSink& sink, ForwardingClient& replaySource)
    : m_sink(sink), m_replaySource(&replaySource)
{
}

RecorderSession::~RecorderSession()
{
    if (m_guard != nullptr)
        m_guard->Account(m_accounted, 0);
}

void RecorderSession::LeaveHub()
{
    m_hub = nullptr;
    m_guard = nullptr;
}

void RecorderSession::MarkAccepted(int64_t nowMs)
{
    m_acceptedMs = nowMs;
    m_lastActivityMs = nowMs;
}

void RecorderSession::Drop()
{
    Close(CloseMode::Force);
    m_buffer.Release();
    m_partialSinceMs = 0;
    Account();
}

void RecorderSession::Account()
{
    if (m_guard == nullptr)
        return;
    size_t before = std::exchange(m_accounted, m_buffer.Capacity());
    if (before != m_accounted)
        m_guard->Account(before, m_accounted);
}

bool RecorderSession::AppendReceived(const uint8_t* bytes, size_t n)
{
    if (n == 0)
        return true;
    // Growth follows what arrived, doubling, so a telegram that comes in
    // many reads is not copied once per read; the announced length plays
    // no part.
    if (m_buffer.Capacity() - m_buffer.Length() < n &&
        !m_buffer.Reserve(std::max(n, m_buffer.Length())))
        return false;
    if (m_buffer.IsEmpty() && m_guard != nullptr)
        m_partialSinceMs = m_guard->NowMs();
    return m_buffer.Append(bytes, n) >= 0;
}

bool RecorderSession::WantsRead() const
{
    // A peer that sends requests without reading the replies is not read
    // from until it does; TCP then holds it back.
    return PendingOutput() < kMaxPendingOutput;
}

void RecorderSession::OnReceive()
{
    if (!IsReplay()) {
        uint8_t chunk[kReadSize];
        int received = Receive(chunk, sizeof chunk);
        if (received < 0) {
            Drop();
            return;
        }
        Account();
        if (received > 0 && m_guard != nullptr)
            m_lastActivityMs = m_guard->NowMs();
        if (!AppendReceived(chunk, static_cast<size_t>(received))) {
            Drop();
            return;
        }
    }
    // A nested pump round inside decoding only adds bytes; the outer loop
    // takes them.
    if (m_parsing)
        return;
    m_parsing = true;
    ParseLoop();
    m_parsing = false;
    if (m_buffer.IsEmpty()) {
        m_partialSinceMs = 0;
        if (m_buffer.Capacity() > kKeptCapacity)
            m_buffer.Release();
    }
    if (!IsReplay() && !IsOpen())
        m_buffer.Release();
    Account();
}

void RecorderSession::ParseLoop()
{
    std::string originIp;
    for (;;) {
        bool forwarded = false;
        bool taken = TakeTelegram();
        if (!taken) {
            Taken forward = TakeForwardMessage(originIp);
            // Whatever follows a message that got no telegram out is taken in
            // the same receive; leaving it for the next one would let a peer
            // that sends faster than that grow the buffer without end.
            if (forward == Taken::Consumed)
                continue;
            forwarded = forward == Taken::Telegram;
            taken = forwarded || TakeQueuedAlarm(originIp);
        }
        if (!taken)
            break;
        m_sentValid = true;
        bool stop = HandleTelegram(originIp);
        if (forwarded)
            Acknowledge();
        if (stop)
            break;
    }
    // Bytes that can never frame would otherwise pile up for as long as the
    // peer keeps sending; the recorder reconnects.
    if (!IsReplay() && IsFrontUnusable()) {
        if (m_hub != nullptr)
            ++m_hub->Refused().badChecksum;
        Close(CloseMode::Force);
    }
}

bool RecorderSession::HandleTelegram(const std::string& originIp)
{
    auto size = static_cast<int64_t>(m_telegram.size());
    if (m_header.kind != TelegramHeader::kAlarmKind) {
        m_buffer.Consume(size);
        return false;
    }
    std::string_view ip = originIp.empty() ? std::string_view(PeerText()) : originIp;
    ForwardingClient* client = IsReplay() || m_hub == nullptr ? nullptr : m_hub->Forwarding();
    // A full forwarding queue hands the telegram to local decoding.
    if (client != nullptr && client->Enqueue(static_cast<int>(size), m_telegram.data(), ip)) {
        m_buffer.Consume(size);
        return false;
    }
    TelegramOutcome outcome = m_sink.DecodeTelegram(m_telegram, ip);
    m_buffer.Consume(size);
    if (outcome == TelegramOutcome::UnknownRecorder && m_hub != nullptr && !IsReplay())
        ++m_hub->Refused().unknownRecorder;
    // A replay stops at an unknown recorder and leaves the rest queued; a
    // connection goes on for the same reason as in the parse loop.
    return outcome == TelegramOutcome::UnknownRecorder && IsReplay();
}

bool RecorderSession::TakeTelegram()
{
    size_t n = m_buffer.Length();
    const uint8_t* bytes = m_buffer.Data();
    if (n < TelegramHeader::kSize || !TelegramHeader::HasValidChecksum(bytes))
        return false;
    TelegramHeader header = TelegramHeader::Read(bytes);
    if (header.payloadLength > TelegramHeader::kMaxPayload ||
        n < TelegramHeader::kSize + header.payloadLength)
        return false;
    m_header = header;
    m_telegram.assign(bytes, bytes + TelegramHeader::kSize + header.payloadLength);
    return true;
}

RecorderSession::Taken RecorderSession::TakeForwardMessage(std::string& originIp)
{
    int version = 0;
    int count = 0;
    if (!ForwardMessage::PeekHeader(m_buffer.Data(), m_buffer.Length(), version, count) ||
        count < 0 || count > ForwardMessage::kMaxCount ||
        m_buffer.Length() < ForwardMessage::kHeaderSize + static_cast<size_t>(count))
        return Taken::Nothing;
    size_t size = ForwardMessage::kHeaderSize + static_cast<size_t>(count);
    m_message.Parse(m_buffer.Data(), size);
    m_buffer.Consume(static_cast<int64_t>(size));
    // A station that forwards itself takes no forwarded alarms; its silence
    // tells the sender so.
    if (HasForwardingClient())
        return Taken::Consumed;
    if (!m_message.IsInvalid() && !m_sink.AcceptsForwardingFrom(PeerText())) {
        if (m_hub != nullptr)
            ++m_hub->Refused().forwardingNotAllowed;
        if (!m_refusedReported) {
            std::printf("Forwarding from %s refused: not a listed forwarding station.\n",
                        PeerText().c_str());
            std::fflush(stdout);
        }
        m_refusedReported = true;
        return Taken::Consumed;
    }
    if (m_message.IsShlo()) {
        m_sentValid = true;
        Reply(ForwardType::Rhlo);
        return Taken::Consumed;
    }
    if (!m_message.IsData())
        return Taken::Consumed;
    std::span<const uint8_t> payload = m_message.Payload();
    if (!m_buffer.Prepend(payload.data(), payload.size())) {
        Close(CloseMode::Force);
        return Taken::Consumed;
    }
    originIp = m_message.OriginIp();
    if (TakeTelegram())
        return Taken::Telegram;
    // Nothing stored, so nothing to wait for: answered before unusable bytes
    // close the connection, or the sender would send them again and again.
    Reply(ForwardType::Ackn);
    return Taken::Consumed;
}

bool RecorderSession::TakeQueuedAlarm(std::string& originIp)
{
    if (m_replaySource == nullptr || m_replaySource->IsQueueEmpty())
        return false;
    ForwardQueueItem item = m_replaySource->QueueHead();
    if (m_buffer.Append(item.bytes.data(), item.bytes.size()) < 0)
        return false;
    originIp = item.originIp;
    m_replaySource->PopQueueHead();
    return TakeTelegram();
}

bool RecorderSession::IsFrontUnusable() const
{
    size_t n = m_buffer.Length();
    const uint8_t* bytes = m_buffer.Data();
    if (n == 0)
        return false;
    if (n >= TelegramHeader::kSize && TelegramHeader::HasValidChecksum(bytes))
        return TelegramHeader::Read(bytes).payloadLength > TelegramHeader::kMaxPayload;
    size_t prefix = std::min(n, kForwardMagic.size());
    if (std::memcmp(bytes, kForwardMagic.data(), prefix) == 0) {
        if (n < ForwardMessage::kHeaderSize)
            return false;
        int version = 0;
        int count = 0;
        if (!ForwardMessage::PeekHeader(bytes, n, version, count))
            return true;
        return count < 0 || count > ForwardMessage::kMaxCount;
    }
    // A header with a bad checksum.
    return n >= TelegramHeader::kSize;
}

bool RecorderSession::HasForwardingClient() const
{
    return m_hub != nullptr && m_hub->Forwarding() != nullptr;
}

void RecorderSession::Reply(ForwardType type)
{
    ForwardMessage reply;
    if (type == ForwardType::Rhlo)
        reply.MakeRhlo(kNoAddress);
    else
        reply.MakeAckn(kNoAddress);
    std::span<const uint8_t> bytes = reply.Encode();
    SendData(bytes.data(), bytes.size());
}

void RecorderSession::Acknowledge()
{
    SocketPump* pump = Owner();
    if (pump == nullptr || !pump->SyncsStore()) {
        Reply(ForwardType::Ackn);
        return;
    }
    ++m_acknsOwed;
    pump->AwaitStoreSync();
}

void RecorderSession::OnStoreSynced()
{
    for (; m_acknsOwed > 0; --m_acknsOwed)
        Reply(ForwardType::Ackn);
}

const std::string& RecorderSession::PeerText()
{
    // The peer of a connection never changes; asking the system once saves a
    // call per telegram.
    if (m_peerText.empty() || m_peerText == kNoAddress)
        m_peerText = PeerAddressText();
    return m_peerText;
}
