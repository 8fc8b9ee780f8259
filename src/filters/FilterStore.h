// The filters in the configuration tree (Program/FilterList): reading them
// into AlarmFilter values, writing an edited list back, and dropping a
// deleted recorder from every filter.
#pragma once

#include "filters/AlarmFilter.h"

#include <string>
#include <string_view>
#include <vector>

class ConfigTree;

struct NamedFilter {
    std::string name;
    AlarmFilter filter;

    friend bool operator==(const NamedFilter&, const NamedFilter&) = default;
};

// In list order.
std::vector<NamedFilter> LoadFilters(ConfigTree& tree);
// Empties FilterList and writes the filters in their order, under the lock.
void SaveFilters(ConfigTree& tree, const std::vector<NamedFilter>& filters);
// Removes every filter recorder entry of that name; how many were removed.
int RemoveRecorderFromFilters(ConfigTree& tree, std::string_view recorderName);
