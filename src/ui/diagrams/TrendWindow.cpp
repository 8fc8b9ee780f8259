#include "ui/diagrams/TrendWindow.h"

#include "alarm/AlarmSettingsLookup.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/TextFormat.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/SettingsSortKeys.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListCommands.h"
#include "ui/print/AlarmListPrinter.h"
#include "users/UserAccounts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

class TreeSettings final : public AlarmSettingsSource {
public:
    explicit TreeSettings(ConfigTree& tree) : m_tree(tree) {}
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t cameraId,
                                        std::string_view recorder) override
    {
        return ::FindAlarmSettings(m_tree, alarmType, cameraId, recorder);
    }

private:
    ConfigTree& m_tree;
};

int SlotOf(TrendStep step)
{
    return step == TrendStep::Hour ? 10 : 28;
}

constexpr int kLegendHeight = 24;

void PaintPriorityLegend(QPainter& painter, const QRect& area)
{
    int x = area.left() + 56;
    for (int priority = 0; priority < 7; ++priority) {
        QColor color = priority < 6 ? [&] {
            RgbColor c = PriorityColor(priority);
            return QColor(c.red, c.green, c.blue);
        }()
                                    : QColor(160, 160, 160);
        painter.fillRect(QRect(x, area.top() + 6, 12, 12), color);
        painter.setPen(QColor(70, 70, 70));
        painter.drawRect(QRect(x, area.top() + 6, 12, 12));
        QString text = priority < 6 ? ToQt(FormatTr(TrNoop("Prio. %d"), priority + 1))
                                    : ToQt(Tr("ohne Einstellung"));
        painter.setPen(Qt::black);
        painter.drawText(QRect(x + 16, area.top(), 120, kLegendHeight), Qt::AlignVCenter, text);
        x += 24 + painter.fontMetrics().horizontalAdvance(text);
    }
}

QFont PageFont(int pixels, bool bold)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void SetUpPage(QPagedPaintDevice& device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Landscape);
}

} // namespace

class TrendWindow::Priorities final {
public:
    explicit Priorities(ConfigTree& tree) : settings(tree), keys(tree, settings) {}
    TreeSettings settings;
    SettingsSortKeys keys;
};

class TrendWindow::TrendCanvas final : public QWidget {
public:
    explicit TrendCanvas(TrendWindow& window) : m_window(window) { setMinimumHeight(320); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setClipRect(event->rect());
        PaintPriorityLegend(painter, QRect(0, 0, width(), kLegendHeight));
        PaintTrend(painter, rect().adjusted(0, kLegendHeight, 0, 0), *m_window.m_counts,
                   m_window.m_starts, SlotOf(m_window.m_counts->Step()));
    }

private:
    TrendWindow& m_window;
};

TrendWindow::TrendWindow(ConfigTree& tree, AlarmDatabase& database, RangeSource range,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_tree(tree), m_database(database),
      m_rangeSource(std::move(range)), m_priorities(std::make_unique<Priorities>(tree)),
      m_counts(std::make_unique<TrendCounts>(TrendStep::Hour))
{
    setWindowTitle(ToQt(Tr("Alarmtrend")));
    m_canvas = new TrendCanvas(*this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_canvas);
    scroll->setWidgetResizable(true);

    m_step = new QComboBox(this);
    m_step->setObjectName("TrendStep");
    m_step->addItem(ToQt(Tr("pro Stunde")));
    m_step->addItem(ToQt(Tr("pro Tag")));
    connect(m_step, &QComboBox::activated, this,
            [this](int index) { SetStep(index == 0 ? TrendStep::Hour : TrendStep::Day); });
    auto* print = new QPushButton(ToQt(Tr("Drucken...")), this);
    auto* pdf = new QPushButton(ToQt(Tr("Als PDF speichern...")), this);
    connect(print, &QPushButton::clicked, this, [this] { PrintWithDialog(); });
    connect(pdf, &QPushButton::clicked, this, [this] {
        QString path = ChoosePdfFile(this);
        if (!path.isEmpty())
            ExportPdf(path);
    });
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(ToQt(Tr("Alarme")), this));
    controls->addWidget(m_step);
    controls->addSpacing(16);
    controls->addWidget(print);
    controls->addWidget(pdf);
    controls->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(scroll, 1);
    resize(900, 440);
    Rebuild();
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::SetStep(TrendStep step)
{
    m_step->setCurrentIndex(step == TrendStep::Hour ? 0 : 1);
    m_counts = std::make_unique<TrendCounts>(step);
    Rebuild();
}

void TrendWindow::Rebuild()
{
    m_counts->Build(m_database, m_priorities->keys);
    m_follower.Reset(m_database);
    UpdateRange();
}

void TrendWindow::Follow()
{
    switch (m_follower.Check(m_database)) {
    case ViewChange::None:
        return;
    case ViewChange::Arrival: {
        AlarmRecord record;
        if (m_database.Read(m_follower.NewRecord(), record)) {
            m_counts->Add(record, m_priorities->keys);
            UpdateRange();
        }
        return;
    }
    case ViewChange::Other:
        Rebuild();
        return;
    }
}

void TrendWindow::UpdateRange()
{
    TrendStep step = m_counts->Step();
    TrendRange range;
    if (std::optional<TrendRange> filtered = m_rangeSource ? m_rangeSource() : std::nullopt) {
        range = *filtered;
    } else if (!m_counts->Buckets().empty()) {
        range.from = m_counts->Buckets().begin()->first;
        range.to = TrendCounts::BucketEnd(m_counts->Buckets().rbegin()->first, step);
    } else {
        range.from = Timestamp::NowMs();
        range.to = range.from + 1;
    }
    // Only a new bucket at either end changes the columns.
    if (range.from != m_range.from || range.to != m_range.to || m_starts.empty()) {
        m_range = range;
        m_starts = TrendBucketStarts(range, step);
        m_canvas->setMinimumWidth(80 + static_cast<int>(m_starts.size()) * SlotOf(step));
    }
    m_canvas->update();
}

int TrendWindow::Paint(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    QRect page(0, 0, 1100, 760);
    painter.scale(device.width() / 1100.0, device.height() / 760.0);
    painter.setFont(PageFont(14, true));
    QString title = windowTitle() + " - " + m_step->currentText();
    painter.drawText(QRect(0, 0, page.width(), 24), Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.setFont(PageFont(11, false));
    PaintPriorityLegend(painter, QRect(0, 30, page.width(), kLegendHeight));
    int slot = std::max(1, (page.width() - 70) / std::max(1, static_cast<int>(m_starts.size())));
    PaintTrend(painter, QRect(0, 30 + kLegendHeight, page.width(), 640), *m_counts, m_starts, slot);
    painter.drawText(QRect(0, page.height() - 20, page.width(), 20),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     PrintFooter(Timestamp::Now(), CurrentUserName(m_tree), 1, 1));
    painter.end();
    return 1;
}

bool TrendWindow::ExportPdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Wardex"));
    SetUpPage(writer);
    return Paint(writer) > 0;
}

void TrendWindow::PrintWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPage(printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        Paint(printer);
}
