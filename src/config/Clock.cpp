// The station clock's synchronisation and drift checks.
#include "config/Clock.h"

#include <cstdlib>

namespace {

// The steady clock counts nanoseconds.
constexpr int64_t kCounterFrequency = 1'000'000'000;
// Dividing by ticks per millisecond instead of multiplying by 1000 first: the
// product would overflow after some 106 days without a resynchronisation.
constexpr int64_t kCounterTicksPerMs = kCounterFrequency / 1000;
constexpr int64_t kUnixEpochMs = 11'644'473'600'000;

int64_t FloorDiv(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return value % divisor < 0 ? quotient - 1 : quotient;
}

} // namespace

Clock::Clock(ClockSource& source) : m_source(&source) {}

void Clock::SetSource(ClockSource& source)
{
    m_source = &source;
    m_counterAvailable = false;
}

int64_t Clock::Synchronise()
{
    m_counterAvailable = true;
    m_counterBase = m_source->MonotonicNs();
    int64_t wallMs = FloorDiv(m_source->RealtimeUs(), 1000);
    m_wallBaseMs = wallMs + kUnixEpochMs;
    m_tickBaseMs = wallMs;
    m_lastResultMs = m_wallBaseMs;
    return m_wallBaseMs;
}

int64_t Clock::NowMs()
{
    if (!m_counterAvailable)
        return Synchronise();

    int64_t elapsed = m_source->MonotonicNs() - m_counterBase;
    int64_t nowMs = m_wallBaseMs + FloorDiv(elapsed, kCounterTicksPerMs);
    if (nowMs < m_lastResultMs - kJitterToleranceMs)
        return Synchronise();
    m_lastResultMs = nowMs;

    // The wall clock stands in for the tick count: reading below its base
    // means it was set back, and a drift against the counter means it was
    // set (or slewed) since the last synchronisation.
    int64_t tickMs = FloorDiv(m_source->RealtimeUs(), 1000);
    if (tickMs < m_tickBaseMs - kTickSlackMs)
        return Synchronise();
    int64_t drift = (nowMs - m_wallBaseMs) - (tickMs - m_tickBaseMs);
    if (std::llabs(drift) >= kMaxDriftMs)
        return Synchronise();
    return nowMs;
}
