// The binary tree image ("programdata.bin" and dialog snapshots): one record
// per node, a little-endian size word, the NUL-terminated name, then either
// the children's records (last child first) or the content bytes.
#pragma once

#include "config/ConfigNode.h"

#include <cstdint>
#include <span>
#include <vector>

namespace TreeImage {

// Deeper folders are written without their children so that every image
// this program writes can be read back.
inline constexpr int kMaxWriteDepth = 30;
inline constexpr int kMaxReadDepth = 40;

std::vector<uint8_t> Build(const ConfigNode& node);

// Overlays an image onto `target`: names and values only, structure comes
// from the tree and its templates. The whole image is checked first; a
// corrupt or truncated one changes nothing and returns false.
bool Apply(std::span<const uint8_t> image, ConfigNode& target);

// The check Apply runs first, alone: whether the image would load onto
// `target`. Changes nothing.
bool Check(std::span<const uint8_t> image, const ConfigNode& target);

} // namespace TreeImage
