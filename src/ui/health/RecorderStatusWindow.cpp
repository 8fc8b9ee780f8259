#include "ui/health/RecorderStatusWindow.h"

#include "config/Clock.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "station/MainWindowLogic.h"
#include "station/RecorderStateLog.h"
#include "station/Station.h"
#include "station/StationDesktop.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListCsv.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kReportMonths = 13;

const std::vector<StateLogLine>* LogLines(Station& station)
{
    return station.StateLog() == nullptr ? nullptr : &station.StateLog()->Lines();
}

} // namespace

RecorderStatusWindow::RecorderStatusWindow(Station& station, MainWindowLogic& logic,
                                           QWidget* parent)
    : QWidget(parent, Qt::Window), m_station(station), m_logic(logic),
      m_overview(*station.RecorderStates(), LogLines(station), station.Database())
{
    setObjectName("RecorderStatusWindow");
    setWindowTitle(ToQt(Tr("Rekorderstatus")));
    m_byState.setSourceModel(&m_model);
    m_byState.setFilterRole(RecorderStatusModel::kStateRole);
    m_byState.setFilterKeyColumn(RecorderStatusModel::State);
    m_byText.setSourceModel(&m_byState);
    m_byText.setFilterKeyColumn(-1);
    m_byText.setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_byText.setSortRole(RecorderStatusModel::kSortRole);

    m_search = new QLineEdit(this);
    m_search->setObjectName("RecorderSearch");
    m_search->setPlaceholderText(ToQt(Tr("Name oder Adresse suchen")));
    m_search->setClearButtonEnabled(true);
    m_stateFilter = new QComboBox(this);
    m_stateFilter->setObjectName("RecorderStateFilter");
    m_stateFilter->addItem(ToQt(Tr("Alle Zustaende")), -1);
    for (RecorderState state :
         {RecorderState::Missed, RecorderState::Late, RecorderState::Maintenance,
          RecorderState::Online, RecorderState::SwitchedOff, RecorderState::NeverSeen})
        m_stateFilter->addItem(m_model.StateIcon(state), ToQt(Tr(RecorderStateName(state))),
                               static_cast<int>(state));
    m_counts = new QLabel(this);
    m_counts->setObjectName("RecorderCounts");

    m_table = new QTableView(this);
    m_table->setObjectName("RecorderStatusTable");
    m_table->setModel(&m_byText);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(RecorderStatusModel::State, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(false);
    m_table->verticalHeader()->hide();
    // Every column as wide as its texts, the name taking what is left.
    QHeaderView* header = m_table->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(RecorderStatusModel::Name, QHeaderView::Stretch);
    header->setMinimumSectionSize(60);
    m_table->setWordWrap(false);

    m_month = new QComboBox(this);
    m_month->setObjectName("ReportMonth");
    int64_t month = StartOfMonth(m_station.StationClock().NowMs());
    for (int i = 0; i < kReportMonths; ++i) {
        Timestamp first = Timestamp::FromMs(month);
        m_month->addItem(ToQt(FormatText("%02d/%d", first.Month(), first.Year())),
                         static_cast<qlonglong>(month));
        month = StartOfMonth(month - 1);
    }
    // The month that has ended is the one a customer asks for.
    m_month->setCurrentIndex(1);
    m_minOutage = new QSpinBox(this);
    m_minOutage->setObjectName("ReportMinOutage");
    m_minOutage->setRange(0, 24 * 60);
    m_minOutage->setValue(5);
    m_minOutage->setSuffix(ToQt(" " + Tr("Min.")));
    auto* report = new QPushButton(ToQt(Tr("Monatsbericht speichern (CSV)...")), this);
    report->setObjectName("SaveReport");

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_stateFilter);
    auto* reportRow = new QHBoxLayout;
    reportRow->addWidget(m_counts, 1);
    reportRow->addWidget(new QLabel(ToQt(Tr("Monat:")), this));
    reportRow->addWidget(m_month);
    reportRow->addWidget(new QLabel(ToQt(Tr("Ausfaelle ab:")), this));
    reportRow->addWidget(m_minOutage);
    reportRow->addWidget(report);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(reportRow);
    resize(1100, 420);

    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_byText.setFilterFixedString(text); });
    connect(m_stateFilter, &QComboBox::currentIndexChanged, this, [this] {
        int state = m_stateFilter->currentData().toInt();
        m_byState.setFilterFixedString(state < 0 ? QString() : QString::number(state));
    });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        QModelIndex source = m_byState.mapToSource(m_byText.mapToSource(index));
        if (source.isValid())
            emit RecorderChosen(ToQt(m_model.RowAt(source.row()).status.name));
    });
    connect(report, &QPushButton::clicked, this, &RecorderStatusWindow::AskForReport);
}

void RecorderStatusWindow::StatesChanged()
{
    if (isVisible())
        Refresh();
}

void RecorderStatusWindow::Tick()
{
    if (++m_ticks < kTicksPerRefresh)
        return;
    m_ticks = 0;
    if (isVisible())
        Refresh();
}

void RecorderStatusWindow::showEvent(QShowEvent* event)
{
    Refresh();
    QWidget::showEvent(event);
}

void RecorderStatusWindow::Refresh()
{
    m_overview.Refresh(m_station.StationClock().NowMs());
    m_model.SetRows(m_overview.Rows());
    m_counts->setText(ToQt(RecorderCountsText(m_station.RecorderStates()->Counts())));
}

bool RecorderStatusWindow::SaveReport(const QString& path, int64_t monthMs,
                                      int64_t minOutageMs) const
{
    static const std::vector<StateLogLine> kNoLines;
    const std::vector<StateLogLine>* lines = LogLines(m_station);
    ReportRows rows =
        MonthlyReport(m_station.RecorderStates()->Recorders(), lines == nullptr ? kNoLines : *lines,
                      monthMs, m_station.StationClock().NowMs(), minOutageMs);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("\xEF\xBB\xBF");
    for (const std::vector<std::string>& row : rows) {
        QStringList fields;
        for (const std::string& field : row)
            fields << CsvField(ToQt(field));
        file.write((fields.join(kCsvSeparator) + QStringLiteral("\r\n")).toUtf8());
    }
    return file.commit();
}

void RecorderStatusWindow::AskForReport()
{
    int64_t month = m_month->currentData().toLongLong();
    m_logic.EnterBusy();
    QString path = QFileDialog::getSaveFileName(
        this, ToQt(Tr("Monatsbericht speichern")),
        ToQt(FormatText("Verfuegbarkeit-%s.csv", FromQt(m_month->currentText().replace('/', '-')))),
        ToQt(Tr("CSV-Dateien (*.csv)")));
    m_logic.LeaveBusy();
    if (path.isEmpty())
        return;
    if (!SaveReport(path, month, static_cast<int64_t>(m_minOutage->value()) * 60'000))
        m_station.Desktop().Messages().Show(Tr("Der Bericht konnte nicht gespeichert werden."),
                                            Tr("Wardex"), PromptIcon::Error, PromptButtons::Ok);
}
