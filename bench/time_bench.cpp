// Cost of the station clock, read for every telegram, alarm and timer tick,
// and of the local-time conversions behind every displayed date.
#include "config/Timestamp.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Now(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Timestamp::Now());
}
BENCHMARK(BM_Now);

void BM_ToLocalFields(benchmark::State& state)
{
    Timestamp stamp = Timestamp::Now();
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
    Timestamp stamp = Timestamp::Now();
    for (auto _ : state)
        benchmark::DoNotOptimize(stamp.FormatStamp());
}
BENCHMARK(BM_FormatStamp);

} // namespace
