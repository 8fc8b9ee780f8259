// Fuzzes the parser of the live-view program's preset list: it never reads
// outside the mapping, takes at most 127 names, and what it accepts encodes
// back to itself.
#include "links/CKXSHMPresetList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> view(data, data + size);
    std::vector<std::string> names;
    if (!CKXSHMPresetList::Parse(view, names)) {
        if (!names.empty())
            std::abort();
        return 0;
    }
    if (names.size() > 127)
        std::abort();
    std::vector<std::string> again;
    if (!CKXSHMPresetList::Parse(CKXSHMPresetList::Encode(names), again) || again != names)
        std::abort();
    return 0;
}
