#include "config/CachedChildren.h"

#include "config/ConfigTree.h"

CachedChildren::CachedChildren(std::initializer_list<std::string_view> folderPath,
                               std::initializer_list<std::string_view> keys)
    : m_path(folderPath), m_keys(keys), m_children(keys.size(), nullptr)
{
}

ConfigNode* CachedChildren::Folder(ConfigTree& tree)
{
    if (m_tree == &tree && m_shape == ConfigNode::ShapeEpoch())
        return m_folder;
    ConfigNode* folder = m_path.empty() ? nullptr : tree.TopFolder(m_path.front());
    for (size_t i = 1; i < m_path.size() && folder != nullptr; ++i)
        folder = folder->Child(m_path[i]);
    for (size_t i = 0; i < m_keys.size(); ++i)
        m_children[i] = folder == nullptr ? nullptr : folder->Child(m_keys[i]);
    m_folder = folder;
    m_tree = &tree;
    m_shape = ConfigNode::ShapeEpoch();
    return folder;
}
