// The eleven columns of the main alarm list: header, the key their width and
// display position are saved under (Runtime/GUI/WardexMEDlg), the default
// width and the view's sort code; reading and writing widths and order.
#pragma once

#include <array>
#include <string_view>

class ConfigTree;

struct AlarmListColumn {
    std::string_view header; // German, translated when shown
    std::string_view key;
    int defaultWidth;
    int sortCode;
};

inline constexpr int kAlarmListColumnCount = 11;

enum AlarmListColumnIndex : int {
    kColumnState = 0,
    kColumnArrival = 1,
    kColumnDeparture = 2,
    kColumnRecorder = 3,
    kColumnCamera = 4,
    kColumnAlarmType = 5,
    kColumnAddInfo = 6,
    kColumnConfirmUser = 7,
    kColumnConfirmComment = 8,
    kColumnPriority = 9,
    kColumnActionTime = 10,
};

const std::array<AlarmListColumn, kAlarmListColumnCount>& AlarmListColumns();

using ColumnWidths = std::array<int, kAlarmListColumnCount>;
// Position k holds the column shown at display position k.
using ColumnOrder = std::array<int, kAlarmListColumnCount>;

// Widths by column; a missing key gives the column's default.
ColumnWidths ReadColumnWidths(ConfigTree& tree);
// The saved order, or the natural order when it is not a permutation of the
// columns.
ColumnOrder ReadColumnOrder(ConfigTree& tree);
void WriteColumnWidths(ConfigTree& tree, const ColumnWidths& widths);
void WriteColumnOrder(ConfigTree& tree, const ColumnOrder& order);

ColumnOrder NaturalColumnOrder();

// The operator's sort, kept across restarts; a column outside the list
// gives the start in arrival order.
struct ListSort {
    int column = kColumnArrival;
    bool ascending = true;
};
ListSort ReadListSort(ConfigTree& tree);
void WriteListSort(ConfigTree& tree, ListSort sort);
