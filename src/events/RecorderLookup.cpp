// The scan of the recorder list.
#include "events/RecorderLookup.h"

#include "config/ConfigTree.h"

ConfigNode* FindRecorderEntry(ConfigTree& tree, std::string_view ip, int32_t hybrid)
{
    ConfigNode* program = tree.TopFolder("Program");
    ConfigNode* list = program == nullptr ? nullptr : program->Child("RecorderList");
    if (list == nullptr)
        return nullptr;
    ConfigNode* found = nullptr;
    for (int i = 0; i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        ConfigNode* ipNode = entry->Child("IP");
        ConfigNode* hybridNode = entry->Child("Hybrid");
        if (ipNode == nullptr || hybridNode == nullptr)
            continue;
        if (ipNode->GetString() == ip && hybridNode->GetInt() == hybrid)
            found = entry;
    }
    return found;
}

std::optional<std::string> FindRecorderName(ConfigTree& tree, std::string_view ip, int32_t hybrid)
{
    ConfigLock lock(tree);
    ConfigNode* entry = FindRecorderEntry(tree, ip, hybrid);
    if (entry == nullptr)
        return std::nullopt;
    ConfigNode* name = entry->Child("Name");
    return name == nullptr ? std::string() : name->GetString();
}
