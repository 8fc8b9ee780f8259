// The scan of the recorder list.
#include "events/RecorderLookup.h"

#include "config/CachedChildren.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"

#include <cstring>
#include <string>
#include <unordered_map>

namespace {

// The lookup runs several times for every telegram; scanning the list by
// child names made a thousand recorders cost twenty times one. The index is
// rebuilt whenever anything under the list changed since it was made.
class RecorderIndex {
public:
    ConfigNode* Find(ConfigNode& list, std::string_view ip, int32_t hybrid)
    {
        if (&list != m_list || list.Version() != m_version)
            Rebuild(list);
        m_key.assign(ip);
        AppendHybrid(m_key, hybrid);
        auto it = m_entries.find(m_key);
        return it == m_entries.end() ? nullptr : it->second;
    }

private:
    static void AppendHybrid(std::string& key, int32_t hybrid)
    {
        char bytes[sizeof hybrid];
        std::memcpy(bytes, &hybrid, sizeof hybrid);
        key.append(bytes, sizeof bytes);
    }

    // An IP node equals a text when the text is its whole content or the
    // content up to one of its zero bytes; every such text is a key, and
    // the last entry of the list wins.
    void Rebuild(ConfigNode& list)
    {
        m_entries.clear();
        for (int i = 0; i < list.ChildCount(); ++i) {
            ConfigNode* entry = list.ChildAt(i);
            ConfigNode* ipNode = ::Find(*entry, kRecorderIp);
            ConfigNode* hybridNode = ::Find(*entry, kRecorderHybrid);
            if (ipNode == nullptr || hybridNode == nullptr)
                continue;
            std::span<const uint8_t> content = ipNode->Content();
            int32_t hybrid = hybridNode->GetInt();
            for (size_t end = 0; end <= content.size(); ++end) {
                if (end < content.size() && content[end] != 0)
                    continue;
                std::string key(reinterpret_cast<const char*>(content.data()), end);
                AppendHybrid(key, hybrid);
                m_entries[std::move(key)] = entry;
            }
        }
        m_list = &list;
        m_version = list.Version();
    }

    const ConfigNode* m_list = nullptr;
    uint64_t m_version = 0;
    std::unordered_map<std::string, ConfigNode*> m_entries;
    std::string m_key;
};

} // namespace

ConfigNode* FindRecorderEntry(ConfigTree& tree, std::string_view ip, int32_t hybrid)
{
    static CachedChildren program({"Program"}, {"RecorderList"});
    program.Folder(tree);
    ConfigNode* list = program.At(0);
    if (list == nullptr)
        return nullptr;
    thread_local RecorderIndex index;
    return index.Find(*list, ip, hybrid);
}

std::optional<std::string> FindRecorderName(ConfigTree& tree, std::string_view ip, int32_t hybrid)
{
    ConfigLock lock(tree);
    ConfigNode* entry = FindRecorderEntry(tree, ip, hybrid);
    if (entry == nullptr)
        return std::nullopt;
    return Get(*entry, kRecorderName);
}
