// The rows of the recorder overview as a table model: one row per recorder
// with its state shown by colour and icon. Refreshing keeps the rows where
// the list is unchanged, so sorting and the selection stay put.
#pragma once

#include "station/RecorderOverview.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

class RecorderStatusModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Name,
        Address,
        State,
        LastSignal,
        NextSignal,
        ReportingTime,
        OpenAlarms,
        Today,
        Last30Days,
        ColumnCount
    };
    // The value behind a cell for sorting (times, numbers, the state's
    // urgency) rather than its text.
    static constexpr int kSortRole = Qt::UserRole;
    static constexpr int kStateRole = Qt::UserRole + 1;

    explicit RecorderStatusModel(QObject* parent = nullptr);

    void SetRows(const std::vector<RecorderOverviewRow>& rows);
    const RecorderOverviewRow& RowAt(int row) const { return m_rows[static_cast<size_t>(row)]; }

    static QColor StateColour(RecorderState state);
    QIcon StateIcon(RecorderState state) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString Text(const RecorderOverviewRow& row, int column) const;
    QVariant SortValue(const RecorderOverviewRow& row, int column) const;

    std::vector<RecorderOverviewRow> m_rows;
    std::array<QIcon, kRecorderStateCount> m_icons;
};
