#include "ui/alarms/AlarmListDelegate.h"

#include "ui/alarms/AlarmListColumns.h"

void AlarmListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    int column = index.column();
    if (column == kColumnArrival || column == kColumnDeparture || column == kColumnActionTime)
        option->textElideMode = Qt::ElideLeft;
    option->state &= ~QStyle::State_HasFocus;
    // The priority colour stays visible in a selected row.
    if (column == kColumnPriority)
        option->state &= ~QStyle::State_Selected;
}
