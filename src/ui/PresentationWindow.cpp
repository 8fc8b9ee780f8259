#include "ui/PresentationWindow.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListIcons.h"
#include "ui/alarms/AlarmListModel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtPresentationWindow::QtPresentationWindow(PresentationWindowLogic& logic, ConfigTree& tree,
                                           AlarmDatabase& database, AlarmWindowManager& windows)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), m_logic(logic), m_tree(tree),
      m_database(database), m_windows(windows), m_icons(MakeStateIcons())
{
    setWindowTitle(ToQt(logic.StackMode() ? Tr("Alarmstack") : Tr("Praesentation")));
    m_count = new QLabel(this);
    m_table = new QTableWidget(this);
    m_table->setColumnCount(kAlarmListColumnCount);
    QStringList headers;
    for (const AlarmListColumn& column : AlarmListColumns())
        headers << ToQt(Tr(column.header));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setIconSize(QSize(16, 16));
    m_table->verticalHeader()->hide();
    // One line per alarm, as in the main list.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // A display, not a place to type.
    m_table->setFocusPolicy(Qt::NoFocus);
    // The main list's column order, but the priority beside the state: the
    // window is about what is most urgent.
    ColumnOrder order = ReadColumnOrder(tree);
    QHeaderView* header = m_table->horizontalHeader();
    for (int position = 0; position < kAlarmListColumnCount; ++position)
        header->moveSection(header->visualIndex(order[static_cast<size_t>(position)]), position);
    header->moveSection(header->visualIndex(kColumnPriority),
                        header->visualIndex(kColumnState) + 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_count);
    layout->addWidget(m_table);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(m_logic.Records().size()))
            m_windows.OpenSelectedAlarm(m_logic.Records()[static_cast<size_t>(row)]);
    });
}

void QtPresentationWindow::Show()
{
    if (!m_fitted) {
        m_fitted = true;
        FitColumns();
    }
    show();
}

void QtPresentationWindow::FitColumns()
{
    QHeaderView* header = m_table->horizontalHeader();
    header->setStretchLastSection(false);
    m_table->resizeColumnsToContents();
    int columns = 0;
    for (int column = 0; column < kAlarmListColumnCount; ++column)
        columns += m_table->columnWidth(column);
    QMargins margins = layout()->contentsMargins();
    int chrome = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width() +
                 margins.left() + margins.right();
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Too wide for the screen: the widest texts give way, down to their
    // headers, and show the rest elided; times, numbers and icons stay whole.
    int excess = columns + chrome - screen.width() * 95 / 100;
    const int texts[] = {kColumnRecorder, kColumnAlarmType, kColumnAddInfo, kColumnConfirmUser,
                         kColumnConfirmComment};
    while (excess > 0) {
        int widest = -1;
        int runnerUp = 0;
        for (int column : texts) {
            int width = m_table->columnWidth(column);
            if (width <= header->sectionSizeHint(column))
                continue;
            if (widest < 0 || width > m_table->columnWidth(widest)) {
                if (widest >= 0)
                    runnerUp = std::max(runnerUp, m_table->columnWidth(widest));
                widest = column;
            } else {
                runnerUp = std::max(runnerUp, width);
            }
        }
        if (widest < 0)
            break;
        int width = m_table->columnWidth(widest);
        int target = std::max({header->sectionSizeHint(widest), runnerUp, width - excess});
        if (target == width)
            target = std::max(header->sectionSizeHint(widest), width - 1);
        m_table->setColumnWidth(widest, target);
        excess -= width - target;
        columns -= width - target;
    }
    header->setStretchLastSection(true);
    resize(std::min(columns + chrome, screen.width()), std::min(500, screen.height() * 2 / 3));
}

void QtPresentationWindow::Activate()
{
    raise();
    activateWindow();
}

bool QtPresentationWindow::IsShown() const
{
    return isVisible() && !isMinimized();
}

void QtPresentationWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    m_logic.Closed();
}

void QtPresentationWindow::Reload()
{
    m_count->setText(ToQt(m_logic.UnconfirmedText()));
    const std::vector<int>& records = m_logic.Records();
    m_table->setRowCount(static_cast<int>(records.size()));
    AlarmRecord record;
    for (size_t row = 0; row < records.size(); ++row) {
        if (!m_database.Read(records[row], record))
            continue;
        std::string recorder(record.Field(AlarmField::Recorder));
        std::optional<AlarmSettings> settings = LookupAlarmSettings(
            m_tree, record.Int(AlarmField::AlarmType), record.Int(AlarmField::CameraID), recorder);
        std::optional<std::string> name = FindRecorderName(m_tree, recorder, 0);
        for (int column = 0; column < kAlarmListColumnCount; ++column) {
            auto* item = new QTableWidgetItem(AlarmCellText(record, column, name, settings));
            if (column == kColumnState)
                // Its own rows are the ones being presented.
                item->setIcon(m_icons[static_cast<size_t>(StateIconOf(record, Presenting::Yes))]);
            if (column == kColumnState || column == kColumnCamera || column == kColumnPriority)
                item->setTextAlignment(Qt::AlignCenter);
            if (column == kColumnPriority && settings) {
                RgbColor color = PriorityColor(settings->priority);
                item->setBackground(QColor(color.red, color.green, color.blue));
                item->setForeground(TextOn(color));
            }
            m_table->setItem(static_cast<int>(row), column, item);
        }
    }
}

void QtPresentationWindow::Select(int listPosition)
{
    m_table->selectRow(listPosition);
}
