#include "ui/diagrams/BarDiagramWindow.h"

#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "db/ConfigPath.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RecorderLookup.h"
#include "events/TextFormat.h"
#include "ui/config/QtText.h"
#include "ui/print/AlarmListCommands.h"
#include "ui/print/AlarmListPrinter.h"
#include "users/UserAccounts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
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
    explicit LegendCanvas(BarDiagramWindow& window) : m_window(window) { setFixedWidth(280); }

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
    return FindConfigNode(tree, {"Runtime", "GUI", "StaticViewRecDiagram", "iNumRecPerPage"});
}

// Pixel sizes, since the page is painted in screen pixels scaled to it.
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

BarDiagramWindow::BarDiagramWindow(ConfigTree& tree, AlarmDatabase& database, QWidget* parent)
    : QWidget(parent, Qt::Window), m_tree(tree), m_database(database)
{
    setWindowTitle(ToQt(Tr("Alarme pro Rekorder und Alarmart")));
    m_canvas = new BarCanvas(*this);
    m_legend = new LegendCanvas(*this);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("BarScroll");
    scroll->setWidget(m_canvas);
    scroll->setWidgetResizable(true);

    auto* print = new QPushButton(ToQt(Tr("Drucken...")), this);
    auto* pdf = new QPushButton(ToQt(Tr("Als PDF speichern...")), this);
    connect(print, &QPushButton::clicked, this, [this] { PrintWithDialog(); });
    connect(pdf, &QPushButton::clicked, this, [this] {
        QString path = ChoosePdfFile(this);
        if (!path.isEmpty())
            ExportPdf(path);
    });
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
    controls->addWidget(print);
    controls->addWidget(pdf);
    controls->addSpacing(16);
    controls->addWidget(new QLabel(ToQt(Tr("Rekorder pro Druckseite:")), this));
    controls->addWidget(m_perPage);
    controls->addStretch();
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

void BarDiagramWindow::Follow()
{
    switch (m_follower.Check(m_database)) {
    case ViewChange::None:
        return;
    case ViewChange::Arrival: {
        AlarmRecord record;
        if (m_database.Read(m_follower.NewRecord(), record)) {
            m_counts.Add(record);
            UpdateBars();
        }
        return;
    }
    case ViewChange::Other:
        Rebuild();
        return;
    }
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
    if (!painter.begin(&device))
        return 0;
    int perPage = RecordersPerPage(m_tree);
    int pages = std::max(1, (static_cast<int>(m_bars.size()) + perPage - 1) / perPage);
    int64_t largest = 0;
    for (const DiagramBar& bar : m_bars)
        largest = std::max(largest, bar.total);
    int64_t top = ScaleTop(largest);
    // Laid out in screen pixels, scaled to the page.
    QRect page(0, 0, 1100, 760);
    painter.scale(device.width() / 1100.0, device.height() / 760.0);
    std::string user = CurrentUserName(m_tree);
    Timestamp captured = Timestamp::Now();
    std::vector<int32_t> codes = LegendCodes();
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            device.newPage();
        painter.setFont(PageFont(14, true));
        painter.drawText(QRect(0, 0, page.width(), 24), Qt::AlignLeft | Qt::AlignVCenter,
                         windowTitle());
        painter.setFont(PageFont(11, false));
        int slot = std::min(120, (page.width() - 70) / perPage);
        PaintBars(painter, QRect(0, 30, page.width(), 420), m_bars, index * perPage, perPage, slot,
                  top, m_colours);
        PaintLegend(painter, QRect(0, 470, page.width(), 250), codes, m_colours);
        painter.drawText(QRect(0, page.height() - 20, page.width(), 20),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         PrintFooter(captured, user, index + 1, pages));
    }
    painter.end();
    return pages;
}

bool BarDiagramWindow::ExportPdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setCreator(QStringLiteral("Wardex"));
    SetUpPage(writer);
    return Paint(writer) > 0;
}

void BarDiagramWindow::PrintWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPage(printer);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        Paint(printer);
}

QWidget& BarDiagramWindow::Canvas() const
{
    return *m_canvas;
}
