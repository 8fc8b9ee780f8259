// The preset names the live-view program lists for one recorder, for the
// preset box of the alarm settings' live-view tab.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The presets of the shared recorder whose name equals recorderName; empty
// when the list cannot be read or has no such recorder. sharedPrefix goes
// before the shared objects' names (empty for the real ones).
std::vector<std::string> LiveViewPresets(const std::string& sharedPrefix,
                                         std::string_view recorderName);
