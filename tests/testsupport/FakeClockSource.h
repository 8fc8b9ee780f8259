// A clock source that moves only when a test says so. The steady and the
// wall clock advance together unless a test steps the wall clock alone.
#pragma once

#include "platform/ClockSource.h"

class FakeClockSource final : public ClockSource {
public:
    explicit FakeClockSource(int64_t realtimeUs = 1'700'000'000'000'000) : m_realtimeUs(realtimeUs)
    {
    }

    int64_t MonotonicNs() override { return m_monotonicNs; }
    int64_t RealtimeUs() override { return m_realtimeUs; }

    void AdvanceMs(int64_t ms) { AdvanceUs(ms * 1000); }
    void AdvanceUs(int64_t us)
    {
        m_monotonicNs += us * 1000;
        m_realtimeUs += us;
    }
    // Sets the system clock like an administrator would: the steady clock
    // does not notice.
    void StepWallUs(int64_t us) { m_realtimeUs += us; }
    // Moves the steady clock alone, forward or back, as counter jitter or a
    // wall clock that is slewed would look.
    void StepSteadyUs(int64_t us) { m_monotonicNs += us * 1000; }

private:
    int64_t m_monotonicNs = 5'000'000'000;
    int64_t m_realtimeUs;
};
