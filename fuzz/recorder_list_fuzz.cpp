// Fuzzes the parser of the live-view program's recorder list: it never reads
// outside the mapping, and what it accepts encodes back to a list that parses
// to the same recorders.
#include "links/SharedRecorderList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so that a read past the mapping's end is caught.
    std::vector<uint8_t> view(data, data + size);
    std::vector<SharedRecorder> recorders;
    if (!SharedRecorderList::Parse(view, recorders)) {
        if (!recorders.empty())
            std::abort();
        return 0;
    }
    std::vector<SharedRecorder> again;
    if (!SharedRecorderList::Parse(SharedRecorderList::Encode(recorders), again) ||
        again != recorders)
        std::abort();
    for (const SharedRecorder& recorder : recorders) {
        if (recorder.topBits < 0 || recorder.topBits > 255 || recorder.lowBits < 0 ||
            recorder.lowBits > 0xffffff)
            std::abort();
    }
    return 0;
}
