// Fuzzes the record of recorder state changes: any file parses; the lines it
// yields are in time order, write back as they read, and add up to the
// period asked for whatever their order of starts, ends and states.
#include "station/RecorderAvailability.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<StateLogLine> lines = ParseStateLog(input);
    std::string written;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i].atMs < lines[i - 1].atMs)
            std::abort();
        written += FormatStateLogLine(lines[i]);
    }
    if (ParseStateLog(written) != lines)
        std::abort();
    if (lines.empty())
        return 0;
    int64_t from = lines.front().atMs / 2;
    int64_t to = from + 1'000'000'000;
    const StateLogLine& probe = lines[lines.size() / 2];
    Availability a = AvailabilityOf(lines, probe.ip, probe.hybrid, from, to, lines.back().atMs);
    if (a.upMs + a.downMs + a.unknownMs != to - from || a.upMs < 0 || a.downMs < 0)
        std::abort();
    return 0;
}
