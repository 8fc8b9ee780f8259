// The bar diagram's and the trend's counts over 250 000 and 1 000 000
// records of the alarm view, each with its ratio to one plain pass reading
// the same view records in the same run; and one arriving alarm added to
// counts that already hold a million.
#include "BenchSupport.h"
#include "alarm/RecorderTypeCounts.h"
#include "alarm/TrendCounts.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "db/RecordFilter.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/SettingsSortKeys.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Prompt.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>

#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

// The machine is shared: what this thread spent on the processor, not the
// wall time, compares the two passes fairly.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr int kLarge = 1'000'000;
constexpr int kRecorders = 50;
constexpr int64_t kFirstArrival = 13'300'000'000'000;

// Priority by type, like the built-in defaults give one per type.
class TypeSettingsSource final : public AlarmSettingsSource {
public:
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t, std::string_view) override
    {
        auto& node = m_entries[alarmType];
        if (node == nullptr) {
            node = std::make_unique<ConfigNode>(NodeKind::Folder, "entry");
            auto priority = std::make_unique<ConfigNode>(NodeKind::Integer, "Priority");
            priority->SetInt(alarmType % 6);
            node->AddChild(std::move(priority));
        }
        return node.get();
    }

private:
    std::map<int32_t, std::unique_ptr<ConfigNode>> m_entries;
};

// Admits the first records of the file.
class FirstRecords final : public RecordFilter {
public:
    explicit FirstRecords(int64_t count) : m_last(kFirstArrival + (count - 1) * 997) {}
    bool Matches(const AlarmRecord& record) override
    {
        return record.Number(AlarmField::TimeArrival) <= m_last;
    }

private:
    int64_t m_last;
};

class World {
public:
    static World& Get()
    {
        static World world;
        return world;
    }

    World()
    {
        NoPrompt prompt;
        if (!tree.LoadDefaults(DefaultScript(), prompt))
            std::abort();
        std::mt19937 random(1);
        std::ofstream out(folder / "AlarmDB.txt", std::ios::binary | std::ios::trunc);
        char bytes[AlarmRecord::kRecordBytes];
        for (int i = 0; i < kLarge; ++i) {
            AlarmRecord record = AlarmRecord::NewAlarm();
            record.SetNumber(AlarmField::TimeArrival, kFirstArrival + int64_t{i} * 997);
            record.SetField(AlarmField::Recorder,
                            "10.20.0." + std::to_string(100 + random() % kRecorders));
            record.SetNumber(AlarmField::CameraID, static_cast<int>(random() % 25) - 1);
            record.SetNumber(AlarmField::AlarmType, 10000 + static_cast<int>(random() % 43));
            record.Encode(bytes);
            out.write(bytes, sizeof bytes);
        }
        out.close();
        database =
            std::make_unique<AlarmDatabase>(tree, folder, NoModifierKeys(), NoBusyIndicator());
        if (!database->Open((folder / "AlarmDB.txt").string()))
            std::abort();
        priorities = std::make_unique<SettingsSortKeys>(tree, settings);
    }
    ~World() { database.reset(); }

    // The view holds the first `count` records.
    void ViewOf(int64_t count)
    {
        filter = std::make_unique<FirstRecords>(count);
        database->SetViewFilter(filter.get());
        database->SetFilterActive();
        if (database->ViewCount() != count)
            std::abort();
    }

    // One pass reading every view record, the least any count must do.
    double PlainPassSeconds()
    {
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            double start = ThreadSeconds();
            AlarmRecord record;
            int64_t sum = 0;
            for (int position = 0; position < database->ViewCount(); ++position) {
                if (database->ReadViewed(position, record))
                    sum += record.Int(AlarmField::AlarmType);
            }
            benchmark::DoNotOptimize(sum);
            best = std::min(best, ThreadSeconds() - start);
        }
        return best;
    }

    ScratchFolder scratch{"diagram-bench"};
    fs::path folder = scratch.Path();
    ConfigTree tree;
    TypeSettingsSource settings;
    std::unique_ptr<SettingsSortKeys> priorities;
    std::unique_ptr<AlarmDatabase> database;
    std::unique_ptr<FirstRecords> filter;
};

template <typename Build>
void MeasureAgainstPlainPass(benchmark::State& state, Build build)
{
    World& world = World::Get();
    world.ViewOf(state.range(0));
    double plain = world.PlainPassSeconds();
    double spent = 0;
    for (auto _ : state) {
        double start = ThreadSeconds();
        build(world);
        spent += ThreadSeconds() - start;
    }
    state.counters["records"] = static_cast<double>(state.range(0));
    state.counters["plain_pass_ms"] = plain * 1000;
    state.counters["ratio_to_plain_pass"] = spent / static_cast<double>(state.iterations()) / plain;
}

void BM_BuildBars(benchmark::State& state)
{
    MeasureAgainstPlainPass(state, [](World& world) {
        RecorderTypeCounts counts;
        counts.Build(*world.database);
        benchmark::DoNotOptimize(counts.Total());
    });
}
BENCHMARK(BM_BuildBars)->Arg(250'000)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_BuildTrendPerHour(benchmark::State& state)
{
    MeasureAgainstPlainPass(state, [](World& world) {
        TrendCounts counts(TrendStep::Hour);
        counts.Build(*world.database, *world.priorities);
        benchmark::DoNotOptimize(counts.Total());
    });
}
BENCHMARK(BM_BuildTrendPerHour)->Arg(250'000)->Arg(kLarge)->Unit(benchmark::kMillisecond);

void BM_BuildTrendPerDay(benchmark::State& state)
{
    MeasureAgainstPlainPass(state, [](World& world) {
        TrendCounts counts(TrendStep::Day);
        counts.Build(*world.database, *world.priorities);
        benchmark::DoNotOptimize(counts.Total());
    });
}
BENCHMARK(BM_BuildTrendPerDay)->Arg(250'000)->Arg(kLarge)->Unit(benchmark::kMillisecond);

// One arrival on top of a million: what the diagram and the trend do per
// new alarm.
void BM_AddOneArrival(benchmark::State& state)
{
    World& world = World::Get();
    world.ViewOf(kLarge);
    RecorderTypeCounts bars;
    bars.Build(*world.database);
    TrendCounts trend(TrendStep::Hour);
    trend.Build(*world.database, *world.priorities);
    int64_t arrival = kFirstArrival + int64_t{kLarge} * 997;
    for (auto _ : state) {
        bars.Add("10.20.0.117", 10005);
        trend.Add(arrival, 3);
        arrival += 997;
    }
    benchmark::DoNotOptimize(bars.Total());
}
BENCHMARK(BM_AddOneArrival);

} // namespace
