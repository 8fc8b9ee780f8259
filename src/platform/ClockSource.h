// Raw readings of the operating system's clocks. The station's own clock
// logic (drift checks, resynchronisation) is built on top of these, so tests
// can step either clock at will.
#pragma once

#include <cstdint>

class ClockSource {
public:
    virtual ~ClockSource() = default;

    // Steady clock in nanoseconds; never steps, unrelated to the calendar.
    virtual int64_t MonotonicNs() = 0;

    // Wall clock in microseconds since 1970-01-01 00:00 UTC; may be stepped.
    virtual int64_t RealtimeUs() = 0;
};

// The process-wide source reading CLOCK_MONOTONIC and CLOCK_REALTIME.
ClockSource& SystemClockSource();
