// Paints the alarm list's cells: a time that does not fit loses the start
// of its date rather than the time of day, the priority keeps its colour in
// a selected row, and no single cell carries a focus frame, since whole
// rows are selected.
#pragma once

#include <QStyledItemDelegate>

class AlarmListDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
