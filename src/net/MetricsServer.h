// The metrics endpoint on the station's own loop: a listener on one address
// and port whose connections each read one bounded request head, answer it
// and close. A peer that is slow, sends too much or opens too many
// connections costs a bounded amount and never holds up the loop: a
// connection gets kDeadlineMs from its accept to its last answered byte, at
// most kMaxConnections are open (more are accepted and closed at once), and
// the head is bounded by the reader.
#pragma once

#include "net/TcpSocket.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Clock;
class MetricsConnection;
class MetricsRegistry;
class SocketPump;
enum class HttpTarget;
enum class HttpVerdict;

class MetricsServer final : public TcpSocket {
public:
    static constexpr int kMaxConnections = 16;
    static constexpr int64_t kDeadlineMs = 5000;

    // What /health answers: true while the station serves its port.
    using HealthTest = std::function<bool()>;

    MetricsServer(MetricsRegistry& registry, Clock& clock, HealthTest health);
    ~MetricsServer() override;

    // Listens on address:port (port 0: any free one) and registers with the
    // pump, which then owns the server; false, with nothing registered, when
    // the address cannot be bound.
    [[nodiscard]] bool Start(SocketPump& pump, const std::string& address, int port);

    void OnAccept() override;

    int OpenConnections() const { return static_cast<int>(m_connections.size()); }
    // Requests answered, connections closed at once for the cap, and
    // connections closed at their deadline.
    uint64_t Answered() const { return m_answered; }
    uint64_t Refused() const { return m_refused; }
    uint64_t Expired() const { return m_expired; }

    // For a connection of this server.
    void Forget(MetricsConnection& connection);
    std::string AnswerTo(HttpVerdict verdict, HttpTarget target);

private:
    // Closes every connection whose deadline has passed.
    void Expire();
    static std::string Answer(int status, std::string_view reason, std::string_view type,
                              std::string_view body, bool allowGet);

    MetricsRegistry& m_registry;
    Clock& m_clock;
    HealthTest m_health;
    SocketPump* m_pump = nullptr;
    int m_hook = 0;
    std::vector<MetricsConnection*> m_connections;
    uint64_t m_answered = 0;
    uint64_t m_refused = 0;
    uint64_t m_expired = 0;
};
