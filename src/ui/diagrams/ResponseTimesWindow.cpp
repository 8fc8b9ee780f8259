#include "ui/diagrams/ResponseTimesWindow.h"

#include "config/Clock.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/TextFormat.h"
#include "ui/config/QtText.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <limits>

namespace {

constexpr int64_t kDayMs = 24 * 60 * 60 * 1000LL;
// Days back per period choice; 0 is every alarm logged.
constexpr int kPeriodDays[] = {1, 7, 30, 365, 0};

QString SecondsText(const std::optional<int64_t>& ms)
{
    if (!ms)
        return QStringLiteral("–");
    return QString::number(static_cast<double>(*ms) / 1000.0, 'f', 1) + " s";
}

} // namespace

ResponseTimesWindow::ResponseTimesWindow(std::filesystem::path logPath,
                                         std::array<int32_t, 3> targetSeconds, Clock& clock,
                                         QWidget* parent)
    : QDialog(parent), m_logPath(std::move(logPath)), m_targets(targetSeconds), m_clock(clock)
{
    setWindowTitle(ToQt(Tr("Reaktionszeiten")));
    m_period = new QComboBox(this);
    m_period->setObjectName("Period");
    for (const std::string& text : {Tr("Letzte 24 Stunden"), Tr("Letzte 7 Tage"),
                                    Tr("Letzte 30 Tage"), Tr("Letzte 365 Tage"), Tr("Alle")})
        m_period->addItem(ToQt(text));
    m_period->setCurrentIndex(1);
    m_grouping = new QComboBox(this);
    m_grouping->setObjectName("Grouping");
    for (const std::string& text :
         {Tr("Prioritaet"), Tr("Alarmtyp"), Tr("Bediener"), Tr("Rekorder")})
        m_grouping->addItem(ToQt(text));
    auto* reload = new QPushButton(ToQt(Tr("Aktualisieren")), this);
    auto* csv = new QPushButton(ToQt(Tr("Als CSV speichern...")), this);
    csv->setObjectName("SaveCsv");
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(ToQt(Tr("Zeitraum")), this));
    controls->addWidget(m_period);
    controls->addWidget(new QLabel(ToQt(Tr("Gruppiert nach")), this));
    controls->addWidget(m_grouping);
    controls->addStretch(1);
    controls->addWidget(reload);
    controls->addWidget(csv);

    QStringList headings = {ToQt(Tr("Gruppe")),           ToQt(Tr("Anzahl")),
                            ToQt(Tr("Bestaetigt")),       ToQt(Tr("Median")),
                            ToQt(Tr("90. Perzentil")),    ToQt(Tr("Maximum")),
                            ToQt(Tr("Median angezeigt")), ToQt(Tr("Eskalationsstufen"))};
    for (int32_t target : m_targets)
        headings << ToQt(FormatTr(TrNoop("Bis %d s"), target));
    m_table = new QTableWidget(0, static_cast<int>(headings.size()), this);
    m_table->setObjectName("ResponseTable");
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_summary);
    resize(1000, 420);

    m_chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, ToQt(Tr("Als CSV speichern...")),
                                            QStringLiteral("Reaktionszeiten.csv"),
                                            QStringLiteral("CSV (*.csv)"));
    };
    connect(m_period, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(m_grouping, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    connect(reload, &QPushButton::clicked, this, [this] { Reload(); });
    connect(csv, &QPushButton::clicked, this, [this] { SaveCsv(); });
    Reload();
}

void ResponseTimesWindow::Reload()
{
    m_alarms = ResponseLog::Load(m_logPath);
    Recompute();
}

void ResponseTimesWindow::Recompute()
{
    ResponseQuery query;
    int64_t now = m_clock.NowMs();
    int days = kPeriodDays[std::clamp(m_period->currentIndex(), 0, 4)];
    query.fromMs = days == 0 ? std::numeric_limits<int64_t>::min() : now - days * kDayMs;
    query.toMs = std::numeric_limits<int64_t>::max();
    query.grouping = static_cast<ResponseGrouping>(std::clamp(m_grouping->currentIndex(), 0, 3));
    query.targetSeconds = m_targets;
    query.typeName = [](int32_t type) { return AlarmTypeName(type, NameTranslation::Translated); };
    m_rows = SummariseResponses(m_alarms, query);

    m_table->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        const ResponseRow& row = m_rows[static_cast<size_t>(r)];
        QStringList cells = {ToQt(row.group),
                             QString::number(row.count),
                             QString::number(row.confirmed),
                             SecondsText(row.medianMs),
                             SecondsText(row.p90Ms),
                             SecondsText(row.maxMs),
                             SecondsText(row.medianShownMs),
                             QString::number(row.steps)};
        for (double share : row.withinShare)
            cells << QString::number(share * 100.0, 'f', 1) + " %";
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    }
    m_summary->setText(ToQt(FormatTr(TrNoop("Reaktionsziele: %d s, %d s und %d s ab Eingang bis "
                                            "zur Bestaetigung. Perzentile nach Rang."),
                                     m_targets[0], m_targets[1], m_targets[2])));
}

bool ResponseTimesWindow::SaveCsv()
{
    QString path = m_chooseFile ? m_chooseFile() : QString();
    if (path.isEmpty())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    std::string csv = ResponseCsv(m_rows, m_targets);
    return file.write(csv.data(), static_cast<qint64>(csv.size())) ==
               static_cast<qint64>(csv.size()) &&
           file.flush();
}
