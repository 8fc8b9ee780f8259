#include "ui/PresentationWindow.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/RecorderLookup.h"
#include "ui/alarms/AlarmListColumns.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString DateAndTime(int64_t storedMs)
{
    if (storedMs <= 0)
        return {};
    Timestamp time = Timestamp::FromMs(storedMs);
    return ToQt(time.FormatDate() + " " + time.FormatTime(WithMs::No));
}

} // namespace

QtPresentationWindow::QtPresentationWindow(PresentationWindowLogic& logic, ConfigTree& tree,
                                           AlarmDatabase& database, AlarmWindowManager& windows)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), m_logic(logic), m_tree(tree),
      m_database(database), m_windows(windows)
{
    setWindowTitle(ToQt(logic.StackMode() ? Tr("Alarmstack") : Tr("Praesentation")));
    resize(900, 500);
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
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
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
    show();
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

void QtPresentationWindow::Reload()
{
    m_count->setText(ToQt(m_logic.UnconfirmedText()));
    const std::vector<int>& records = m_logic.Records();
    m_table->setRowCount(static_cast<int>(records.size()));
    AlarmRecord record;
    for (size_t row = 0; row < records.size(); ++row) {
        if (!m_database.Read(records[row], record))
            continue;
        int32_t type = static_cast<int32_t>(record.Number(AlarmField::AlarmType));
        int32_t camera = static_cast<int32_t>(record.Number(AlarmField::CameraID));
        std::string recorder(record.Field(AlarmField::Recorder));
        std::optional<AlarmSettings> settings = LookupAlarmSettings(m_tree, type, camera, recorder);
        QString cells[kAlarmListColumnCount];
        cells[kColumnArrival] = DateAndTime(record.Number(AlarmField::TimeArrival));
        cells[kColumnDeparture] = DateAndTime(record.Number(AlarmField::TimeDeparture));
        cells[kColumnRecorder] = ToQt(FindRecorderName(m_tree, recorder, 0).value_or(recorder));
        cells[kColumnCamera] = camera < 0 ? QString() : QString::number(camera);
        cells[kColumnAlarmType] = settings ? ToQt(Tr(settings->message)) : QString();
        cells[kColumnAddInfo] = ToQt(record.Field(AlarmField::AddInfo));
        cells[kColumnConfirmUser] = ToQt(record.Field(AlarmField::ConfirmUser));
        cells[kColumnConfirmComment] = ToQt(record.Field(AlarmField::ConfirmComment));
        cells[kColumnPriority] = settings ? QString::number(settings->priority + 1) : QString();
        for (int column = 0; column < kAlarmListColumnCount; ++column)
            m_table->setItem(static_cast<int>(row), column, new QTableWidgetItem(cells[column]));
    }
}

void QtPresentationWindow::Select(int listPosition)
{
    m_table->selectRow(listPosition);
}
