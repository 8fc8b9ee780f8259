// Fuzzes the reading of "Escalation.state": any bytes must parse or be
// refused without harm, and what parses must write back as the same entries.
#include "alarm/AlarmEscalation.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto entries = AlarmEscalation::Parse(bytes);
    if (!entries)
        return 0;
    if (AlarmEscalation::Parse(AlarmEscalation::Serialize(*entries)) != entries) {
        std::fprintf(stderr, "broken: a parsed state does not read back the same\n");
        std::abort();
    }
    return 0;
}
