// Which alarm settings entry applies to an alarm of a recorder, type and
// camera, and the start-up completion of every recorder's settings list
// from the built-in defaults.
#pragma once

#include "alarm/AlarmSettings.h"

#include <cstdint>
#include <optional>
#include <string_view>

class ConfigNode;
class ConfigTree;

// The entries of a recorder's list that the first pass looks at.
inline constexpr int kFirstPassEntries = 40;

// The entry that applies, or null when neither the recorder nor the defaults
// have one for the type. A recorder not in the list (matched with Hybrid 0)
// takes the default entry of the type; so does a recorder whose own list
// lacks the type. The caller holds the tree's lock while it uses the entry.
ConfigNode* FindAlarmSettings(ConfigTree& tree, int32_t alarmType, int32_t camera,
                              std::string_view recorderAddress);

// The values of that entry, read under the tree's lock.
std::optional<AlarmSettings> LookupAlarmSettings(ConfigTree& tree, int32_t alarmType,
                                                 int32_t camera, std::string_view recorderAddress);

// The bit of a camera in SubDetail: bit (camera AND 31), where bit 31 is
// sign-extended and so also matches every higher bit.
int64_t CameraBit(int32_t camera);

// Gives every recorder an entry for each type of the catalogue, copied from
// the defaults where missing, and numbers the main entries; run at start-up
// after the defaults are rebuilt.
void CompleteRecorderSettings(ConfigTree& tree);
