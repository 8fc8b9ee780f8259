#include "station/ServiceStatus.h"

#include "config/Clock.h"
#include "net/SocketPump.h"
#include "platform/ServiceNotifier.h"

#include <algorithm>
#include <utility>

ServiceStatus::ServiceStatus(ServiceNotifier& notifier, Clock& clock, Summary summary)
    : m_notifier(notifier), m_clock(clock), m_summary(std::move(summary))
{
}

ServiceStatus::~ServiceStatus()
{
    if (m_pump != nullptr)
        m_pump->RemoveHook(m_hook);
}

void ServiceStatus::Attach(SocketPump& pump)
{
    if (!m_notifier.Listening() || m_pump != nullptr)
        return;
    // Half the watchdog's period leaves a late round room; never more often
    // than once a second.
    int64_t watchdogMs = m_notifier.WatchdogMs();
    m_pingPeriodMs = watchdogMs > 0 ? std::max(kMinPingPeriodMs, watchdogMs / 2) : 0;
    m_pump = &pump;
    m_hook = pump.AddHook(
        {.round = [this] { Round(); }, .gone = [this] { m_pump = nullptr; }, .nested = true});
}

void ServiceStatus::Stopping()
{
    if (m_pump != nullptr)
        m_notifier.Notify("STOPPING=1\nSTATUS=Stopping");
}

void ServiceStatus::Round()
{
    // Steady time: a wall clock set back must not silence the pings.
    int64_t nowMs = m_clock.SteadyUs() / 1000;
    if (!m_ready) {
        m_ready = true;
        m_status = m_summary();
        m_lastStatusMs = nowMs;
        m_lastPingMs = nowMs;
        m_notifier.Notify("READY=1\nSTATUS=" + m_status +
                          (m_pingPeriodMs > 0 ? "\nWATCHDOG=1" : ""));
        return;
    }
    if (m_pingPeriodMs > 0 && nowMs - m_lastPingMs >= m_pingPeriodMs) {
        m_lastPingMs = nowMs;
        m_notifier.Notify("WATCHDOG=1");
    }
    if (nowMs - m_lastStatusMs < kStatusPeriodMs)
        return;
    m_lastStatusMs = nowMs;
    std::string status = m_summary();
    if (status == m_status)
        return;
    m_status = std::move(status);
    m_notifier.Notify("STATUS=" + m_status);
}
