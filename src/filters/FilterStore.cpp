#include "filters/FilterStore.h"

#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"

namespace {

int32_t IntOf(ConfigNode* folder, std::string_view key)
{
    ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr;
    return node != nullptr ? node->GetInt() : 0;
}

int64_t Int64Of(ConfigNode* folder, std::string_view key)
{
    ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr;
    return node != nullptr ? node->GetInt64() : 0;
}

std::string StringOf(ConfigNode* folder, std::string_view key)
{
    ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr;
    return node != nullptr ? node->GetString() : std::string();
}

void SetIntIn(ConfigNode* folder, std::string_view key, int32_t value)
{
    if (ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr)
        node->SetInt(value);
}

void SetInt64In(ConfigNode* folder, std::string_view key, int64_t value)
{
    if (ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr)
        node->SetInt64(value);
}

void SetStringIn(ConfigNode* folder, std::string_view key, std::string_view value)
{
    if (ConfigNode* node = folder != nullptr ? folder->Child(key) : nullptr)
        node->SetString(value);
}

ConfigNode* ChildOf(ConfigNode* folder, std::string_view key)
{
    return folder != nullptr ? folder->Child(key) : nullptr;
}

AlarmFilter ReadFilter(ConfigNode* data)
{
    AlarmFilter filter;
    ConfigNode* time = ChildOf(data, "Time");
    filter.rangeStart = Timestamp::FromMs(Int64Of(time, "TimeBegin"));
    filter.rangeEnd = Timestamp::FromMs(Int64Of(time, "TimeEnd"));
    filter.lastDays = IntOf(time, "LastDays");
    filter.useArrivalTime = IntOf(time, "iTimeUseTimestamp") != 0;
    filter.mode = IntOf(time, "Mode");
    if (ConfigNode* recorders = ChildOf(data, "Recorder")) {
        for (int i = 0; i < recorders->ChildCount(); ++i) {
            ConfigNode* entry = recorders->ChildAt(i);
            filter.recorders.push_back({StringOf(entry, "Name"), IntOf(entry, "CamFilter")});
        }
    }
    if (ConfigNode* types = ChildOf(data, "AlarmType")) {
        for (int i = 0; i < types->ChildCount(); ++i)
            filter.alarmTypes.push_back(IntOf(types->ChildAt(i), "Nr"));
    }
    filter.link = IntOf(data, "LinkANDorOR");
    filter.onlyUnconfirmed = IntOf(data, "NotCommited") != 0;
    filter.onlyConfirmed = IntOf(data, "IsCommited") != 0;
    filter.activeParts = IntOf(data, "UseFilter");
    return filter;
}

void WriteFilter(ConfigNode* data, const AlarmFilter& filter)
{
    if (ConfigNode* types = ChildOf(data, "AlarmType")) {
        for (int32_t type : filter.alarmTypes)
            SetIntIn(types->NewEntry(0), "Nr", type);
    }
    if (ConfigNode* recorders = ChildOf(data, "Recorder")) {
        for (const FilterRecorder& recorder : filter.recorders) {
            ConfigNode* entry = recorders->NewEntry(0);
            SetStringIn(entry, "Name", recorder.name);
            SetIntIn(entry, "CamFilter", recorder.cameraMask);
        }
    }
    ConfigNode* time = ChildOf(data, "Time");
    SetIntIn(time, "Mode", filter.mode);
    SetInt64In(time, "TimeBegin", filter.rangeStart.ToMs());
    SetInt64In(time, "TimeEnd", filter.rangeEnd.ToMs());
    SetIntIn(time, "LastDays", filter.lastDays);
    SetIntIn(time, "iTimeUseTimestamp", filter.useArrivalTime ? 1 : 0);
    SetIntIn(data, "LinkANDorOR", filter.link);
    SetIntIn(data, "IsCommited", filter.onlyConfirmed ? 1 : 0);
    SetIntIn(data, "NotCommited", filter.onlyUnconfirmed ? 1 : 0);
    SetIntIn(data, "UseFilter", filter.activeParts);
}

ConfigNode* FilterList(ConfigTree& tree)
{
    return Find(tree, kFilterList);
}

} // namespace

std::vector<NamedFilter> LoadFilters(ConfigTree& tree)
{
    ConfigLock lock(tree);
    std::vector<NamedFilter> filters;
    ConfigNode* list = FilterList(tree);
    if (list == nullptr)
        return filters;
    for (int i = 0; i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        filters.push_back({StringOf(entry, "Name"), ReadFilter(ChildOf(entry, "FilterData"))});
    }
    return filters;
}

void SaveFilters(ConfigTree& tree, const std::vector<NamedFilter>& filters)
{
    ConfigLock lock(tree);
    ConfigNode* list = FilterList(tree);
    if (list == nullptr)
        return;
    list->RemoveAllChildren();
    for (const NamedFilter& named : filters) {
        ConfigNode* entry = list->NewEntry(0);
        if (entry == nullptr)
            return;
        SetStringIn(entry, "Name", named.name);
        WriteFilter(ChildOf(entry, "FilterData"), named.filter);
    }
}

int RemoveRecorderFromFilters(ConfigTree& tree, std::string_view recorderName)
{
    ConfigLock lock(tree);
    ConfigNode* list = FilterList(tree);
    if (list == nullptr)
        return 0;
    int removed = 0;
    for (int i = 0; i < list->ChildCount(); ++i) {
        ConfigNode* recorders = ChildOf(ChildOf(list->ChildAt(i), "FilterData"), "Recorder");
        if (recorders == nullptr)
            continue;
        for (int k = recorders->ChildCount() - 1; k >= 0; --k) {
            if (StringOf(recorders->ChildAt(k), "Name") == recorderName &&
                recorders->RemoveChildAt(k))
                ++removed;
        }
    }
    return removed;
}
