// One open alarm as the alarm table shows it to the live-view program.
#pragma once

#include <cstdint>
#include <string>

struct AlarmTableRecord {
    std::string recorderName;
    std::string trackName;
    int32_t camera = 0;
    int32_t priority = 0;
    int64_t arrival = 0; // stored milliseconds; the record's key

    bool operator==(const AlarmTableRecord&) const = default;
};
