// What a service manager hears from the station: READY=1 in the first round
// of the loop (the port is listened on by then), STATUS= with a one-line
// summary whenever it reads differently (looked at once a second), and
// WATCHDOG=1 from the loop at most once a second when a watchdog is set, so
// that a loop that hangs is restarted. The pings also come from the rounds
// a dialog's loop serves. Outside a service manager nothing is attached.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class Clock;
class ServiceNotifier;
class SocketPump;

class ServiceStatus {
public:
    using Summary = std::function<std::string()>;
    static constexpr int64_t kStatusPeriodMs = 1000;
    static constexpr int64_t kMinPingPeriodMs = 1000;

    ServiceStatus(ServiceNotifier& notifier, Clock& clock, Summary summary);
    ~ServiceStatus();
    ServiceStatus(const ServiceStatus&) = delete;
    ServiceStatus& operator=(const ServiceStatus&) = delete;

    // Does nothing when no service manager listens.
    void Attach(SocketPump& pump);
    // The orderly end begins.
    void Stopping();

private:
    void Round();

    ServiceNotifier& m_notifier;
    Clock& m_clock;
    Summary m_summary;
    SocketPump* m_pump = nullptr;
    int m_hook = 0;
    bool m_ready = false;
    int64_t m_pingPeriodMs = 0;
    int64_t m_lastPingMs = 0;
    int64_t m_lastStatusMs = 0;
    std::string m_status;
};
