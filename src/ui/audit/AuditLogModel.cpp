#include "ui/audit/AuditLogModel.h"

#include "config/Translator.h"
#include "ui/config/QtText.h"

AuditLogModel::AuditLogModel(std::filesystem::path folder, QObject* parent)
    : QAbstractTableModel(parent), m_log(std::move(folder))
{
    m_log.Refresh();
    Rebuild();
}

void AuditLogModel::SetFilter(AuditFilter filter)
{
    m_filter = std::move(filter);
    beginResetModel();
    Rebuild();
    endResetModel();
}

void AuditLogModel::Rebuild()
{
    m_rows.clear();
    const std::vector<AuditLine>& lines = m_log.Lines();
    for (size_t i = 0; i < lines.size(); ++i)
        if (m_filter.Matches(lines[i]))
            m_rows.push_back(static_cast<int>(i));
}

void AuditLogModel::Refresh()
{
    size_t known = m_log.Lines().size();
    switch (m_log.Refresh()) {
    case AuditLog::Change::None:
        return;
    case AuditLog::Change::Reloaded:
        beginResetModel();
        Rebuild();
        endResetModel();
        return;
    case AuditLog::Change::Appended:
        break;
    }
    std::vector<int> added;
    const std::vector<AuditLine>& lines = m_log.Lines();
    for (size_t i = known; i < lines.size(); ++i)
        if (m_filter.Matches(lines[i]))
            added.push_back(static_cast<int>(i));
    if (added.empty())
        return;
    int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    m_rows.insert(m_rows.end(), added.begin(), added.end());
    endInsertRows();
}

const AuditLine& AuditLogModel::LineAt(int row) const
{
    return m_log.Lines()[static_cast<size_t>(m_rows[static_cast<size_t>(row)])];
}

QString AuditLogModel::Header(int column)
{
    switch (column) {
    case Time:
        return ToQt(Tr("Zeit"));
    case User:
        return ToQt(Tr("Benutzer"));
    case Kind:
        return ToQt(Tr("Art"));
    case Subject:
        return ToQt(Tr("Betreff"));
    case Details:
        return ToQt(Tr("Einzelheiten"));
    default:
        return {};
    }
}

QString AuditLogModel::Text(int row, int column) const
{
    const AuditLine& line = LineAt(row);
    switch (column) {
    case Time:
        // Local time as the station read it; the offset stays in the file.
        return ToQt(line.time.substr(0, 19)).replace(u'T', u' ');
    case User:
        return ToQt(line.user);
    case Kind:
        return ToQt(line.event.kind);
    case Subject:
        return ToQt(line.event.subject);
    case Details: {
        QStringList parts;
        for (const auto& [key, value] : line.event.details)
            parts << ToQt(key) + QStringLiteral(": ") + ToQt(value);
        return parts.join(QStringLiteral("; "));
    }
    default:
        return {};
    }
}

int AuditLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AuditLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AuditLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    return Text(index.row(), index.column());
}

QVariant AuditLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return Header(section);
}
