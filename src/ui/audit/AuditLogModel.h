// The audit trail as a table: only the lines that pass the filter, asked for
// row by row, so a long trail costs no more to show than a short one.
#pragma once

#include "audit/AuditLog.h"

#include <QAbstractTableModel>
#include <vector>

class AuditLogModel final : public QAbstractTableModel {
public:
    enum Column { Time, User, Kind, Subject, Details, ColumnCount };

    explicit AuditLogModel(std::filesystem::path folder, QObject* parent = nullptr);

    void SetFilter(AuditFilter filter);
    const AuditFilter& Filter() const { return m_filter; }
    // Reads what the station appended; matching lines are added at the end.
    void Refresh();

    const std::vector<AuditLine>& AllLines() const { return m_log.Lines(); }
    const AuditLine& LineAt(int row) const;
    QString Text(int row, int column) const;
    static QString Header(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void Rebuild();

    AuditLog m_log;
    AuditFilter m_filter;
    std::vector<int> m_rows;
};
