// The scan of the recorder list.
#include "events/RecorderLookup.h"

#include "config/ConfigTree.h"

#include <cstring>

namespace {

// The node's text equals `text`, compared on the stored bytes: the lookup
// runs for every telegram over the whole list, so no copies are made.
bool TextEquals(const ConfigNode& node, std::string_view text)
{
    std::span<const uint8_t> content = node.Content();
    if (content.size() < text.size() || std::memcmp(content.data(), text.data(), text.size()) != 0)
        return false;
    return content.size() == text.size() || content[text.size()] == 0;
}

} // namespace

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
        if (TextEquals(*ipNode, ip) && hybridNode->GetInt() == hybrid)
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
