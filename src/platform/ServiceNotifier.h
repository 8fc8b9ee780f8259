// The service manager's side channel (systemd's notify socket): readiness,
// a status line and the watchdog's pings. Outside a service manager every
// call does nothing.
#pragma once

#include <cstdint>
#include <string_view>

class ServiceNotifier {
public:
    virtual ~ServiceNotifier() = default;
    // Whether a service manager listens at all.
    virtual bool Listening() const = 0;
    // The watchdog's period in milliseconds, 0 when none is set for us.
    virtual int64_t WatchdogMs() const = 0;
    // Newline-separated assignments such as "READY=1".
    virtual void Notify(std::string_view state) = 0;
};

// sd_notify(3) from libsystemd, reading NOTIFY_SOCKET and WATCHDOG_USEC once.
ServiceNotifier& SystemServiceNotifier();
