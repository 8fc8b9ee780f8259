// What the address page of the recorder sheet edits: the recorder's IP,
// Name, Hybrid flag, supervision class and maintenance window, and whether the sheet makes a new
// recorder or edits one.
#pragma once

#include <cstdint>
#include <string>

enum class SheetMode { New, Edit };

struct RecorderAddress {
    std::string ip;
    std::string name;
    int32_t hybrid = 0;
    // iReportingTime: 0 is the grace period of the start option.
    int32_t reportingSeconds = 0;
    // iMaintenanceFrom and iMaintenanceUntil: 0 for no maintenance window.
    int64_t maintenanceFrom = 0;
    int64_t maintenanceUntil = 0;

    bool operator==(const RecorderAddress&) const = default;
};
