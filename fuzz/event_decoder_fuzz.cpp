// Fuzzes the event decoder over arbitrary telegram headers and payloads, for
// a recorder the configuration knows: no read outside the payload (the
// telegram is an exact-size buffer under ASan), every entry list walk stays
// inside its list, and the texts keep the lengths the decoders promise.
#include "SilentPrompt.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "events/EventDecoder.h"
#include "events/GuardEvent.h"
#include "events/TagReader.h"
#include "platform/ClockSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr char kRecorderIp[] = "10.0.0.1";
constexpr size_t kHeaderSize = 18;

// A clock that moves a little at every reading, so runs are repeatable.
class SteppingClockSource final : public ClockSource {
public:
    int64_t MonotonicNs() override { return m_ns += 1'000'000; }
    int64_t RealtimeUs() override { return 1'700'000'000'000'000 + m_ns / 1000; }

private:
    int64_t m_ns = 0;
};

class Recorder final : public GuardEventSink {
public:
    void Raise(const GuardEvent& event) override { events.push_back(event); }

    std::vector<GuardEvent> events;
};

struct Station {
    Station()
    {
        SilentPrompt prompt;
        if (!tree.LoadDefaults(DefaultScript(), prompt))
            std::abort();
        ConfigNode* entry = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        entry->Child("IP")->SetString(kRecorderIp);
    }

    SteppingClockSource source;
    Clock clock{source};
    ConfigTree tree;
    Recorder recorder;
};

// Walks a list and every list nested in it, checking that entries stay
// inside their list.
void WalkAll(std::span<const uint8_t> list, int depth)
{
    std::optional<TagReader> reader = TagReader::Open(list);
    if (!reader || depth > 8)
        return;
    while (std::optional<TagEntry> entry = reader->Next()) {
        std::span<const uint8_t> data = entry->Data();
        if (data.data() < list.data() || data.data() + data.size() > list.data() + list.size())
            std::abort();
        WalkAll(data, depth + 1);
    }
}

void CheckLimits(uint16_t typeCode, const GuardEvent& event)
{
    size_t limit = SIZE_MAX;
    switch (typeCode) {
    case 10027: // after the FAILINFO prefix and the normalisation
    case 10040:
        limit = 127;
        break;
    case 10029: // the analysis text buffer
        limit = 255;
        break;
    case 10039: // the name is cut at 255
        limit = 255 + 64;
        break;
    default:
        break;
    }
    if (event.addInfo.size() > limit)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Station station;
    // Header bytes as given (zero-padded), kind forced to an alarm; the rest
    // of the input is the payload, copied so the buffer ends where it does.
    std::vector<uint8_t> telegram(kHeaderSize + (size > kHeaderSize ? size - kHeaderSize : 0));
    std::memcpy(telegram.data(), data, size < kHeaderSize ? size : kHeaderSize);
    if (size > kHeaderSize)
        std::memcpy(telegram.data() + kHeaderSize, data + kHeaderSize, size - kHeaderSize);
    telegram[0] = 255;
    telegram[1] = 0;
    uint16_t typeCode = static_cast<uint16_t>(telegram[6] | telegram[7] << 8);

    WalkAll(std::span(telegram).subspan(kHeaderSize), 0);

    EventDecoder decoder(station.tree, station.clock, station.recorder);
    station.recorder.events.clear();
    decoder.DecodeTelegram(telegram, kRecorderIp);
    for (const GuardEvent& event : station.recorder.events) {
        CheckLimits(typeCode, event);
        if (event.recorder != kRecorderIp)
            std::abort();
    }
    return 0;
}
