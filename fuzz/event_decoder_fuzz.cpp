// Fuzzes the event decoder over arbitrary telegram headers and payloads, for
// a recorder the configuration knows: no read outside the payload (the
// telegram is an exact-size buffer under ASan), every entry list walk stays
// inside its list, and the texts keep the lengths the decoders promise.
#include "DecoderStation.h"
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
    static DecoderStation station(kRecorderIp);
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

    EventDecoder decoder(station.tree, station.clock, station.events);
    station.events.events.clear();
    decoder.DecodeTelegram(telegram, kRecorderIp);
    for (const GuardEvent& event : station.events.events) {
        CheckLimits(typeCode, event);
        if (event.recorder != kRecorderIp)
            std::abort();
    }
    return 0;
}
