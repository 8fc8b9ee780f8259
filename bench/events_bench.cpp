// Event decoding: telegrams decoded and dispatched per second, for the
// example telegram of every alarm type, for single types, with a large
// recorder list, for unknown recorders, and the entry list walk alone.
#include "BenchSupport.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "events/EventDecoder.h"
#include "events/GuardEvent.h"
#include "events/TagReader.h"
#include "platform/ClockSource.h"
#include "platform/Prompt.h"
#include "recorder-sim/SimOptions.h"
#include "recorder-sim/TypePresets.h"
#include "telegram/EntryListWriter.h"
#include "telegram/TelegramEncoder.h"

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr char kRecorderIp[] = "10.0.0.1";

class NullSink final : public GuardEventSink {
public:
    void Raise(const GuardEvent&) override { ++count; }
    long count = 0;
};

// The decoding side of a station on the default configuration, with
// `recorders` entries in the recorder list (the known one last).
struct Station {
    explicit Station(int recorders)
    {
        NoPrompt prompt;
        tree.LoadDefaults(DefaultScript(), prompt);
        ConfigNode* list = tree.TopFolder("Program")->Child("RecorderList");
        for (int i = 1; i < recorders; ++i) {
            ConfigNode* entry = list->NewEntry(0);
            entry->Child("IP")->SetString("10.1." + std::to_string(i / 250) + "." +
                                          std::to_string(i % 250));
        }
        list->NewEntry(0)->Child("IP")->SetString(kRecorderIp);
    }

    ConfigTree tree;
    Clock clock{SystemClockSource()};
    NullSink observer;
    EventDecoder decoder{tree, clock, observer};
};

std::vector<uint8_t> Example(uint16_t typeCode)
{
    const char* args[] = {"recorder-sim", "send", "0"};
    SimOptions options;
    std::string error;
    ParseSimOptions(3, args, options, error);
    options.typeCode = typeCode;
    StampFields now{5, 3, 2024, 12, 0, 0, 0};
    return BuildTelegram(options, now, error).value_or(std::vector<uint8_t>{});
}

void DecodeEveryType(benchmark::State& state)
{
    Station station(static_cast<int>(state.range(0)));
    std::vector<std::vector<uint8_t>> telegrams;
    for (const TypePreset& preset : TypePresets())
        telegrams.push_back(Example(preset.code));
    size_t next = 0;
    for (auto _ : state) {
        station.decoder.DecodeTelegram(telegrams[next], kRecorderIp);
        next = next + 1 == telegrams.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["dispatched"] = benchmark::Counter(static_cast<double>(station.observer.count),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(DecodeEveryType)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void DecodeOneType(benchmark::State& state)
{
    Station station(1);
    auto typeCode = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> telegram = Example(typeCode);
    for (auto _ : state)
        station.decoder.DecodeTelegram(telegram, kRecorderIp);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeOneType)
    ->Arg(10020) // common fields only
    ->Arg(10004) // generic track and camera info
    ->Arg(10025) // nested sensor board lists
    ->Arg(10030) // housekeeping
    ->Arg(10042) // test message, writes the recorder's signal keys
    ->Unit(benchmark::kMicrosecond);

void DecodeCameraToggle(benchmark::State& state)
{
    Station station(1);
    TelegramFields fields;
    fields.typeCode = 10016;
    fields.detail = 0b01;
    std::vector<uint8_t> first = EncodeTelegram(fields);
    fields.detail = 0b10;
    std::vector<uint8_t> second = EncodeTelegram(fields);
    bool flip = false;
    for (auto _ : state) {
        station.decoder.DecodeTelegram(flip ? first : second, kRecorderIp);
        flip = !flip;
    }
    // Each telegram restores one camera and loses another: two alarms.
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeCameraToggle)->Unit(benchmark::kMicrosecond);

void DecodeUnknownRecorder(benchmark::State& state)
{
    Station station(static_cast<int>(state.range(0)));
    std::vector<uint8_t> telegram = Example(10025);
    for (auto _ : state)
        station.decoder.DecodeTelegram(telegram, "10.9.9.9");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeUnknownRecorder)->Arg(1)->Arg(1000)->Unit(benchmark::kMicrosecond);

void WalkEntryList(benchmark::State& state)
{
    EntryListWriter list;
    for (int i = 0; i < state.range(0); ++i) {
        EntryListWriter inner;
        inner.Code(static_cast<uint16_t>(i)).Value32(1, 5).Text(10, "Zone");
        list.List(inner);
    }
    for (auto _ : state) {
        std::optional<TagReader> reader = TagReader::Open(list.Bytes());
        long entries = 0;
        while (std::optional<TagEntry> entry = reader->Next()) {
            std::optional<TagReader> nested = entry->Nested();
            while (nested && nested->Next())
                ++entries;
        }
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(list.Size()));
}
BENCHMARK(WalkEntryList)->Arg(16)->Arg(1024);

} // namespace
