// The one alarm between reception and dispatch, Runtime/GuardEvent in the
// configuration tree: its fields as a value, and reading, writing, resetting
// and dispatching the folder.
#pragma once

#include <cstdint>
#include <string>

class ConfigTree;

struct GuardEvent {
    std::string recorder;
    int64_t timeArrival = -1;
    int64_t timeDeparture = -1;
    int32_t alarmType = -1;
    int32_t cameraId = -1;
    std::string cameraName;
    int32_t trackId = -1;
    std::string trackName;
    std::string addInfo;
    int32_t hybrid = -1;

    friend bool operator==(const GuardEvent&, const GuardEvent&) = default;
};

// The fields as the folder holds them; reset values for missing keys.
GuardEvent ReadGuardEvent(ConfigTree& tree);

// Writes every field under the tree's lock. The writes mark the folder
// changed; ClearGuardEventMarks takes that back for an event that is not
// dispatched.
void WriteGuardEvent(ConfigTree& tree, const GuardEvent& event);

// Writes the reset values and clears the marks: nothing is pending.
void ResetGuardEvent(ConfigTree& tree);

// Keeps the folder's observers from seeing what was written at the next
// notification pass, which may run for some other change.
void ClearGuardEventMarks(ConfigTree& tree);

// Writes the event, marks the folder changed and runs the notification pass,
// which hands the event to its observers (the alarm database).
void DispatchGuardEvent(ConfigTree& tree, const GuardEvent& event);
