// Fuzzes the reading of the live-view program's recorder and preset lists
// from their real mappings, at whatever size the other program made them:
// reading the mapping gives exactly what parsing the same bytes gives, and
// never touches a byte past the object's end.
//
// Input: a byte choosing the list (bit 0), then the mapping's bytes; the
// mapping has the input's size.
#include "SharedChannelFuzz.h"
#include "links/CKXSHMPresetList.h"
#include "links/SharedRecorderList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    bool presets = (data[0] & 1) != 0;
    std::span<const uint8_t> bytes(data + 1, size - 1);
    const char* name = presets ? CKXSHMPresetList::kMappingName : SharedRecorderList::kMappingName;

    // The live-view program's side: it makes the object and stays attached.
    SharedMapping other;
    bool made = !bytes.empty() &&
                other.Attach(FuzzPrefix() + name, bytes.size(), SharedCreate::OpenOrCreate,
                             SharedAccess::Group) == AttachResult::Attached;
    if (made) {
        if (other.Size() != bytes.size())
            std::abort();
        std::memcpy(other.Data(), bytes.data(), bytes.size());
    }

    // An exact-size copy, so that a read past the end is caught in the parse.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    if (presets) {
        std::vector<std::string> expected;
        bool parsed = CKXSHMPresetList::Parse(exact, expected);
        CKXSHMPresetList list(FuzzPrefix());
        bool read = list.Read();
        if (made &&
            (read != parsed || list.Names() != (parsed ? expected : std::vector<std::string>{})))
            std::abort();
        if (!read && !list.Names().empty())
            std::abort();
    } else {
        std::vector<SharedRecorder> expected;
        bool parsed = SharedRecorderList::Parse(exact, expected);
        SharedRecorderList list(FuzzPrefix());
        bool read = list.Read();
        if (made && (read != parsed || list.Recorders() != expected))
            std::abort();
        if (!read && list.Count() != 0)
            std::abort();
    }
    return 0;
}
