// The placeholders of program arguments, working folders and mail texts: a
// name in "${" and "}" replaced by a value of the alarm. Also the split of a
// program's argument text into words, done before expansion so that an
// alarm's text always stays inside one argument.
#pragma once

#include "alarm/AlarmContext.h"

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct PlaceholderInfo {
    std::string_view name;
    std::string_view menuLabel; // German; translated when the menu is shown
};

inline constexpr size_t kPlaceholderCount = 13;
// Placeholders 0 to 10 are offered for mail and program texts, the last two
// for program texts only.
inline constexpr size_t kMailPlaceholderCount = 11;

const std::array<PlaceholderInfo, kPlaceholderCount>& PlaceholderTable();

// Ordered by byte-wise comparison of the names.
using PlaceholderMap = std::map<std::string, std::string>;

// All 13 placeholders from the context; "${WardexDir}" and
// "${ExecProgrammDir}" are empty (the program action fills them).
PlaceholderMap MakePlaceholderMap(const AlarmContext& context);

// Replaces every occurrence of each name in ascending name order, one name
// after the other, so a value holding a later name is replaced as well.
// Unknown names stay as they are.
std::string ExpandPlaceholders(const PlaceholderMap& map, std::string_view text);

// Words separated by blanks, tabs or line ends; double quotes group words
// into one and are dropped; "" is an empty word.
std::vector<std::string> SplitArguments(std::string_view text);

// A stored time as the placeholders show it: date and time, "%s,%s".
std::string DateCommaTime(int64_t storedMs);
