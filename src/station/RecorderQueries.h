// Lookups over Program/RecorderList by name or address together with the
// Hybrid flag, as the recorder page and its sheet ask them. Names and
// addresses compare byte for byte; each lookup takes the tree's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ConfigNode;
class ConfigTree;

// The list folder, or null in a tree without one.
ConfigNode* RecorderListFolder(ConfigTree& tree);

// The IP of the first recorder with this name and Hybrid value.
std::optional<std::string> FindRecorderAddress(ConfigTree& tree, std::string_view name,
                                               int32_t hybrid);
bool HasRecorderNamed(ConfigTree& tree, std::string_view name, int32_t hybrid);
bool HasRecorderAt(ConfigTree& tree, std::string_view address, int32_t hybrid);
// As HasRecorderAt, skipping every recorder whose Name is exceptName.
bool HasOtherRecorderAt(ConfigTree& tree, std::string_view address, int32_t hybrid,
                        std::string_view exceptName);

// Every recorder of the list in order as a recorder sheet sees them while it
// edits `edited`, a copy of the entry `live`: the copy in the live entry's
// place, or last when it has none yet (a new recorder). An `edited` that is
// itself in the list comes once. The caller holds the lock.
std::vector<ConfigNode*> RecordersAsEdited(ConfigTree& tree, ConfigNode& edited,
                                           const ConfigNode* live);
