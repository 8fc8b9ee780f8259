// The station clock: wall time read once at a synchronisation and carried on
// by the steady counter, so that reading "now" is cheap and finer than the
// wall clock's updates, with a cross-check that notices a stepped wall clock.
#pragma once

#include "config/Timestamp.h"
#include "platform/ClockSource.h"

#include <cstdint>

class Clock {
public:
    explicit Clock(ClockSource& source);

    // Switches to another source and resynchronises at the next reading.
    void SetSource(ClockSource& source);

    // Milliseconds since 1601-01-01 00:00 UTC. Not strictly monotonic: it may
    // go back by up to kJitterToleranceMs, or by any amount when it
    // resynchronises with a wall clock that was set back.
    int64_t NowMs();
    // Now as a Timestamp: always a whole number of milliseconds.
    Timestamp Now() { return Timestamp::FromMs(NowMs()); }
    // The source's steady counter in microseconds, for measuring how long
    // something took; unrelated to the calendar.
    int64_t SteadyUs() { return m_source->MonotonicNs() / 1000; }

    static constexpr int64_t kJitterToleranceMs = 9;
    static constexpr int64_t kMaxDriftMs = 16;
    // How far the wall clock may read below its base before it counts as set back.
    static constexpr int64_t kTickSlackMs = 10;

private:
    int64_t Synchronise();

    ClockSource* m_source;
    bool m_counterAvailable = false;
    int64_t m_counterBase = 0;
    int64_t m_wallBaseMs = 0;
    int64_t m_tickBaseMs = 0;
    int64_t m_lastResultMs = 0;
};
