#include "platform/ServiceNotifier.h"

#include <cstdlib>
#include <string>

#include <systemd/sd-daemon.h>

namespace {

class SystemdNotifier final : public ServiceNotifier {
public:
    SystemdNotifier()
    {
        const char* socket = std::getenv("NOTIFY_SOCKET");
        m_listening = socket != nullptr && socket[0] != '\0';
        uint64_t usec = 0;
        // Also checks WATCHDOG_PID against this process.
        if (m_listening && sd_watchdog_enabled(0, &usec) > 0)
            m_watchdogMs = static_cast<int64_t>(usec / 1000);
    }

    bool Listening() const override { return m_listening; }
    int64_t WatchdogMs() const override { return m_watchdogMs; }

    void Notify(std::string_view state) override
    {
        if (!m_listening)
            return;
        std::string copy(state);
        sd_notify(0, copy.c_str());
    }

private:
    bool m_listening = false;
    int64_t m_watchdogMs = 0;
};

} // namespace

ServiceNotifier& SystemServiceNotifier()
{
    static SystemdNotifier notifier;
    return notifier;
}
