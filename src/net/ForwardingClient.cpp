// The forwarding client's connection, protocol states and queue.
#include "net/ForwardingClient.h"

#include "config/Clock.h"
#include "net/ForwardQueueJournal.h"
#include "net/ForwardingObserver.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"

#include <charconv>
#include <utility>

namespace {

constexpr std::string_view kNoAddress = "0.0.0.0";

// Splits "host:port"; a text without a numeric port suffix is all host.
std::pair<std::string, int> SplitHost(const std::string& text)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size())
        return {text, ForwardingClient::kDefaultPort};
    int port = 0;
    const char* first = text.data() + colon + 1;
    const char* last = text.data() + text.size();
    auto [end, error] = std::from_chars(first, last, port);
    if (error != std::errc() || end != last)
        return {text, ForwardingClient::kDefaultPort};
    return {text.substr(0, colon), port};
}

} // namespace

ForwardingClient::ForwardingClient(ForwardingObserver& observer, SocketPump& pump, Clock& clock,
                                   SessionHub* sessions)
    : m_observer(observer), m_pump(&pump), m_sessions(sessions), m_clock(clock)
{
    SetAutoDelete(AutoDelete::No);
    m_pumpHook = pump.AddHook({.round = {}, .gone = [this] { m_pump = nullptr; }});
    if (m_sessions != nullptr)
        m_sessions->SetForwarding(this);
}

ForwardingClient::~ForwardingClient()
{
    Close(CloseMode::Force);
    if (m_sessions != nullptr && m_sessions->Forwarding() == this)
        m_sessions->SetForwarding(nullptr);
    if (m_pump == nullptr)
        return;
    m_pump->Unregister(this);
    m_pump->RemoveHook(m_pumpHook);
}

bool ForwardingClient::Connect()
{
    m_active = true;
    m_protocolState = ForwardState::Idle;
    m_sendTime = m_receiveTime = Now();
    // Bytes left from an earlier connection would spoil the first reply.
    m_buffer.Clear();
    if (m_pump == nullptr) {
        m_active = false;
        return false;
    }
    auto [host, port] = SplitHost(m_host);
    if (!Create() || !ConnectTo(host, port)) {
        Close(CloseMode::Force);
        m_active = false;
        return false;
    }
    m_pump->Register(this);
    return true;
}

void ForwardingClient::Disconnect()
{
    m_protocolState = ForwardState::Idle;
    Close(CloseMode::Force);
    if (m_pump != nullptr)
        m_pump->Unregister(this);
    m_active = false;
}

void ForwardingClient::Work()
{
    if (State() != SocketState::Connected)
        return;
    ForwardMessage message;
    switch (m_protocolState) {
    case ForwardState::Idle:
        if (TimedOut(m_receiveTime)) {
            message.MakeShlo(kNoAddress);
            SendMessage(message);
            m_sendTime = Now();
            m_protocolState = ForwardState::KeepAlive;
            return;
        }
        SendHead();
        return;
    case ForwardState::Greeting:
        if (!TimedOut(m_sendTime))
            return;
        m_observer.OnHostRefused();
        Disconnect();
        m_observer.OnLinkDown();
        return;
    case ForwardState::KeepAlive:
        if (!TimedOut(m_sendTime))
            return;
        Disconnect();
        m_observer.OnLinkDown();
        return;
    case ForwardState::AwaitingAckn:
        if (!TimedOut(m_receiveTime))
            return;
        Disconnect();
        m_observer.OnLinkDown();
        return;
    }
}

bool ForwardingClient::Enqueue(int count, const uint8_t* bytes, std::string_view originIp)
{
    if (m_queue.size() >= kMaxQueueLength || count < 0 || (count > 0 && bytes == nullptr))
        return false;
    ForwardQueueItem item;
    item.count = count;
    item.bytes.assign(bytes, bytes + count);
    item.originIp = originIp;
    m_queue.push_back(std::move(item));
    if (m_journal != nullptr)
        m_journal->Appended(m_queue.back());
    m_observer.OnAlarmQueued();
    // An idle link sends at once instead of on the next Work.
    if (State() == SocketState::Connected && m_protocolState == ForwardState::Idle)
        SendHead();
    return true;
}

bool ForwardingClient::ProcessQueueLocally(TelegramSink& sink)
{
    if (m_queue.empty())
        return true;
    RecorderSession session(sink, *this);
    session.SetAutoDelete(AutoDelete::No);
    SocketPump* pump = m_pump;
    if (pump != nullptr)
        pump->Register(&session);
    session.OnReceive();
    if (pump != nullptr)
        pump->Unregister(&session);
    return true;
}

void ForwardingClient::PopQueueHead()
{
    if (m_queue.empty())
        return;
    m_queue.pop_front();
    if (m_journal != nullptr)
        m_journal->HeadRemoved();
}

void ForwardingClient::OnReceive()
{
    m_receiveTime = Now();
    uint8_t chunk[1024];
    int received = Receive(chunk, sizeof chunk);
    if (received < 0)
        return;
    if (m_buffer.Append(chunk, static_cast<size_t>(received)) < 0) {
        m_buffer.Clear();
        return;
    }
    if (m_buffer.Length() < ForwardMessage::kHeaderSize)
        return;
    int version = 0;
    int count = 0;
    if (!ForwardMessage::PeekHeader(m_buffer.Data(), m_buffer.Length(), version, count)) {
        m_buffer.Clear();
        return;
    }
    m_message.Parse(m_buffer.Data(), m_buffer.Length());
    int code = HandleReply();
    if (code == 0)
        return;
    // Every unexpected reply recovers the same way: the connection and the
    // queue stay, and a later Work sends the head again.
    m_lastRaisedCode = code;
    m_protocolState = ForwardState::Idle;
    m_buffer.Clear();
}

void ForwardingClient::OnConnect()
{
    m_observer.OnLinkUp();
    m_protocolState = ForwardState::Greeting;
    ForwardMessage greeting;
    greeting.MakeShlo(kNoAddress);
    SendMessage(greeting);
    m_sendTime = Now();
}

void ForwardingClient::OnClose(int code)
{
    SetLastError(code);
    Disconnect();
    m_observer.OnLinkDown();
}

int64_t ForwardingClient::Now() const
{
    return m_clock.NowMs();
}

bool ForwardingClient::TimedOut(int64_t since) const
{
    return (Now() - since) / 1000 > kTimeoutSeconds;
}

void ForwardingClient::SendMessage(ForwardMessage& message)
{
    std::span<const uint8_t> bytes = message.Encode();
    SendData(bytes.data(), bytes.size());
}

void ForwardingClient::SendHead()
{
    if (m_queue.empty() || m_held)
        return;
    ForwardMessage message;
    const ForwardQueueItem& head = m_queue.front();
    message.MakeData(head.bytes.data(), head.count, head.originIp);
    SendMessage(message);
    m_sendTime = Now();
    m_protocolState = ForwardState::AwaitingAckn;
}

int ForwardingClient::HandleReply()
{
    if (m_message.IsInvalid())
        return 1;
    switch (m_protocolState) {
    case ForwardState::Greeting:
        if (!m_message.IsRhlo())
            return 3;
        m_observer.OnHostAccepted();
        m_protocolState = ForwardState::Idle;
        m_buffer.Consume(static_cast<int64_t>(m_message.Length()));
        if (State() == SocketState::Connected && m_protocolState == ForwardState::Idle)
            SendHead();
        return 0;
    case ForwardState::KeepAlive:
        if (!m_message.IsRhlo())
            return 2;
        m_protocolState = ForwardState::Idle;
        m_buffer.Consume(static_cast<int64_t>(m_message.Length()));
        return 0;
    case ForwardState::AwaitingAckn:
        if (!m_message.IsAckn())
            return 4;
        PopQueueHead();
        m_protocolState = ForwardState::Idle;
        m_buffer.Consume(static_cast<int64_t>(m_message.Length()));
        m_observer.OnAlarmForwarded();
        // The next telegram goes out with this ACKN's arrival, not with the
        // next Work: the link, not the timer, sets the pace.
        if (State() == SocketState::Connected && m_protocolState == ForwardState::Idle)
            SendHead();
        return 0;
    case ForwardState::Idle:
        break;
    }
    return 5;
}
