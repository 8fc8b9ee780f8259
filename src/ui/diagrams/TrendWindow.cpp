#include "ui/diagrams/TrendWindow.h"

#include "alarm/AlarmSettingsLookup.h"
#include "config/Clock.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/TextFormat.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/SettingsSortKeys.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListPrinter.h"
#include "users/UserAccounts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

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
        FillPriorityBox(painter, QRect(x, area.top() + 6, 12, 12), priority);
        QString text = priority < 6 ? ToQt(FormatTr(TrNoop("Prio. %d"), priority + 1))
                                    : ToQt(Tr("ohne Einstellung"));
        painter.setPen(Qt::black);
        painter.drawText(QRect(x + 16, area.top(), 120, kLegendHeight), Qt::AlignVCenter, text);
        x += 24 + painter.fontMetrics().horizontalAdvance(text);
    }
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

TrendWindow::TrendWindow(ConfigTree& tree, AlarmDatabase& database, Clock& clock, RangeSource range,
                         QWidget* parent)
    : DiagramWindow(database, parent), m_tree(tree), m_clock(clock),
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
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(ToQt(Tr("Alarme")), this));
    controls->addWidget(m_step);
    controls->addSpacing(16);
    AddPrintButtons(*controls);
    controls->addStretch();
    AddCloseButton(*controls);
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

void TrendWindow::Add(const AlarmRecord& record)
{
    m_counts->Add(record, m_priorities->keys);
    UpdateRange();
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
        range.from = m_clock.NowMs();
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
    if (!BeginPage(painter, device))
        return 0;
    PaintTitleAndFooter(painter, windowTitle() + " - " + m_step->currentText(),
                        PrintFooter(m_clock.Now(), CurrentUserName(m_tree), 1, 1));
    PaintPriorityLegend(painter, QRect(0, 30, kPageWidth, kLegendHeight));
    // A few buckets keep their width on the screen instead of filling the page.
    int slot = std::clamp((kPageWidth - 70) / std::max(1, static_cast<int>(m_starts.size())), 1,
                          3 * SlotOf(m_counts->Step()));
    PaintTrend(painter, QRect(0, 30 + kLegendHeight, kPageWidth, 640), *m_counts, m_starts, slot);
    painter.end();
    return 1;
}
