// Cost of the station clock, read for every telegram, alarm and timer tick,
// and of the local-time conversions behind every displayed date.
#include "config/Clock.h"
#include "config/Timestamp.h"

#include <benchmark/benchmark.h>

namespace {

Clock& SystemClock()
{
    static Clock clock(SystemClockSource());
    return clock;
}

void BM_Now(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(SystemClock().Now());
}
BENCHMARK(BM_Now);

void BM_ToLocalFields(benchmark::State& state)
{
    Timestamp stamp = SystemClock().Now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(stamp.ToLocalFields());
        stamp.Add(kOneSecondUs);
    }
}
BENCHMARK(BM_ToLocalFields);

void BM_FromLocalFields(benchmark::State& state)
{
    int second = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Timestamp::FromLocalFields(5, 3, 2006, 7, 8, second, 10));
        second = (second + 1) % 60;
    }
}
BENCHMARK(BM_FromLocalFields);

void BM_FormatStamp(benchmark::State& state)
{
    Timestamp stamp = SystemClock().Now();
    for (auto _ : state)
        benchmark::DoNotOptimize(stamp.FormatStamp());
}
BENCHMARK(BM_FormatStamp);

} // namespace
