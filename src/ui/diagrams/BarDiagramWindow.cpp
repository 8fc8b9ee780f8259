#include "ui/diagrams/BarDiagramWindow.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmRecord.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"
#include "events/TextFormat.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListPrinter.h"
#include "users/UserAccounts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

class BarDiagramWindow::BarCanvas final : public QWidget {
public:
    explicit BarCanvas(BarDiagramWindow& window) : m_window(window)
    {
        setMouseTracking(true);
        setMinimumHeight(320);
    }

    BarLayout layout;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const auto& bars = m_window.m_bars;
        int64_t largest = 0;
        for (const DiagramBar& bar : bars)
            largest = std::max(largest, bar.total);
        layout = PaintBars(painter, rect(), bars, 0, static_cast<int>(bars.size()), kSlot,
                           ScaleTop(largest), m_window.m_colours);
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QWidget::event(event);
        auto* help = static_cast<QHelpEvent*>(event);
        QString text = m_window.ToolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }

private:
    BarDiagramWindow& m_window;
};

class BarDiagramWindow::LegendCanvas final : public QWidget {
public:
    explicit LegendCanvas(BarDiagramWindow& window) : m_window(window) { setFixedWidth(340); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        PaintLegend(painter, rect().adjusted(4, 4, -4, -4), m_window.LegendCodes(),
                    m_window.m_colours);
    }

private:
    BarDiagramWindow& m_window;
};

namespace {

ConfigNode* PerPageNode(ConfigTree& tree)
{
    return Find(tree, kRecordersPerPage);
}

} // namespace

BarDiagramWindow::BarDiagramWindow(ConfigTree& tree, AlarmDatabase& database, Clock& clock,
                                   QWidget* parent)
    : DiagramWindow(database, parent), m_tree(tree), m_clock(clock)
{
    setWindowTitle(ToQt(Tr("Alarme pro Rekorder und Alarmart")));
    m_canvas = new BarCanvas(*this);
    m_legend = new LegendCanvas(*this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("BarScroll");
    scroll->setWidget(m_canvas);
    scroll->setWidgetResizable(true);

    m_perPage = new QSpinBox(this);
    m_perPage->setObjectName("RecordersPerPage");
    m_perPage->setRange(1, 100);
    m_perPage->setValue(RecordersPerPage(tree));
    connect(m_perPage, &QSpinBox::valueChanged, this, [this](int value) {
        ConfigLock lock(m_tree);
        if (ConfigNode* node = PerPageNode(m_tree))
            node->SetInt(value);
    });
    auto* controls = new QHBoxLayout;
    AddPrintButtons(*controls);
    controls->addSpacing(16);
    controls->addWidget(new QLabel(ToQt(Tr("Rekorder pro Druckseite:")), this));
    controls->addWidget(m_perPage);
    controls->addStretch();
    AddCloseButton(*controls);
    auto* body = new QHBoxLayout;
    body->addWidget(scroll, 1);
    body->addWidget(m_legend);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(body, 1);
    resize(900, 460);
    Rebuild();
}

BarDiagramWindow::~BarDiagramWindow() = default;

void BarDiagramWindow::Rebuild()
{
    m_colours = ReadBarColours(m_tree, ColourSet::User);
    m_counts.Build(m_database);
    m_follower.Reset(m_database);
    UpdateBars();
}

void BarDiagramWindow::Add(const AlarmRecord& record)
{
    m_counts.Add(record);
    UpdateBars();
}

void BarDiagramWindow::UpdateBars()
{
    m_bars.clear();
    for (const RecorderBar& counted : m_counts.Bars()) {
        auto name = m_names.find(counted.address);
        if (name == m_names.end()) {
            std::optional<std::string> found = FindRecorderName(m_tree, counted.address, 0);
            QString text =
                found ? ToQt(*found)
                      : ToQt(FormatTr(TrNoop("Unbekannter Rekorder: %s"), counted.address));
            name = m_names.emplace(counted.address, text).first;
        }
        DiagramBar bar{name->second, ToQt(counted.address), {}, counted.total};
        bar.segments.assign(counted.types.begin(), counted.types.end());
        std::sort(bar.segments.begin(), bar.segments.end());
        m_bars.push_back(std::move(bar));
    }
    std::stable_sort(m_bars.begin(), m_bars.end(),
                     [](const DiagramBar& a, const DiagramBar& b) { return a.name < b.name; });
    m_canvas->setMinimumWidth(70 + static_cast<int>(m_bars.size()) * kSlot);
    m_canvas->update();
    m_legend->update();
}

std::vector<int32_t> BarDiagramWindow::LegendCodes() const
{
    std::set<int32_t> codes;
    for (const DiagramBar& bar : m_bars) {
        for (const auto& segment : bar.segments)
            codes.insert(segment.first);
    }
    return {codes.begin(), codes.end()};
}

QString BarDiagramWindow::ToolTipAt(QPoint point) const
{
    auto [index, code] = HitBar(m_canvas->layout, m_bars, 0, point);
    if (index < 0)
        return {};
    const DiagramBar& bar = m_bars[static_cast<size_t>(index)];
    QString text = ToQt(FormatTr(TrNoop("%s: %d Alarme"), bar.name.toStdString(), bar.total));
    for (const auto& [segmentCode, alarms] : bar.segments) {
        if (code != -1 && segmentCode != code)
            continue;
        text += "\n" +
                ToQt(FormatText("%s: %d", AlarmTypeName(segmentCode, NameTranslation::Translated),
                                alarms));
    }
    return text;
}

int BarDiagramWindow::Paint(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!BeginPage(painter, device))
        return 0;
    int perPage = RecordersPerPage(m_tree);
    int pages = std::max(1, (static_cast<int>(m_bars.size()) + perPage - 1) / perPage);
    int64_t largest = 0;
    for (const DiagramBar& bar : m_bars)
        largest = std::max(largest, bar.total);
    int64_t top = ScaleTop(largest);
    std::string user = CurrentUserName(m_tree);
    Timestamp captured = m_clock.Now();
    std::vector<int32_t> codes = LegendCodes();
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            device.newPage();
        PaintTitleAndFooter(painter, windowTitle(), PrintFooter(captured, user, index + 1, pages));
        int slot = std::min(120, (kPageWidth - 70) / perPage);
        PaintBars(painter, QRect(0, 30, kPageWidth, 420), m_bars, index * perPage, perPage, slot,
                  top, m_colours);
        PaintLegend(painter, QRect(0, 470, kPageWidth, 250), codes, m_colours);
    }
    painter.end();
    return pages;
}

QWidget& BarDiagramWindow::Canvas() const
{
    return *m_canvas;
}
