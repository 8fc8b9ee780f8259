// The sending side of station-to-station forwarding. While it exists, the
// station's sessions queue recorder telegrams here instead of decoding them;
// the client greets the other station and sends the queue one DATA message
// at a time, each after the previous ACKN. Its owner (the forwarding
// manager) drives it with Work and reconnects after OnLinkDown.
#pragma once

#include "net/ByteBuffer.h"
#include "net/ForwardMessage.h"
#include "net/ForwardQueueItem.h"
#include "net/TcpSocket.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

class Clock;
class ForwardingObserver;
class ForwardQueueJournal;
class SessionHub;
class SocketPump;
class TelegramSink;

enum class ForwardState { Idle = 0, Greeting = 1, KeepAlive = 2, AwaitingAckn = 3 };

class ForwardingClient final : public TcpSocket {
public:
    static constexpr int kDefaultPort = 30000;
    // A time-out is reached once (now - t) / 1000 exceeds this, at 6000 ms.
    static constexpr int64_t kTimeoutSeconds = 5;
    // A further telegram is decoded locally instead of queued.
    static constexpr size_t kMaxQueueLength = 100000;

    // With `sessions`, becomes their forwarding client; the hub must outlive
    // it. The clock times the time-outs.
    ForwardingClient(ForwardingObserver& observer, SocketPump& pump, Clock& clock,
                     SessionHub* sessions = nullptr);
    // Closes without sending what is queued, leaves the pump and stops being
    // the sessions' forwarding client.
    ~ForwardingClient() override;

    // A host name or dotted address, optionally followed by ":port".
    void SetHost(std::string_view host) { m_host = host; }
    const std::string& Host() const { return m_host; }

    // Starts a connect; one still in progress counts as success.
    [[nodiscard]] bool Connect();
    // Closes at once, dropping unsent output; the queue stays.
    void Disconnect();
    // Time-outs, keep-alive and sending the next telegram; called every 100 ms.
    void Work();

    // While held nothing new is sent; a telegram already sent still gets
    // its ACKN. A switch to another host waits for that ACKN, so the switch
    // sends nothing twice.
    void Hold(bool held) { m_held = held; }

    bool IsActive() const { return m_active; }
    ForwardState ProtocolState() const { return m_protocolState; }
    size_t QueueLength() const { return m_queue.size(); }
    // The code of the last reply that was not the expected one (1 to 5), or 0.
    int LastRaisedCode() const { return m_lastRaisedCode; }

    // Copies the telegram into the queue. False, and nothing queued, when
    // the queue is full.
    bool Enqueue(int count, const uint8_t* bytes, std::string_view originIp);
    // Decodes every queued telegram on this station, in order, until one
    // does not decode. Used when forwarding ends, so nothing is lost.
    bool ProcessQueueLocally(TelegramSink& sink);

    bool IsQueueEmpty() const { return m_queue.empty(); }
    // A copy of the oldest item; an empty item when the queue is empty.
    ForwardQueueItem QueueHead() const
    {
        return m_queue.empty() ? ForwardQueueItem{} : m_queue.front();
    }
    void PopQueueHead();

    // Told of every item added and removed from now on; null for none.
    void SetJournal(ForwardQueueJournal* journal) { m_journal = journal; }

    // The hub goes first.
    void LeaveSessions() { m_sessions = nullptr; }

    void OnReceive() override;
    void OnConnect() override;
    void OnClose(int code) override;

private:
    int64_t Now() const;
    bool TimedOut(int64_t since) const;
    void SendMessage(ForwardMessage& message);
    int HandleReply();
    // Sends the head of the queue when the other station waits for nothing.
    void SendHead();

    ForwardingObserver& m_observer;
    // Null once the pump is destroyed first.
    SocketPump* m_pump;
    int m_pumpHook = 0;
    SessionHub* m_sessions;
    Clock& m_clock;
    std::deque<ForwardQueueItem> m_queue;
    std::string m_host;
    int64_t m_sendTime = 0;
    int64_t m_receiveTime = 0;
    bool m_active = false;
    bool m_held = false;
    ForwardState m_protocolState = ForwardState::Idle;
    ByteBuffer m_buffer;
    ForwardMessage m_message;
    int m_lastRaisedCode = 0;
    ForwardQueueJournal* m_journal = nullptr;
};
