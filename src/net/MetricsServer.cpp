#include "net/MetricsServer.h"

#include "config/Clock.h"
#include "net/HttpRequest.h"
#include "net/MetricsRegistry.h"
#include "net/SocketPump.h"

#include <algorithm>
#include <array>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kMetricsType = "text/plain; version=0.0.4; charset=utf-8";
constexpr std::string_view kPlainType = "text/plain; charset=utf-8";
// Reads per readiness: a peer that keeps sending cannot hold the loop.
constexpr int kReadsPerRound = 4;

} // namespace

// One request, one answer, then the connection closes.
class MetricsConnection final : public TcpSocket {
public:
    MetricsConnection(MetricsServer& server, int64_t deadlineMs)
        : m_server(&server), m_deadlineMs(deadlineMs)
    {
    }
    ~MetricsConnection() override
    {
        if (m_server != nullptr)
            m_server->Forget(*this);
    }
    MetricsConnection(const MetricsConnection&) = delete;
    MetricsConnection& operator=(const MetricsConnection&) = delete;

    void OnReceive() override
    {
        std::array<char, 2048> buffer{};
        for (int i = 0; i < kReadsPerRound && !m_answered; ++i) {
            int n = Receive(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
            if (n <= 0)
                return;
            HttpVerdict verdict = m_reader.Feed(std::span<const char>(buffer.data(), n));
            if (verdict != HttpVerdict::Incomplete)
                Respond(verdict);
        }
    }

    // A peer that closed its side after the request still gets the answer.
    void OnClose(int code) override
    {
        if (code == kPeerClosed && m_answered && HasPendingOutput()) {
            Close(CloseMode::Graceful);
            return;
        }
        TcpSocket::OnClose(code);
    }

    bool WantsRead() const override { return !m_answered; }

    int64_t DeadlineMs() const { return m_deadlineMs; }
    void LeaveServer() { m_server = nullptr; }

private:
    void Respond(HttpVerdict verdict)
    {
        m_answered = true;
        if (m_server == nullptr) {
            Close(CloseMode::Force);
            return;
        }
        std::string answer = m_server->AnswerTo(verdict, m_reader.Target());
        SendData(reinterpret_cast<const uint8_t*>(answer.data()), answer.size());
        Close(CloseMode::Graceful);
    }

    MetricsServer* m_server;
    int64_t m_deadlineMs;
    HttpRequestReader m_reader;
    bool m_answered = false;
};

MetricsServer::MetricsServer(MetricsRegistry& registry, Clock& clock, HealthTest health)
    : m_registry(registry), m_clock(clock), m_health(std::move(health))
{
}

MetricsServer::~MetricsServer()
{
    for (MetricsConnection* connection : m_connections)
        connection->LeaveServer();
    if (m_pump != nullptr)
        m_pump->RemoveHook(m_hook);
}

bool MetricsServer::Start(SocketPump& pump, const std::string& address, int port)
{
    if (!Create() || !Listen(port, address))
        return false;
    m_pump = &pump;
    m_hook = pump.AddHook({.round = [this] { Expire(); }, .gone = [this] { m_pump = nullptr; }});
    pump.Register(this);
    return true;
}

void MetricsServer::OnAccept()
{
    SocketPump* pump = Owner();
    if (pump == nullptr)
        return;
    auto connection = std::make_unique<MetricsConnection>(*this, m_clock.NowMs() + kDeadlineMs);
    connection->SetOwner(pump);
    connection->SetTraced(false);
    if (Accept(connection.get()) == kNoHandle || !connection->IsOpen())
        return;
    // Taken off the backlog and closed: a flood of connections fills
    // neither the backlog nor the descriptor table.
    if (static_cast<int>(m_connections.size()) >= kMaxConnections) {
        ++m_refused;
        connection->LeaveServer();
        connection->Close(CloseMode::Force);
        return;
    }
    m_connections.push_back(connection.get());
    pump->Register(connection.release());
}

void MetricsServer::Expire()
{
    if (m_connections.empty())
        return;
    int64_t now = m_clock.NowMs();
    // Closing leaves the connection in place until the pump deletes it.
    for (MetricsConnection* connection : m_connections) {
        if (connection->IsOpen() && now >= connection->DeadlineMs()) {
            ++m_expired;
            connection->Close(CloseMode::Force);
        }
    }
}

void MetricsServer::Forget(MetricsConnection& connection)
{
    std::erase(m_connections, &connection);
}

std::string MetricsServer::AnswerTo(HttpVerdict verdict, HttpTarget target)
{
    ++m_answered;
    if (verdict != HttpVerdict::Serve) {
        std::string_view reason = HttpRequestReader::Reason(verdict);
        std::string body = std::string(reason) + "\n";
        return Answer(HttpRequestReader::StatusCode(verdict), reason, kPlainType, body,
                      verdict == HttpVerdict::MethodNotAllowed);
    }
    if (target == HttpTarget::Health) {
        bool healthy = !m_health || m_health();
        return healthy ? Answer(200, "OK", kPlainType, "OK\n", false)
                       : Answer(503, "Service Unavailable", kPlainType, "not serving\n", false);
    }
    return Answer(200, "OK", kMetricsType, m_registry.Render(), false);
}

std::string MetricsServer::Answer(int status, std::string_view reason, std::string_view type,
                                  std::string_view body, bool allowGet)
{
    std::string text = "HTTP/1.1 " + std::to_string(status) + " ";
    text.append(reason).append("\r\nContent-Type: ").append(type);
    text.append("\r\nContent-Length: ").append(std::to_string(body.size()));
    if (allowGet)
        text.append("\r\nAllow: GET");
    text.append("\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n").append(body);
    return text;
}
