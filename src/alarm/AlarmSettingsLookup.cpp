#include "alarm/AlarmSettingsLookup.h"

#include "config/ChildValues.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"

#include <unordered_map>
#include <vector>

namespace {

ConfigNode* DefaultSettings(ConfigTree& tree)
{
    return Find(tree, kDefaultAlarmSettings);
}

ConfigNode* DefaultEntry(ConfigTree& tree, int32_t alarmType)
{
    ConfigNode* defaults = DefaultSettings(tree);
    return defaults == nullptr ? nullptr : defaults->FindEntryByInt("Type", alarmType);
}

void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

void SetInt64(ConfigNode& entry, std::string_view key, int64_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt64(value);
}

bool CoversCamera(const ConfigNode& entry, int64_t bit)
{
    return IntOf(entry, "SubType") == kSubTypeCameras && (Int64Of(entry, "SubDetail") & bit) != 0;
}

ConfigNode* FindInRecorderList(ConfigNode& list, int32_t alarmType, int64_t bit)
{
    int count = list.ChildCount();
    for (int i = 0; i < count && i < kFirstPassEntries; ++i) {
        ConfigNode& entry = *list.ChildAt(i);
        if (IntOf(entry, "Type") != alarmType)
            continue;
        if (CoversCamera(entry, bit))
            return &entry;
        break;
    }
    // Sub-alarms added later sit at the end of the list.
    for (int i = kFirstPassEntries - 1; i < count; ++i) {
        ConfigNode& entry = *list.ChildAt(i);
        if (IntOf(entry, "Type") != alarmType)
            continue;
        if (IntOf(entry, "SubType") != kSubTypeCameras)
            break;
        if (CoversCamera(entry, bit))
            return &entry;
    }
    return list.FindEntryByInt("Type", alarmType);
}

// The entry found for a recorder's list, a type and a camera bit, kept while
// neither that list nor the defaults changed: the search reads children by
// name for up to forty entries and runs several times for every alarm.
class SettingsMemo {
public:
    ConfigNode* Find(ConfigTree& tree, ConfigNode* list, int32_t alarmType, int32_t camera)
    {
        ConfigNode* defaults = DefaultSettings(tree);
        Stamp stamp{list == nullptr ? 0 : list->Version(), defaults,
                    defaults == nullptr ? 0 : defaults->Version()};
        Key key{list, alarmType, camera & 31};
        auto it = m_found.find(key);
        if (it != m_found.end() && it->second.stamp == stamp)
            return it->second.entry;
        ConfigNode* entry = nullptr;
        if (list != nullptr)
            entry = FindInRecorderList(*list, alarmType, CameraBit(camera));
        if (entry == nullptr)
            entry = DefaultEntry(tree, alarmType);
        // Lists that are gone leave their results behind; forget them now and then.
        if (m_found.size() >= kMaxKept)
            m_found.clear();
        m_found[key] = Found{stamp, entry};
        return entry;
    }

private:
    static constexpr size_t kMaxKept = 1 << 16;

    struct Key {
        const ConfigNode* list;
        int32_t alarmType;
        int32_t cameraBit;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const
        {
            return std::hash<const void*>()(key.list) ^
                   (static_cast<size_t>(static_cast<uint32_t>(key.alarmType)) << 5 |
                    static_cast<size_t>(key.cameraBit)) *
                       0x9E3779B97F4A7C15ull;
        }
    };
    struct Stamp {
        uint64_t listVersion;
        const ConfigNode* defaults;
        uint64_t defaultsVersion;
        bool operator==(const Stamp&) const = default;
    };
    struct Found {
        Stamp stamp;
        ConfigNode* entry;
    };

    std::unordered_map<Key, Found, KeyHash> m_found;
};

// The values read from an entry, kept while the entry is unchanged: reading
// them looks up some thirty children by name, for every alarm.
class ValuesMemo {
public:
    const AlarmSettings& Read(const ConfigNode& entry)
    {
        auto found = m_read.find(&entry);
        if (found != m_read.end() && found->second.version == entry.Version())
            return found->second.values;
        // Entries that are gone leave their values behind; forget them now and then.
        if (found == m_read.end() && m_read.size() >= kMaxKept)
            m_read.clear();
        Kept& kept = m_read[&entry];
        kept.version = entry.Version();
        kept.values = ReadAlarmSettings(entry);
        return kept.values;
    }

private:
    static constexpr size_t kMaxKept = 1 << 12;

    struct Kept {
        uint64_t version = 0;
        AlarmSettings values;
    };

    std::unordered_map<const ConfigNode*, Kept> m_read;
};

// `to` is a new entry, its children in name order: both lists are walked
// side by side rather than searched per name, as Child would find them.
void CopyValues(const ConfigNode& from, ConfigNode& to)
{
    int at = 0;
    for (int i = 0; i < from.ChildCount(); ++i) {
        const ConfigNode& source = *from.ChildAt(i);
        // Names are interned: the same name is the same string.
        auto same = [&](int k) { return &to.ChildAt(k)->Name() == &source.Name(); };
        while (at < to.ChildCount() && !same(at) && to.ChildAt(at)->Name() < source.Name())
            ++at;
        ConfigNode* target =
            at < to.ChildCount() && same(at) ? to.ChildAt(at) : to.Child(source.Name());
        // Shared: every recorder gets a copy of each default entry.
        if (target != nullptr)
            target->SetContentOf(source);
    }
}

} // namespace

int64_t CameraBit(int32_t camera)
{
    auto bit = static_cast<int32_t>(static_cast<uint32_t>(1) << (camera & 31));
    return static_cast<int64_t>(bit);
}

ConfigNode* FindAlarmSettings(ConfigTree& tree, int32_t alarmType, int32_t camera,
                              std::string_view recorderAddress)
{
    ConfigLock lock(tree);
    ConfigNode* recorder = FindRecorderEntry(tree, recorderAddress, 0);
    ConfigNode* list = recorder == nullptr ? nullptr : Find(*recorder, kRecorderAlarmSettings);
    thread_local SettingsMemo memo;
    return memo.Find(tree, list, alarmType, camera);
}

std::optional<AlarmSettings> LookupAlarmSettings(ConfigTree& tree, int32_t alarmType,
                                                 int32_t camera, std::string_view recorderAddress)
{
    ConfigLock lock(tree);
    ConfigNode* entry = FindAlarmSettings(tree, alarmType, camera, recorderAddress);
    if (entry == nullptr)
        return std::nullopt;
    thread_local ValuesMemo memo;
    return memo.Read(*entry);
}

void CompleteRecorderSettings(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* recorders = Find(tree, kRecorderList);
    if (recorders == nullptr)
        return;
    // Each list is walked once, not once per type: with thousands of
    // recorders the start would otherwise wait seconds for it.
    std::span<const int32_t> types = CatalogueOrder();
    std::vector<ConfigNode*> defaults;
    for (int32_t type : types)
        defaults.push_back(DefaultEntry(tree, type));
    struct OfType {
        ConfigNode* first = nullptr;
        int count = 0;
    };
    std::unordered_map<int32_t, OfType> byType;
    int32_t counter = 0;
    for (int r = 0; r < recorders->ChildCount(); ++r) {
        ConfigNode* list = Find(*recorders->ChildAt(r), kRecorderAlarmSettings);
        if (list == nullptr)
            continue;
        byType.clear();
        for (int i = 0; i < list->ChildCount(); ++i) {
            ConfigNode* entry = list->ChildAt(i);
            if (const ConfigNode* type = Find(*entry, kSettingType)) {
                OfType& found = byType[type->GetInt()];
                if (found.first == nullptr)
                    found.first = entry;
                ++found.count;
            }
        }
        for (size_t t = 0; t < types.size(); ++t) {
            OfType& found = byType[types[t]];
            if (found.first == nullptr && defaults[t] != nullptr) {
                found.first = list->NewEntry(list->ChildCount());
                if (found.first != nullptr) {
                    CopyValues(*defaults[t], *found.first);
                    found.count = IntOf(*found.first, "Type") == types[t] ? 1 : 0;
                }
            }
            ConfigNode* first = found.first;
            if (first == nullptr)
                continue;
            if (defaults[t] != nullptr)
                SetInt(*first, "SubType", IntOf(*defaults[t], "SubType"));
            if (found.count < 2)
                SetInt64(*first, "SubDetail", -1);
            SetInt(*first, "SubID", counter++);
        }
    }
    ConfigNode* next = tree.TopFolder("Runtime");
    for (std::string_view name : {"GUI", "CPropPageRecorderAlarmSettings", "iNextIDForSubID"})
        next = next == nullptr ? nullptr : next->Child(name);
    if (next != nullptr && next->GetInt() < counter)
        next->SetInt(counter + 1);
}
