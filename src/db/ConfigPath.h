// Path lookups in the configuration tree, one exact child name per step, for
// the keys the database and its housekeeping read and write.
#pragma once

#include "config/ConfigNode.h"
#include "config/ConfigTree.h"

#include <initializer_list>
#include <string_view>

// The node at the path below the root, or null when a step is missing.
inline ConfigNode* FindConfigNode(ConfigTree& tree, std::initializer_list<std::string_view> path)
{
    ConfigNode* node = tree.Root();
    for (std::string_view name : path) {
        if (node == nullptr)
            return nullptr;
        node = node->Child(name);
    }
    return node;
}
