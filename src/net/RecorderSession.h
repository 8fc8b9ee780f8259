// One accepted connection on the station's port. It frames recorder
// telegrams and hands each alarm telegram to the decoder, queues it for
// forwarding while this station forwards, and answers another station's
// forwarding messages: SHLO with RHLO, DATA with ACKN once its telegram is
// handled (stored, queued or dropped), so that the sender forgets nothing
// this station might still lose.
#pragma once

#include "net/ByteBuffer.h"
#include "net/ForwardMessage.h"
#include "net/TcpSocket.h"
#include "net/TelegramHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ConnectionGuard;
class ForwardingClient;
class SessionHub;
class TelegramSink;

class RecorderSession final : public TcpSocket {
public:
    // What one receive takes: a busy recorder's backlog in a few calls
    // instead of one call per 1 024 bytes.
    static constexpr size_t kReadSize = 16 * 1024;
    // Replies waiting for the peer to read them, beyond which the session
    // stops reading.
    static constexpr size_t kMaxPendingOutput = 64 * 1024;

    // A session for a connection accepted from a recorder or another
    // station; it reports to the hub's guard and forwards through the hub's
    // forwarding client, if given.
    explicit RecorderSession(TelegramSink& sink, SessionHub* hub = nullptr);
    // A session without a socket that decodes the telegrams still queued in
    // replaySource, in order, with their stored origin addresses.
    RecorderSession(TelegramSink& sink, ForwardingClient& replaySource);
    // Gives its receive buffer back to the guard.
    ~RecorderSession() override;

    void OnReceive() override;
    bool WantsRead() const override;
    // Sends the ACKNs that waited for the records to be durable.
    void OnStoreSynced() override;

    bool IsReplay() const { return m_replaySource != nullptr; }
    SessionHub* Hub() const { return m_hub; }
    // The hub goes first: from now on the session decodes locally.
    void LeaveHub();
    size_t BufferedBytes() const { return m_buffer.Length(); }
    size_t BufferCapacity() const { return m_buffer.Capacity(); }

    // What the connection guard weighs: when it was accepted, when bytes
    // last came, since when a partial telegram waits (0: none), and whether
    // anything valid arrived at all.
    void MarkAccepted(int64_t nowMs);
    int64_t AcceptedMs() const { return m_acceptedMs; }
    int64_t LastActivityMs() const { return m_lastActivityMs; }
    int64_t PartialSinceMs() const { return m_partialSinceMs; }
    bool HasSentValid() const { return m_sentValid; }
    // Closes at once and gives the buffered bytes back.
    void Drop();
    const std::string& PeerText();

    // A buffer emptied by the parse loop keeps at most this much storage.
    static constexpr size_t kKeptCapacity = 4096;

private:
    // What TakeForwardMessage got out of the buffer.
    enum class Taken { Nothing, Consumed, Telegram };

    void ParseLoop();
    // Queues, decodes or skips the telegram taken last and consumes it; true
    // when a replay must stop there.
    bool HandleTelegram(const std::string& originIp);
    bool TakeTelegram();
    Taken TakeForwardMessage(std::string& originIp);
    bool TakeQueuedAlarm(std::string& originIp);
    // Whether the front of the buffer can never become a telegram or a
    // forwarding message within the bounds.
    bool IsFrontUnusable() const;
    bool HasForwardingClient() const;
    void Reply(ForwardType type);
    // A forwarded telegram is handled: ACKN now, or after the store sync.
    void Acknowledge();
    bool AppendReceived(const uint8_t* bytes, size_t n);
    // Tells the guard what the buffer holds now.
    void Account();

    TelegramSink& m_sink;
    ForwardingClient* m_replaySource = nullptr;
    SessionHub* m_hub = nullptr;
    ByteBuffer m_buffer;
    // The telegram taken last: its header and a copy of its bytes.
    TelegramHeader m_header;
    std::vector<uint8_t> m_telegram;
    ForwardMessage m_message;
    std::string m_peerText;
    bool m_parsing = false;
    ConnectionGuard* m_guard = nullptr;
    size_t m_accounted = 0;
    int64_t m_acceptedMs = 0;
    int64_t m_lastActivityMs = 0;
    int64_t m_partialSinceMs = 0;
    bool m_sentValid = false;
    bool m_refusedReported = false;
    int m_acknsOwed = 0;
};
