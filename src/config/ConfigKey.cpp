#include "config/ConfigKey.h"

ConfigNode* Find(const ConfigTree& tree, ConfigFolder folder)
{
    ConfigNode* node = tree.Root();
    std::string_view rest = folder.path;
    while (node != nullptr && !rest.empty()) {
        size_t slash = rest.find('/');
        node = node->Child(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return node;
}
