#include "ui/alarms/AlarmListView.h"

#include "alarm/AlarmAudit.h"
#include "alarm/AlarmSound.h"
#include "alarm/AlarmWindowManager.h"
#include "alarm/LiveViewLink.h"
#include "audit/AuditTrail.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "platform/Prompt.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListDelegate.h"
#include "ui/alarms/AlarmListMenu.h"
#include "ui/alarms/AlarmListModel.h"
#include "users/UserSession.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kCaption = "Wardex";
// Room a cell keeps on either side of its text.
constexpr int kCellPadding = 8;
// Room around a line of text, so rows are easy to tell apart.
constexpr int kRowPadding = 8;

} // namespace

AlarmListView::AlarmListView(const AlarmListParts& parts, QWidget* parent)
    : QTableView(parent), m_parts(parts),
      m_model(new AlarmListModel(parts.tree, parts.database, parts.presentation, this))
{
    setObjectName("AlarmList");
    // Fixed row heights keep a view of a million rows from measuring them;
    // set before the model, as changing them afterwards visits every row.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
    setModel(m_model);
    setItemDelegate(new AlarmListDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setIconSize(QSize(16, 16));
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* header = horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(0);
    connect(header, &QHeaderView::sectionClicked, this, &AlarmListView::SortByColumn);

    connect(m_model, &AlarmListModel::Refreshed, this, [this] {
        UpdateHeaderArrow();
        // The status line is painted with the rows: setting its text lays out
        // the status bar anew, which costs more than storing an alarm.
        if (m_paintHeld)
            m_statusHeld = true;
        else
            emit StatusChanged();
    });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenAlarm(index.row()); });

    RestoreColumns();
    UpdateHeaderArrow();

    m_paintInterval.setSingleShot(true);
    m_paintInterval.setInterval(kPaintIntervalMs);
    connect(&m_paintInterval, &QTimer::timeout, this, [this] { ReleasePainting(); });
    // Which rows an arrival moved on the screen; any other change repaints
    // the whole view.
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int) {
                m_insertedFrom = m_insertedFrom < 0 ? first : std::min(m_insertedFrom, first);
            });
    auto whole = [this] { m_wholeLayout = true; };
    connect(m_model, &QAbstractItemModel::modelReset, this, whole);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, whole);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, whole);
}

AlarmListView::~AlarmListView() = default;

void AlarmListView::Refresh()
{
    ThrottlePainting();
    m_model->Refresh();
}

void AlarmListView::ThrottlePainting()
{
    // Painting rows and the scroll bar costs more than storing their alarms:
    // with one alarm per pump round it would take most of the station's time.
    if (!m_paintInterval.isActive()) {
        m_paintInterval.start();
        return;
    }
    if (m_paintHeld)
        return;
    m_paintHeld = true;
    // The window's pending paint waits for the end of the interval; what
    // became dirty meanwhile is painted then, in one go. Uncovering the
    // window still paints at once.
    m_heldWindow = window();
    m_heldWindow->installEventFilter(this);
}

void AlarmListView::ReleasePainting()
{
    if (!m_paintHeld)
        return;
    m_paintHeld = false;
    if (std::exchange(m_geometriesHeld, false))
        updateGeometries();
    if (m_heldWindow != nullptr) {
        m_heldWindow->removeEventFilter(this);
        QCoreApplication::postEvent(m_heldWindow, new QEvent(QEvent::UpdateRequest),
                                    Qt::LowEventPriority);
    }
    m_heldWindow = nullptr;
    // The next interval starts with this paint.
    m_paintInterval.start();
    if (std::exchange(m_statusHeld, false))
        emit StatusChanged();
}

bool AlarmListView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_paintHeld && watched == m_heldWindow && event->type() == QEvent::UpdateRequest)
        return true;
    return QTableView::eventFilter(watched, event);
}

void AlarmListView::doItemsLayout()
{
    // Rows that arrived below the visible ones change only the scroll bar;
    // one that arrived in view moves the rows below it.
    int from = std::exchange(m_insertedFrom, -1);
    if (std::exchange(m_wholeLayout, false) || from < 0) {
        QTableView::doItemsLayout();
        return;
    }
    updateGeometries();
    // Rows have one fixed height: asking the header for the row's position
    // would measure every row again after an insertion.
    int top = from * verticalHeader()->defaultSectionSize() - verticalOffset();
    QRect moved = viewport()->rect();
    if (top > moved.bottom())
        return;
    moved.setTop(std::max(0, top));
    viewport()->update(moved);
}

void AlarmListView::updateGeometries()
{
    if (m_paintHeld) {
        m_geometriesHeld = true;
        return;
    }
    QTableView::updateGeometries();
}

void AlarmListView::showEvent(QShowEvent* event)
{
    // The window's first paint follows at once: with the geometries held
    // back since it was laid out, the rows and headers would be painted for
    // a size the list no longer has.
    ReleasePainting();
    QTableView::showEvent(event);
}

void AlarmListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Scrolling needs the scroll bar's range for the rows there are now.
    if (std::exchange(m_geometriesHeld, false))
        QTableView::updateGeometries();
    QTableView::scrollTo(index, hint);
}

void AlarmListView::SortByColumn(int column)
{
    clearSelection();
    m_model->SortByColumn(column);
}

void AlarmListView::UpdateHeaderArrow()
{
    horizontalHeader()->setSortIndicator(
        m_model->SortColumn(), m_model->SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::string AlarmListView::StatusText() const
{
    return m_model->StatusText();
}

std::vector<int> AlarmListView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int AlarmListView::SelectedRecord() const
{
    std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : m_model->RecordNumber(rows.front());
}

void AlarmListView::SelectRow(int row)
{
    int rowCount = m_model->rowCount();
    if (rowCount == 0)
        return;
    row = std::clamp(row, 0, rowCount - 1);
    QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void AlarmListView::SelectAll()
{
    if (m_model->rowCount() == 0)
        return;
    selectAll();
    setFocus();
}

void AlarmListView::RecordDeletion(const std::vector<int64_t>& arrivals, AuditDetails single)
{
    if (m_parts.audit == nullptr)
        return;
    if (arrivals.size() == 1) {
        std::string recorder = single.size() > 1 ? single[1].second : std::string();
        m_parts.audit->Record("alarm-delete", recorder, std::move(single));
        return;
    }
    AlarmRange range;
    for (int64_t arrival : arrivals)
        range.Add(arrival);
    m_parts.audit->Record("alarms-delete", "", range.Details());
}

void AlarmListView::DeleteSelected()
{
    std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    if (!m_parts.users.MayDeleteAlarms())
        return;
    std::string question = rows.size() == 1
                               ? Tr("Soll der ausgewaehlte Alarm wirklich gelöscht werden?")
                               : Tr("Sollen die ausgewaehlten Alarme wirklich gelöscht werden?");
    if (m_parts.prompt.Show(question, kCaption, PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    QModelIndex current = selectionModel()->currentIndex();
    int mark = current.isValid() ? current.row() : 0;

    ConfigLock lock(m_parts.tree);
    std::vector<int> numbers;
    std::vector<int64_t> arrivals;
    AuditDetails single;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        int number = m_model->RecordNumber(*row);
        AlarmRecord record;
        if (number < 0 || !m_parts.database.Read(number, record))
            continue;
        int64_t arrival = record.Number(AlarmField::TimeArrival);
        // The alarm an open window asks the operator about stays.
        if (m_parts.windows.IsShownInAlarmWindow(arrival))
            continue;
        numbers.push_back(number);
        arrivals.push_back(arrival);
        if (numbers.size() == 1)
            single = AlarmDetails(record);
    }
    // The live-view program hears of a deletion only once it happened.
    if (!numbers.empty() && m_parts.database.DeleteRecords(numbers)) {
        RecordDeletion(arrivals, std::move(single));
        for (int64_t arrival : arrivals) {
            m_parts.liveView.RemoveAlarm(arrival);
            m_parts.liveView.Notify(StationEvent::AlarmDeleted);
        }
        m_parts.sound.UpdateAlarmSound(SoundSwitch::On);
    }
    m_model->Refresh();
    SelectRow(mark);
    setFocus();
}

void AlarmListView::ConfirmSelected()
{
    std::vector<int> rows = SelectedRows();
    std::vector<int> numbers;
    for (int row : rows) {
        int number = m_model->RecordNumber(row);
        if (number >= 0)
            numbers.push_back(number);
    }
    if (numbers.empty())
        return;
    BulkConfirmation result = m_parts.windows.ConfirmSelectedAlarms(numbers);
    m_model->Refresh();
    if (result.firstHandled < 0)
        return;
    // Confirming does not reorder the view; it may only take records out
    // of a filtered one.
    auto at = std::find(numbers.begin(), numbers.end(), result.firstHandled);
    int formerRow = rows[static_cast<size_t>(at - numbers.begin())];
    if (m_model->RecordNumber(formerRow) == result.firstHandled) {
        SelectRow(formerRow);
        return;
    }
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->RecordNumber(row) == result.firstHandled) {
            SelectRow(row);
            return;
        }
    }
}

void AlarmListView::OpenAlarm(int row)
{
    int number = m_model->RecordNumber(row);
    if (number >= 0)
        m_parts.windows.OpenSelectedAlarm(number);
}

QPoint AlarmListView::ContextMenuPosition(QPoint viewportPos) const
{
    return viewport()->mapToGlobal(viewportPos) +
           QPoint(0, horizontalHeader()->height() + kMenuOffset);
}

void AlarmListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!selectionModel()->hasSelection())
        return;
    QPoint at = event->pos();
    if (event->reason() != QContextMenuEvent::Mouse)
        at = visualRect(selectionModel()->currentIndex()).center();
    AlarmListMenu menu(this);
    QAction* chosen = menu.exec(ContextMenuPosition(at));
    // Run after the menu has closed, so a message box does not stack on it.
    if (chosen == menu.DeleteAction())
        DeleteSelected();
    else if (chosen == menu.ConfirmAction())
        ConfirmSelected();
    else if (chosen == menu.SelectAllAction())
        SelectAll();
}

void AlarmListView::RestoreColumns()
{
    QHeaderView* header = horizontalHeader();
    ColumnWidths widths = ReadColumnWidths(m_parts.tree);
    // The saved widths were measured in another font: a time column that
    // is not hidden shows at least a whole date and time.
    int wholeTime = fontMetrics().horizontalAdvance("88.88.8888, 88:88:88") + 2 * kCellPadding;
    for (int column = 0; column < kAlarmListColumnCount; ++column) {
        int width = std::max(0, widths[static_cast<size_t>(column)]);
        bool time =
            column == kColumnArrival || column == kColumnDeparture || column == kColumnActionTime;
        header->resizeSection(column, time && width > 0 ? std::max(width, wholeTime) : width);
    }
    ColumnOrder order = ReadColumnOrder(m_parts.tree);
    for (int position = 0; position < kAlarmListColumnCount; ++position) {
        int from = header->visualIndex(order[static_cast<size_t>(position)]);
        if (from != position)
            header->moveSection(from, position);
    }
    ListSort sort = ReadListSort(m_parts.tree);
    if (sort.column != m_model->SortColumn() || sort.ascending != m_model->SortAscending())
        m_model->RestoreSort(sort.column, sort.ascending);
}

int AlarmListView::FitColumns(int width)
{
    QHeaderView* header = horizontalHeader();
    int total = 0;
    for (int column = 0; column < kAlarmListColumnCount; ++column) {
        header->resizeSection(
            column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
        total += header->sectionSize(column);
    }
    // The widest of these gives way first, down to its header.
    const int texts[] = {kColumnAddInfo, kColumnAlarmType, kColumnRecorder, kColumnConfirmComment};
    while (total > width) {
        int widest = -1;
        for (int column : texts) {
            int slack = header->sectionSize(column) - header->sectionSizeHint(column);
            if (slack > 0 &&
                (widest < 0 || header->sectionSize(column) > header->sectionSize(widest)))
                widest = column;
        }
        if (widest < 0)
            break;
        int give =
            std::min({total - width, header->sectionSize(widest) - header->sectionSizeHint(widest),
                      std::max(1, header->sectionSize(widest) / 10)});
        header->resizeSection(widest, header->sectionSize(widest) - give);
        total -= give;
    }
    return total;
}

void AlarmListView::SaveColumns()
{
    QHeaderView* header = horizontalHeader();
    ColumnWidths widths{};
    ColumnOrder order{};
    for (int column = 0; column < kAlarmListColumnCount; ++column) {
        widths[static_cast<size_t>(column)] = header->sectionSize(column);
        order[static_cast<size_t>(column)] = header->logicalIndex(column);
    }
    WriteColumnWidths(m_parts.tree, widths);
    WriteColumnOrder(m_parts.tree, order);
    WriteListSort(m_parts.tree, {m_model->SortColumn(), m_model->SortAscending()});
}

AlarmListView* InstallAlarmList(QWidget& place, const AlarmListParts& parts)
{
    auto* list = new AlarmListView(parts, &place);
    QLayout* layout = place.layout();
    if (layout == nullptr)
        layout = new QVBoxLayout(&place);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    return list;
}
