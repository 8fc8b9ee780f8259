#include "station/SubtreeSnapshot.h"

#include "config/ConfigNode.h"
#include "config/TreeImage.h"

SubtreeSnapshot::SubtreeSnapshot(const ConfigNode& node) : m_image(TreeImage::Build(node)) {}

bool SubtreeSnapshot::LayOnto(ConfigNode& target) const
{
    if (m_image.empty())
        return false;
    target.ClearLists();
    return TreeImage::Apply(m_image, target);
}
