#include "ui/health/RecorderStatusModel.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "ui/config/QtText.h"

#include <QPainter>
#include <QPixmap>

namespace {

QString TimeCell(int64_t ms)
{
    if (ms <= 0)
        return QStringLiteral("-");
    Timestamp stamp = Timestamp::FromMs(ms);
    return ToQt(stamp.FormatDate() + " " + stamp.FormatTime(WithMs::No));
}

// Urgency for sorting: missed first when sorted descending.
int Urgency(RecorderState state)
{
    switch (state) {
    case RecorderState::Missed:
        return 5;
    case RecorderState::Late:
        return 4;
    case RecorderState::Maintenance:
        return 3;
    case RecorderState::NeverSeen:
        return 2;
    case RecorderState::SwitchedOff:
        return 1;
    case RecorderState::Online:
        return 0;
    }
    return 0;
}

// A coloured disc with a sign: the colour alone must not carry the state.
QIcon MakeIcon(RecorderState state, const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(150));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2));
    switch (state) {
    case RecorderState::Online:
        painter.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)}));
        break;
    case RecorderState::Late:
        painter.drawLine(QPointF(8, 4), QPointF(8, 8.5));
        painter.drawLine(QPointF(8, 8.5), QPointF(11, 10));
        break;
    case RecorderState::Missed:
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case RecorderState::SwitchedOff:
        painter.drawLine(QPointF(5, 8), QPointF(11, 8));
        break;
    case RecorderState::NeverSeen:
        painter.drawPoint(QPointF(8, 8));
        break;
    case RecorderState::Maintenance:
        // A spanner's head and handle.
        painter.drawLine(QPointF(5, 11), QPointF(9, 7));
        painter.drawEllipse(QRectF(8.5, 4, 3, 3));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

RecorderStatusModel::RecorderStatusModel(QObject* parent) : QAbstractTableModel(parent)
{
    for (int i = 0; i < kRecorderStateCount; ++i) {
        auto state = static_cast<RecorderState>(i);
        m_icons[static_cast<size_t>(i)] = MakeIcon(state, StateColour(state));
    }
}

QColor RecorderStatusModel::StateColour(RecorderState state)
{
    switch (state) {
    case RecorderState::Online:
        return {46, 125, 50};
    case RecorderState::Late:
        return {230, 145, 0};
    case RecorderState::Missed:
        return {198, 40, 40};
    case RecorderState::SwitchedOff:
        return {100, 100, 110};
    case RecorderState::NeverSeen:
        return {150, 150, 160};
    case RecorderState::Maintenance:
        return {40, 100, 190};
    }
    return Qt::black;
}

QIcon RecorderStatusModel::StateIcon(RecorderState state) const
{
    return m_icons[static_cast<size_t>(state)];
}

void RecorderStatusModel::SetRows(const std::vector<RecorderOverviewRow>& rows)
{
    bool sameRecorders = rows.size() == m_rows.size();
    for (size_t i = 0; sameRecorders && i < rows.size(); ++i)
        sameRecorders = rows[i].status.Key() == m_rows[i].status.Key();
    if (!sameRecorders) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
        return;
    }
    if (rows == m_rows)
        return;
    m_rows = rows;
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int RecorderStatusModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RecorderStatusModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString RecorderStatusModel::Text(const RecorderOverviewRow& row, int column) const
{
    const RecorderStatus& status = row.status;
    switch (column) {
    case Name:
        return ToQt(status.name);
    case Address:
        return ToQt(status.ip);
    case State:
        return ToQt(Tr(RecorderStateName(status.state)));
    case LastSignal:
        return TimeCell(status.keys.lastSignal);
    case NextSignal:
        return TimeCell(status.keys.nextSignal);
    case ReportingTime:
        return ToQt(SupervisionClassText(status.keys.reportingSeconds));
    case OpenAlarms:
        return QString::number(row.openAlarms);
    case Today:
        return ToQt(PercentText(row.today));
    case Last30Days:
        return ToQt(PercentText(row.last30Days));
    default:
        return {};
    }
}

QVariant RecorderStatusModel::SortValue(const RecorderOverviewRow& row, int column) const
{
    switch (column) {
    case State:
        return Urgency(row.status.state);
    case LastSignal:
        return static_cast<qlonglong>(row.status.keys.lastSignal);
    case NextSignal:
        return static_cast<qlonglong>(row.status.keys.nextSignal);
    case ReportingTime:
        return row.status.keys.reportingSeconds;
    case OpenAlarms:
        return static_cast<qlonglong>(row.openAlarms);
    case Today:
        return row.today.value_or(-1.0);
    case Last30Days:
        return row.last30Days.value_or(-1.0);
    default:
        return Text(row, column).toLower();
    }
}

QVariant RecorderStatusModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const RecorderOverviewRow& row = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return Text(row, index.column());
    case kSortRole:
        return SortValue(row, index.column());
    case kStateRole:
        return static_cast<int>(row.status.state);
    case Qt::DecorationRole:
        return index.column() == State ? QVariant(StateIcon(row.status.state)) : QVariant();
    case Qt::ForegroundRole:
        return index.column() == State ? QVariant(StateColour(row.status.state).darker(120))
                                       : QVariant();
    case Qt::BackgroundRole: {
        // A light tint of the state's colour across the row.
        QColor tint = StateColour(row.status.state);
        tint.setAlpha(row.status.state == RecorderState::Online ? 18 : 48);
        return tint;
    }
    case Qt::TextAlignmentRole:
        return index.column() >= OpenAlarms ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                            : QVariant();
    default:
        return {};
    }
}

QVariant RecorderStatusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static constexpr std::array<std::string_view, ColumnCount> kHeaders = {
        TrNoop("Name"),
        TrNoop("IP-Adresse"),
        TrNoop("Zustand"),
        TrNoop("Letztes Signal"),
        TrNoop("Naechstes Signal"),
        TrNoop("Meldezeit"),
        TrNoop("Offene Alarme"),
        TrNoop("Heute"),
        TrNoop("30 Tage")};
    if (section < 0 || section >= ColumnCount)
        return {};
    return ToQt(Tr(kHeaders[static_cast<size_t>(section)]));
}
