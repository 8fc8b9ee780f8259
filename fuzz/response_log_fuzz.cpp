// Fuzzes the reading of "ResponseTimes.log": any bytes give alarms or none,
// without harm, and the figures over them can be computed.
#include "alarm/ResponseLog.h"
#include "alarm/ResponseStats.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<AlarmResponse> alarms = ResponseLog::Parse(bytes);
    ResponseQuery query;
    query.fromMs = std::numeric_limits<int64_t>::min();
    query.toMs = std::numeric_limits<int64_t>::max();
    for (ResponseGrouping grouping : {ResponseGrouping::Priority, ResponseGrouping::Operator}) {
        query.grouping = grouping;
        ResponseCsv(SummariseResponses(alarms, query), query.targetSeconds);
    }
    return 0;
}
