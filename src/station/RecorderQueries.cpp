#include "station/RecorderQueries.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"

namespace {

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

int32_t HybridOf(const ConfigNode& entry)
{
    return Get(entry, kRecorderHybrid);
}

const ConfigNode* FindRecorder(ConfigTree& tree, std::string_view key, std::string_view value,
                               int32_t hybrid,
                               std::optional<std::string_view> exceptName = std::nullopt)
{
    ConfigNode* list = RecorderListFolder(tree);
    if (list == nullptr)
        return nullptr;
    for (int i = 0; i < list->ChildCount(); ++i) {
        const ConfigNode& entry = *list->ChildAt(i);
        if (HybridOf(entry) != hybrid || TextOf(entry, key) != value)
            continue;
        if (exceptName.has_value() && TextOf(entry, "Name") == *exceptName)
            continue;
        return &entry;
    }
    return nullptr;
}

} // namespace

ConfigNode* RecorderListFolder(ConfigTree& tree)
{
    return Find(tree, kRecorderList);
}

std::optional<std::string> FindRecorderAddress(ConfigTree& tree, std::string_view name,
                                               int32_t hybrid)
{
    ConfigLock lock(tree);
    const ConfigNode* entry = FindRecorder(tree, "Name", name, hybrid);
    if (entry == nullptr)
        return std::nullopt;
    return TextOf(*entry, "IP");
}

bool HasRecorderNamed(ConfigTree& tree, std::string_view name, int32_t hybrid)
{
    ConfigLock lock(tree);
    return FindRecorder(tree, "Name", name, hybrid) != nullptr;
}

bool HasRecorderAt(ConfigTree& tree, std::string_view address, int32_t hybrid)
{
    ConfigLock lock(tree);
    return FindRecorder(tree, "IP", address, hybrid) != nullptr;
}

bool HasOtherRecorderAt(ConfigTree& tree, std::string_view address, int32_t hybrid,
                        std::string_view exceptName)
{
    ConfigLock lock(tree);
    return FindRecorder(tree, "IP", address, hybrid, exceptName) != nullptr;
}

std::vector<ConfigNode*> RecordersAsEdited(ConfigTree& tree, ConfigNode& edited,
                                           const ConfigNode* live)
{
    std::vector<ConfigNode*> recorders;
    bool placed = false;
    ConfigNode* list = RecorderListFolder(tree);
    for (int i = 0; list != nullptr && i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        bool isEdited = entry == live || entry == &edited;
        recorders.push_back(isEdited ? &edited : entry);
        placed = placed || isEdited;
    }
    if (!placed)
        recorders.push_back(&edited);
    return recorders;
}
