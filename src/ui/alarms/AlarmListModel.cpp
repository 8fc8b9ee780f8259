#include "ui/alarms/AlarmListModel.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/PresentationWindow.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"
#include "events/RgbColor.h"
#include "events/TextFormat.h"
#include "filters/SettingsSortKeys.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListIcons.h"

#include <QColor>

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Date, ", ", time of day; empty for a time that is zero or negative.
QString DateAndTime(int64_t storedMs)
{
    if (storedMs <= 0)
        return {};
    Timestamp time = Timestamp::FromMs(storedMs);
    return ToQt(FormatText("%s, %s", time.FormatDate(), time.FormatTime(WithMs::No)));
}

} // namespace

QColor TextOn(RgbColor color)
{
    RgbColor text = ReadableTextOn(color);
    return {text.red, text.green, text.blue};
}

StateIcon StateIconOf(const AlarmRecord& record, Presenting presenting)
{
    int32_t confirmed = record.Int(AlarmField::Confirmed);
    int32_t state = record.Int(AlarmField::ConfirmState);
    int32_t automatic = record.Int(AlarmField::AutoConfirmed);
    bool presentingNow = presenting == Presenting::Yes;
    if (confirmed == 1 && automatic != 1)
        return StateIcon::Confirmed;
    if (state == 1 || state == 3)
        return presentingNow && state == 1 ? StateIcon::PostponedPresenting : StateIcon::Postponed;
    if (automatic == 1)
        return StateIcon::AutoConfirmed;
    if (presentingNow && state == 0)
        return StateIcon::OpenPresenting;
    return StateIcon::Open;
}

AlarmListModel::AlarmListModel(ConfigTree& tree, AlarmDatabase& database,
                               const PresentationWindow& presentation, QObject* parent)
    : QAbstractTableModel(parent), m_tree(tree), m_database(database), m_presentation(presentation),
      m_icons(MakeStateIcons()), m_rows(database.ViewCount())
{
}

int AlarmListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int AlarmListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kAlarmListColumnCount;
}

bool AlarmListModel::IsPresenting() const
{
    return m_presentation.IsActive();
}

const AlarmListModel::Row& AlarmListModel::RowAt(int row) const
{
    if (m_cache.row == row)
        return m_cache;
    m_cache.row = row;
    m_cache.settings.reset();
    m_cache.recorderName.reset();
    m_cache.read = m_database.ReadViewed(row, m_cache.record);
    ++m_rowReads;
    if (!m_cache.read)
        return m_cache;
    const AlarmRecord& record = m_cache.record;
    std::string_view address = record.Field(AlarmField::Recorder);
    m_cache.recorderName = FindRecorderName(m_tree, address, 0);
    m_cache.settings = LookupAlarmSettings(m_tree, record.Int(AlarmField::AlarmType),
                                           record.Int(AlarmField::CameraID), address);
    return m_cache;
}

QString AlarmListModel::CellText(int row, int column) const
{
    const Row& cached = RowAt(row);
    if (!cached.read)
        return {};
    return AlarmCellText(cached.record, column, cached.recorderName, cached.settings);
}

QString AlarmCellText(const AlarmRecord& record, int column,
                      const std::optional<std::string>& recorderName,
                      const std::optional<AlarmSettings>& settings)
{
    switch (column) {
    case kColumnArrival:
        return DateAndTime(record.Number(AlarmField::TimeArrival));
    case kColumnDeparture:
        return DateAndTime(record.Number(AlarmField::TimeDeparture));
    case kColumnRecorder:
        if (recorderName)
            return ToQt(*recorderName);
        return ToQt(
            FormatTr(TrNoop("Unbekannter Rekorder: %s"), record.Field(AlarmField::Recorder)));
    case kColumnCamera: {
        std::string_view camera = record.Field(AlarmField::CameraID);
        return camera == "-1" ? QString() : ToQt(camera);
    }
    case kColumnAlarmType:
        return settings ? ToQt(Tr(settings->message)) : QString();
    case kColumnAddInfo:
        return ToQt(record.Field(AlarmField::AddInfo));
    case kColumnConfirmUser:
        return ToQt(record.Field(AlarmField::ConfirmUser));
    case kColumnConfirmComment:
        return ToQt(record.Field(AlarmField::ConfirmComment));
    case kColumnPriority:
        return settings ? ToQt(FormatText("%d", int64_t{settings->priority} + 1)) : QString();
    case kColumnActionTime:
        return DateAndTime(record.Number(AlarmField::ActionTime));
    default:
        return {};
    }
}

std::optional<StateIcon> AlarmListModel::CellIcon(int row) const
{
    const Row& cached = RowAt(row);
    if (!cached.read)
        return std::nullopt;
    return StateIconOf(cached.record, IsPresenting() ? Presenting::Yes : Presenting::No);
}

QVariant AlarmListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == kColumnState)
            return {};
        return CellText(index.row(), column);
    case Qt::DecorationRole: {
        if (column != kColumnState)
            return {};
        std::optional<StateIcon> icon = CellIcon(index.row());
        return icon ? QVariant(Icon(*icon)) : QVariant();
    }
    case Qt::TextAlignmentRole:
        if (column == kColumnState || column == kColumnCamera || column == kColumnPriority)
            return QVariant(Qt::AlignCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        if (column != kColumnPriority)
            return {};
        const Row& cached = RowAt(index.row());
        if (!cached.read || !cached.settings)
            return {};
        RgbColor color = PriorityColor(cached.settings->priority);
        if (role == Qt::ForegroundRole)
            return TextOn(color);
        return QColor(color.red, color.green, color.blue);
    }
    default:
        return {};
    }
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kAlarmListColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return ToQt(Tr(AlarmListColumns()[static_cast<size_t>(section)].header));
    return {};
}

int AlarmListModel::RecordNumber(int row) const
{
    return m_database.ViewRecord(row);
}

void AlarmListModel::Refresh()
{
    ForgetRow();
    int rows = m_database.ViewCount();
    int inserted = m_database.LastPosition();
    if (rows == m_rows) {
        if (rows > 0)
            emit dataChanged(index(0, 0), index(rows - 1, kAlarmListColumnCount - 1));
    } else if (rows == m_rows + 1 && inserted >= 0 && inserted <= m_rows) {
        beginInsertRows(QModelIndex(), inserted, inserted);
        m_rows = rows;
        endInsertRows();
    } else {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    emit Refreshed();
}

void AlarmListModel::SortByColumn(int column)
{
    if (column < 0 || column >= kAlarmListColumnCount)
        return;
    if (column == m_sortColumn) {
        m_ascending = !m_ascending;
    } else {
        m_sortColumn = column;
        m_ascending = true;
    }
    Resort();
}

void AlarmListModel::RestoreSort(int column, bool ascending)
{
    if (column < 0 || column >= kAlarmListColumnCount)
        return;
    m_sortColumn = column;
    m_ascending = ascending;
    Resort();
}

void AlarmListModel::Resort()
{
    beginResetModel();
    ForgetRow();
    if (IsPresenting()) {
        m_database.SortView(SettingsSortKeys::kPriorityCode, SortDirection::Ascending);
    } else {
        m_database.SortView(AlarmListColumns()[static_cast<size_t>(m_sortColumn)].sortCode,
                            m_ascending ? SortDirection::Ascending : SortDirection::Descending);
    }
    m_rows = m_database.ViewCount();
    endResetModel();
    emit Refreshed();
}

std::string AlarmListModel::StatusText() const
{
    int viewed = m_database.ViewCount();
    int stored = m_database.RecordCount();
    if (m_database.IsFilterActive()) {
        if (viewed == 1)
            return FormatTr(TrNoop("%d / %d Alarm (Filter aktiv!)"), viewed, stored);
        return FormatTr(TrNoop("%d / %d Alarme (Filter aktiv!)"), viewed, stored);
    }
    if (viewed == 1)
        return FormatTr(TrNoop("%d Alarm"), stored);
    return FormatTr(TrNoop("%d Alarme"), stored);
}
