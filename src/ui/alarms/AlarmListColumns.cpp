#include "ui/alarms/AlarmListColumns.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/ConfigPath.h"

namespace {

const std::array<AlarmListColumn, kAlarmListColumnCount> kColumns = {{
    {TrNoop("Quitt."), "Quittierung", 50, 7},
    {TrNoop("Zeit-Eingang"), "Timestamp", 130, 0},
    {TrNoop("Zeit-Versand"), "RecDepartTime", 130, 1},
    {TrNoop("Rekorder"), "Recorder", 100, 2},
    {TrNoop("Kamera"), "Kamera", 50, 3},
    {TrNoop("Alarm-Typ"), "AlarmTyp", 140, 5},
    {TrNoop("Zusaetzl. Info"), "AddInfo", 260, 6},
    {TrNoop("Quit.-Benutzer"), "ConfirmUser", 70, 8},
    {TrNoop("Quit.-Kommentar"), "ConfirmComment", 100, 9},
    {TrNoop("Prio."), "Priority", 50, 102},
    {TrNoop("Zeit-Quittierung"), "ActionTime", 200, 11},
}};

ConfigNode* StateFolder(ConfigTree& tree, std::string_view folder)
{
    return FindConfigNode(tree, {"Runtime", "GUI", "WardexMEDlg", folder});
}

} // namespace

const std::array<AlarmListColumn, kAlarmListColumnCount>& AlarmListColumns()
{
    return kColumns;
}

ColumnOrder NaturalColumnOrder()
{
    ColumnOrder order{};
    for (int column = 0; column < kAlarmListColumnCount; ++column)
        order[static_cast<size_t>(column)] = column;
    return order;
}

ColumnWidths ReadColumnWidths(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* folder = StateFolder(tree, "ColumnWidths");
    ColumnWidths widths{};
    for (size_t column = 0; column < kColumns.size(); ++column) {
        ConfigNode* node = folder == nullptr ? nullptr : folder->Child(kColumns[column].key);
        widths[column] = node == nullptr ? kColumns[column].defaultWidth : node->GetInt();
    }
    return widths;
}

ColumnOrder ReadColumnOrder(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* folder = StateFolder(tree, "ColumnPos");
    if (folder == nullptr)
        return NaturalColumnOrder();
    ColumnOrder order{};
    std::array<bool, kAlarmListColumnCount> seen{};
    for (size_t position = 0; position < kColumns.size(); ++position) {
        ConfigNode* node = folder->Child(kColumns[position].key);
        if (node == nullptr)
            return NaturalColumnOrder();
        int column = node->GetInt();
        if (column < 0 || column >= kAlarmListColumnCount || seen[static_cast<size_t>(column)])
            return NaturalColumnOrder();
        seen[static_cast<size_t>(column)] = true;
        order[position] = column;
    }
    return order;
}

void WriteColumnWidths(ConfigTree& tree, const ColumnWidths& widths)
{
    ConfigLock lock(tree);
    ConfigNode* folder = StateFolder(tree, "ColumnWidths");
    if (folder == nullptr)
        return;
    for (size_t column = 0; column < kColumns.size(); ++column) {
        if (ConfigNode* node = folder->Child(kColumns[column].key))
            node->SetInt(widths[column]);
    }
}

void WriteColumnOrder(ConfigTree& tree, const ColumnOrder& order)
{
    ConfigLock lock(tree);
    ConfigNode* folder = StateFolder(tree, "ColumnPos");
    if (folder == nullptr)
        return;
    for (size_t position = 0; position < kColumns.size(); ++position) {
        if (ConfigNode* node = folder->Child(kColumns[position].key))
            node->SetInt(order[position]);
    }
}

ListSort ReadListSort(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ListSort sort;
    ConfigNode* column = Find(tree, kSortColumn);
    ConfigNode* ascending = Find(tree, kSortAscending);
    if (column != nullptr && column->GetInt() >= 0 && column->GetInt() < kAlarmListColumnCount)
        sort.column = column->GetInt();
    if (ascending != nullptr)
        sort.ascending = ascending->GetInt() != 0;
    return sort;
}

void WriteListSort(ConfigTree& tree, ListSort sort)
{
    ConfigLock lock(tree);
    Set(tree, kSortColumn, sort.column);
    Set(tree, kSortAscending, sort.ascending ? 1 : 0);
}
