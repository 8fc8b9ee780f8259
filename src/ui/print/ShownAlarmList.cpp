#include "ui/print/ShownAlarmList.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListModel.h"
#include "ui/alarms/AlarmListView.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTimeZone>
#include <algorithm>

namespace {

QString StateWord(StateIcon icon)
{
    switch (icon) {
    case StateIcon::Confirmed:
        return QString::fromStdString(Tr("Quittiert"));
    case StateIcon::Postponed:
    case StateIcon::PostponedPresenting:
        return QString::fromStdString(Tr("Zurueckgestellt"));
    case StateIcon::AutoConfirmed:
        return QString::fromStdString(Tr("Automatisch quittiert"));
    case StateIcon::Open:
    case StateIcon::OpenPresenting:
        break;
    }
    return QString::fromStdString(Tr("Offen"));
}

std::optional<AlarmField> TimeFieldOf(int column)
{
    switch (column) {
    case kColumnArrival:
        return AlarmField::TimeArrival;
    case kColumnDeparture:
        return AlarmField::TimeDeparture;
    case kColumnActionTime:
        return AlarmField::ActionTime;
    default:
        return std::nullopt;
    }
}

} // namespace

QString IsoTime(int64_t storedMs)
{
    if (storedMs <= 0)
        return {};
    int64_t unixMs = storedMs - kUnixEpochSeconds * 1000;
    return QDateTime::fromMSecsSinceEpoch(unixMs, QTimeZone::systemTimeZone())
        .toString(Qt::ISODateWithMs);
}

ShownAlarmList::ShownAlarmList(AlarmListView& view, AlarmDatabase& database)
    : m_view(view), m_database(database)
{
    const QHeaderView& header = *view.horizontalHeader();
    for (int visual = 0; visual < header.count(); ++visual) {
        int column = header.logicalIndex(visual);
        if (!header.isSectionHidden(column))
            m_columns.push_back(column);
    }
}

int ShownAlarmList::RowCount() const
{
    return m_view.Model().rowCount();
}

QString ShownAlarmList::Header(int column) const
{
    return m_view.Model().headerData(column, Qt::Horizontal).toString();
}

int ShownAlarmList::Width(int column) const
{
    return m_view.horizontalHeader()->sectionSize(column);
}

QString ShownAlarmList::Cell(int row, int column, TimeText times) const
{
    AlarmListModel& model = m_view.Model();
    if (column == kColumnState) {
        std::optional<StateIcon> icon = model.CellIcon(row);
        return icon ? StateWord(*icon) : QString();
    }
    std::optional<AlarmField> timeField = TimeFieldOf(column);
    if (times == TimeText::AsShown || !timeField)
        return model.CellText(row, column);
    AlarmRecord record;
    if (!m_database.Read(model.RecordNumber(row), record))
        return {};
    return IsoTime(record.Number(*timeField));
}

std::optional<std::pair<int64_t, int64_t>> ShownAlarmList::ArrivalSpan() const
{
    std::optional<std::pair<int64_t, int64_t>> span;
    AlarmRecord record;
    for (int row = 0; row < RowCount(); ++row) {
        if (!m_database.Read(m_view.Model().RecordNumber(row), record))
            continue;
        int64_t arrival = record.Number(AlarmField::TimeArrival);
        if (!span)
            span = std::pair{arrival, arrival};
        span->first = std::min(span->first, arrival);
        span->second = std::max(span->second, arrival);
    }
    return span;
}
