// Lookups over Program/RecorderList by name or address together with the
// Hybrid flag, as the recorder page and its sheet ask them. Names and
// addresses compare byte for byte; each lookup takes the tree's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
