#include "platform/ClockSource.h"

#include <gtest/gtest.h>

TEST(SystemClockSource, SteadyClockNeverGoesBack)
{
    ClockSource& clock = SystemClockSource();
    int64_t previous = clock.MonotonicNs();
    for (int i = 0; i < 1000; ++i) {
        int64_t now = clock.MonotonicNs();
        EXPECT_GE(now, previous);
        previous = now;
    }
}

TEST(SystemClockSource, WallClockIsAfter2020)
{
    EXPECT_GT(SystemClockSource().RealtimeUs(), int64_t{1'577'836'800} * 1'000'000);
}
