// The station clock over a fake source: readings carried by the steady
// counter, tolerated jitter, and resynchronisation when the wall clock is set
// or the two clocks drift apart.
#include "config/Clock.h"

#include "testsupport/FakeClockSource.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kUnixEpochMs = 11'644'473'600'000;

class ClockTest : public ::testing::Test {
protected:
    // The wall clock in the station clock's form: milliseconds since 1601.
    int64_t WallMs() { return m_source.RealtimeUs() / 1000 + kUnixEpochMs; }

    FakeClockSource m_source{1'700'000'000'000'000};
    Clock m_clock{m_source};
};

TEST_F(ClockTest, FirstReadingIsTheWallClock)
{
    EXPECT_EQ(m_clock.NowMs(), WallMs());
}

TEST_F(ClockTest, WallClockIsCutToWholeMilliseconds)
{
    m_source.StepWallUs(999);
    EXPECT_EQ(m_clock.NowMs(), WallMs());
    EXPECT_EQ(m_clock.NowMs(), 1'700'000'000'000 + kUnixEpochMs);
}

TEST_F(ClockTest, ReadingsInTheSameMillisecondAreEqual)
{
    int64_t first = m_clock.NowMs();
    m_source.AdvanceUs(400);
    EXPECT_EQ(m_clock.NowMs(), first);
    m_source.AdvanceUs(500);
    EXPECT_EQ(m_clock.NowMs(), first);
    m_source.AdvanceUs(100);
    EXPECT_EQ(m_clock.NowMs(), first + 1);
}

TEST_F(ClockTest, SteadyCounterCarriesTheTimeBetweenSynchronisations)
{
    int64_t first = m_clock.NowMs();
    m_source.AdvanceMs(100);
    // A wall step too small to count as drift is not seen.
    m_source.StepWallUs(10'000);
    EXPECT_EQ(m_clock.NowMs(), first + 100);
}

TEST_F(ClockTest, WallClockSetBackByAnHourIsNoticedAtTheNextReading)
{
    m_clock.NowMs();
    m_source.AdvanceMs(50);
    m_clock.NowMs();
    m_source.StepWallUs(-3'600'000'000);
    EXPECT_EQ(m_clock.NowMs(), WallMs());
    m_source.AdvanceMs(5);
    EXPECT_EQ(m_clock.NowMs(), WallMs());
}

TEST_F(ClockTest, WallClockSetForwardIsNoticedAtTheNextReading)
{
    m_clock.NowMs();
    m_source.StepWallUs(3'600'000'000);
    EXPECT_EQ(m_clock.NowMs(), WallMs());
}

TEST_F(ClockTest, SmallBackwardJitterIsTolerated)
{
    m_clock.NowMs();
    m_source.AdvanceMs(100);
    int64_t reading = m_clock.NowMs();
    m_source.StepSteadyUs(-9'000);
    // The counter's value, not the wall clock's: no resynchronisation.
    EXPECT_EQ(m_clock.NowMs(), reading - 9);
}

TEST_F(ClockTest, BackwardJumpBeyondNineMillisecondsResynchronises)
{
    m_clock.NowMs();
    m_source.AdvanceMs(100);
    int64_t reading = m_clock.NowMs();
    m_source.StepSteadyUs(-10'000);
    EXPECT_EQ(m_clock.NowMs(), reading);
    EXPECT_EQ(reading, WallMs());
}

TEST_F(ClockTest, DriftBelowSixteenMillisecondsIsAccepted)
{
    int64_t first = m_clock.NowMs();
    m_source.StepSteadyUs(15'000);
    EXPECT_EQ(m_clock.NowMs(), first + 15);
}

TEST_F(ClockTest, DriftOfSixteenMillisecondsResynchronises)
{
    int64_t first = m_clock.NowMs();
    m_source.StepSteadyUs(16'000);
    EXPECT_EQ(m_clock.NowMs(), first);
    // Counting goes on from the new base.
    m_source.AdvanceMs(3);
    EXPECT_EQ(m_clock.NowMs(), first + 3);
}

TEST_F(ClockTest, WallClockRunningAheadOfTheCounterResynchronises)
{
    m_clock.NowMs();
    m_source.StepWallUs(16'000);
    EXPECT_EQ(m_clock.NowMs(), WallMs());
}

TEST_F(ClockTest, LongRunWithoutResynchronisationDoesNotOverflow)
{
    int64_t first = m_clock.NowMs();
    constexpr int64_t kTwoHundredDaysMs = 200LL * 86'400'000;
    m_source.AdvanceMs(kTwoHundredDaysMs);
    EXPECT_EQ(m_clock.NowMs(), first + kTwoHundredDaysMs);
}

TEST_F(ClockTest, NewSourceIsReadAtTheNextCall)
{
    m_clock.NowMs();
    FakeClockSource other(1'000'000'000'000'000);
    m_clock.SetSource(other);
    EXPECT_EQ(m_clock.NowMs(), 1'000'000'000'000 + kUnixEpochMs);
}

} // namespace
