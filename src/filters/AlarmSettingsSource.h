// The lookup of the alarm settings entry that applies to an alarm (recorder,
// alarm type, camera); the alarm handling implements it. The view's sort
// codes 101 and 102 take the entry's Title and Priority.
#pragma once

#include <cstdint>
#include <string_view>

class ConfigNode;

class AlarmSettingsSource {
public:
    virtual ~AlarmSettingsSource() = default;

    // The entry, or null when none applies. Called with the tree locked.
    virtual const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t cameraId,
                                                std::string_view recorder) = 0;
};
