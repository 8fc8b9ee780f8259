// Children of one folder found by name once and kept while no node anywhere
// was made, freed, renamed, added or removed: for values read or written for
// every alarm, where the lookups by name cost more than the work itself.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

class ConfigNode;
class ConfigTree;

class CachedChildren {
public:
    // The texts must outlive the cache (string literals).
    CachedChildren(std::initializer_list<std::string_view> folderPath,
                   std::initializer_list<std::string_view> keys);

    // The folder in `tree`, or null; then At gives null for every key.
    ConfigNode* Folder(ConfigTree& tree);
    // The child named by keys[index], or null.
    ConfigNode* At(size_t index) const { return m_children[index]; }

private:
    std::vector<std::string_view> m_path;
    std::vector<std::string_view> m_keys;
    const ConfigTree* m_tree = nullptr;
    uint64_t m_shape = 0;
    ConfigNode* m_folder = nullptr;
    std::vector<ConfigNode*> m_children;
};
