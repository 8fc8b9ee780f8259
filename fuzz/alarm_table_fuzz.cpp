// Fuzzes the station's side of the alarm table with whatever another program
// left in it: reading, adding, removing and marking alarms stay inside the
// mapping, and what the station reads back is within the table's capacity.
#include "SharedChannelFuzz.h"
#include "links/AlarmTable.h"
#include "links/SharedLayouts.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AlarmTable table(FuzzPrefix());
    if (!table.Attach())
        return 0;
    if (!OverwriteMapping(AlarmTable::kMappingName, AlarmTableLayout::kSize, data, size))
        std::abort();
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    if (!table.Read(records, shown))
        return 0;
    if (records.size() > static_cast<size_t>(AlarmTableLayout::kCapacity))
        std::abort();
    table.AddAlarm("Tor", 1, "Spur", 42, 2);
    if (!records.empty())
        table.RemoveAlarm(records.front().arrival);
    table.SetShownAlarm(42);
    if (!table.Read(records, shown) ||
        records.size() > static_cast<size_t>(AlarmTableLayout::kCapacity) || shown != 42)
        std::abort();
    return 0;
}
