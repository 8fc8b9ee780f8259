// One accepted connection on the station's port. It frames recorder
// telegrams and hands each alarm telegram to the decoder, queues it for
// forwarding while this station forwards, and answers another station's
// forwarding messages (SHLO with RHLO, DATA with ACKN before decoding).
#pragma once

#include "core/net/ByteBuffer.h"
#include "core/net/ForwardMessage.h"
#include "core/net/TcpSocket.h"
#include "core/net/TelegramHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ForwardingClient;
class TelegramSink;

class RecorderSession final : public TcpSocket {
public:
    static constexpr size_t kReadSize = 1024;
    // Replies waiting for the peer to read them, beyond which the session
    // stops reading.
    static constexpr size_t kMaxPendingOutput = 64 * 1024;

    // A session for a connection accepted from a recorder or another station.
    explicit RecorderSession(TelegramSink& sink);
    // A session without a socket that decodes the telegrams still queued in
    // replaySource, in order, with their stored origin addresses.
    RecorderSession(TelegramSink& sink, ForwardingClient& replaySource);

    void OnReceive() override;
    bool WantsRead() const override;

    bool IsReplay() const { return m_replaySource != nullptr; }
    size_t BufferedBytes() const { return m_buffer.Length(); }

private:
    // What TakeForwardMessage got out of the buffer.
    enum class Taken { Nothing, Consumed, Telegram };

    void ParseLoop();
    bool TakeTelegram();
    Taken TakeForwardMessage(std::string& originIp);
    bool TakeQueuedAlarm(std::string& originIp);
    // Whether the front of the buffer can never become a telegram or a
    // forwarding message within the bounds.
    bool IsFrontUnusable() const;
    bool HasForwardingClient() const;
    void Reply(ForwardType type);
    const std::string& PeerText();

    TelegramSink& m_sink;
    ForwardingClient* m_replaySource = nullptr;
    ByteBuffer m_buffer;
    // The telegram taken last: its header and a copy of its bytes.
    TelegramHeader m_header;
    std::vector<uint8_t> m_telegram;
    ForwardMessage m_message;
    std::string m_peerText;
    bool m_parsing = false;
};
