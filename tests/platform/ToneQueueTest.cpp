// Tone synthesis: lengths, pitch, order, silence after the queue, limits.
#include "platform/ToneQueue.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

// Sign changes from negative to non-negative: one per period.
int RisingCrossings(const std::vector<int16_t>& samples, size_t from, size_t to)
{
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0)
            ++crossings;
    }
    return crossings;
}

} // namespace

TEST(ToneQueue, TonesPlayInOrderWithTheirLengthAndPitchThenSilence)
{
    ToneQueue queue(8000);
    queue.Add(250, 200);
    queue.Add(1000, 100);
    std::vector<int16_t> samples(4000, 123);
    EXPECT_EQ(queue.Render(samples), 2400u);
    EXPECT_TRUE(queue.Idle());
    EXPECT_NEAR(RisingCrossings(samples, 0, 1600), 50, 1);
    EXPECT_NEAR(RisingCrossings(samples, 1600, 2400), 100, 1);
    for (size_t i = 2400; i < samples.size(); ++i)
        ASSERT_EQ(samples[i], 0) << i;
}

TEST(ToneQueue, ATonesSpansSeveralRenderCalls)
{
    ToneQueue queue(8000);
    queue.Add(500, 100); // 800 frames
    std::vector<int16_t> chunk(300);
    EXPECT_EQ(queue.Render(chunk), 300u);
    EXPECT_EQ(queue.Render(chunk), 300u);
    EXPECT_FALSE(queue.Idle());
    EXPECT_EQ(queue.Render(chunk), 200u);
    EXPECT_TRUE(queue.Idle());
}

TEST(ToneQueue, ThreeBeepsOfAThirdEach)
{
    ToneQueue queue(22050);
    for (int frequency : {250, 500, 1000})
        queue.Add(frequency, 200 / 3);
    std::vector<int16_t> samples(22050);
    EXPECT_EQ(queue.Render(samples), 3u * (66 * 22050 / 1000));
}

TEST(ToneQueue, InvalidTonesAndFloodsAreDropped)
{
    ToneQueue queue(8000);
    queue.Add(0, 100);
    queue.Add(440, 0);
    queue.Add(-5, 100);
    queue.Add(4000, 100); // at the Nyquist limit
    EXPECT_TRUE(queue.Idle());
    for (int i = 0; i < 1000; ++i)
        queue.Add(440, 100);
    std::vector<int16_t> samples(8000 * 20);
    EXPECT_EQ(queue.Render(samples), static_cast<size_t>(ToneQueue::kMaxQueuedMs * 8));
}

TEST(ToneQueue, StaysWithinTheSampleRange)
{
    ToneQueue queue(44100);
    queue.Add(3000, 50);
    std::vector<int16_t> samples(44100 / 10);
    queue.Render(samples);
    int peak = 0;
    for (int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 5000);
    EXPECT_LT(peak, 12000);
}
