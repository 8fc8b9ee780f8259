// The station clock on a fake source, as a test hands it to what it builds;
// the test moves it through `source`.
#pragma once

#include "config/Clock.h"
#include "testsupport/FakeClockSource.h"

struct FakeClock {
    explicit FakeClock(int64_t realtimeUs = 1'700'000'000'000'000) : source(realtimeUs) {}
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    operator Clock&() { return clock; }
    int64_t NowMs() { return clock.NowMs(); }
    Timestamp Now() { return clock.Now(); }

    FakeClockSource source;
    Clock clock{source};
};
