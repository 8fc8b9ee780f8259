// The image of one subtree, taken before an edit and laid back when it is
// cancelled, or laid onto another subtree of the same layout as a copy.
// Unlike the tree's single snapshot slot, any number can be held at once.
#pragma once

#include <cstdint>
#include <vector>

class ConfigNode;

class SubtreeSnapshot {
public:
    explicit SubtreeSnapshot(const ConfigNode& node);

    bool IsEmpty() const { return m_image.empty(); }

    // Empties every list below `target` first, so entries added since the
    // snapshot go and removed ones come back from their templates. False
    // when the image does not fit the target; the lists are empty then.
    bool LayOnto(ConfigNode& target) const;

private:
    std::vector<uint8_t> m_image;
};
