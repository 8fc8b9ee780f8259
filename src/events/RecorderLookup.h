// Finding a recorder of Program/RecorderList by its address: entries whose
// IP equals the text exactly and whose Hybrid equals the given value; the
// last such entry counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class ConfigNode;
class ConfigTree;

// The Name of the last matching entry, or nothing. Takes the tree's lock for
// the scan.
std::optional<std::string> FindRecorderName(ConfigTree& tree, std::string_view ip, int32_t hybrid);

// The last matching entry itself. The caller holds the tree's lock for as
// long as it uses the entry.
ConfigNode* FindRecorderEntry(ConfigTree& tree, std::string_view ip, int32_t hybrid);
