// One alarm as dispatch hands it to the alarm window and the actions: the
// settings that apply and the alarm's own values.
#pragma once

#include "alarm/AlarmSettings.h"

#include <cstdint>
#include <optional>
#include <string>

struct AlarmContext {
    // None when no settings entry applies; the actions then do nothing.
    std::optional<AlarmSettings> settings;
    int64_t arrival = 0;   // stored milliseconds; the record's key
    int64_t departure = 0; // stored milliseconds, stamped by the recorder
    int32_t alarmType = 0;
    std::string recorderAddress;
    std::string recorderName;
    std::string addInfo;
    int32_t camera = 0;
    int32_t track = 0;
};
