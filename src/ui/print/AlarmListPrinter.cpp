#include "ui/print/AlarmListPrinter.h"

#include "config/Translator.h"
#include "events/TextFormat.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/print/PagePrinting.h"
#include "ui/print/ShownAlarmList.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr qreal kFontPoints = 7.5;
constexpr qreal kTitlePoints = 11;
constexpr int kCellPadding = 4; // in thousandths of the page width
// No single word may claim more of the page than this share.
constexpr int kWidestWordShare = 4;

// A text laid out in lines no wider than `width`: broken between words, and
// inside a word only where the word alone is wider than the line.
class WrappedText {
public:
    WrappedText(QString text, const QFont& font, QPaintDevice& device, qreal width)
        : m_layout(text.replace(u'\n', QChar::LineSeparator), font, &device)
    {
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_layout.setTextOption(option);
        m_layout.beginLayout();
        for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, m_height));
            m_height += line.height();
        }
        m_layout.endLayout();
    }

    qreal Height() const { return m_height; }
    void Draw(QPainter& painter, QPointF topLeft) const { m_layout.draw(&painter, topLeft); }

private:
    QTextLayout m_layout;
    qreal m_height = 0;
};

// What a column needs: its widest word (less breaks words) and its widest
// line (more leaves room unused).
struct ColumnExtent {
    qreal least = 0;
    qreal natural = 0;

    void Take(const QFontMetricsF& metrics, const QString& text)
    {
        for (const QString& line : text.split(u'\n')) {
            natural = std::max(natural, metrics.horizontalAdvance(line));
            for (const QString& word : line.split(u' ', Qt::SkipEmptyParts))
                least = std::max(least, metrics.horizontalAdvance(word));
        }
    }
};

// Every column gets its widest word. What is left fills up the columns
// that lack least first, so short texts stay on one line and the long ones
// share the rest by what they lack; once all fit on one line, the rest is
// shared like the widths on the screen.
std::vector<qreal> ShareWidths(const std::vector<ColumnExtent>& extents,
                               const std::vector<int>& screenWidths, qreal pageWidth)
{
    std::vector<qreal> widths;
    qreal spare = pageWidth;
    for (const ColumnExtent& extent : extents) {
        widths.push_back(extent.least);
        spare -= extent.least;
    }
    if (spare <= 0) {
        for (qreal& width : widths)
            width *= pageWidth / (pageWidth - spare);
        return widths;
    }
    std::vector<size_t> lacking;
    for (size_t i = 0; i < extents.size(); ++i)
        lacking.push_back(i);
    auto lackOf = [&](size_t i) { return extents[i].natural - extents[i].least; };
    std::ranges::sort(lacking, {}, lackOf);
    size_t next = 0;
    for (; next < lacking.size(); ++next) {
        qreal lack = lackOf(lacking[next]);
        if (lack * static_cast<qreal>(lacking.size() - next) > spare)
            break;
        widths[lacking[next]] += lack;
        spare -= lack;
    }
    if (next < lacking.size()) {
        qreal lackSum = 0;
        for (size_t k = next; k < lacking.size(); ++k)
            lackSum += lackOf(lacking[k]);
        for (size_t k = next; k < lacking.size(); ++k)
            widths[lacking[k]] += spare * lackOf(lacking[k]) / lackSum;
        return widths;
    }
    int screen = 0;
    for (int width : screenWidths)
        screen += width;
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] += spare * screenWidths[i] / screen;
    return widths;
}

// Rows of cells laid out in the printed columns; a row is as tall as its
// tallest cell.
class RowLayout {
public:
    using Cells = std::vector<std::unique_ptr<WrappedText>>;

    RowLayout(QPaintDevice& device, const std::vector<int>& columns, std::vector<qreal> widths,
              qreal padding, qreal line)
        : m_device(device), m_columns(columns), m_widths(std::move(widths)), m_padding(padding),
          m_line(line)
    {
        qreal left = 0;
        for (qreal width : m_widths) {
            m_lefts.push_back(left);
            left += width;
        }
    }

    template <typename TextOf>
    Cells LayOut(const QFont& font, TextOf textOf) const
    {
        Cells cells;
        for (size_t i = 0; i < m_columns.size(); ++i)
            cells.push_back(
                std::make_unique<WrappedText>(textOf(m_columns[i]), font, m_device,
                                              std::max(qreal{1}, m_widths[i] - 2 * m_padding)));
        return cells;
    }

    qreal Height(const Cells& cells) const
    {
        qreal tallest = m_line;
        for (const auto& cell : cells)
            tallest = std::max(tallest, cell->Height());
        return tallest + m_padding;
    }

    // The first row of every page; a row taller than a whole page gets one
    // to itself and is cut at its end.
    template <typename RowTexts>
    std::vector<int> PageStarts(int rows, qreal body, const QFont& font, RowTexts rowTexts) const
    {
        std::vector<int> starts{0};
        qreal filled = 0;
        for (int row = 0; row < rows; ++row) {
            qreal tall = Height(LayOut(font, rowTexts(row)));
            if (filled > 0 && filled + tall > body) {
                starts.push_back(row);
                filled = 0;
            }
            filled += tall;
        }
        return starts;
    }

    void Draw(QPainter& painter, const Cells& cells, qreal y) const
    {
        for (size_t i = 0; i < cells.size(); ++i)
            cells[i]->Draw(painter, QPointF(m_lefts[i] + m_padding, y + m_padding / 2));
    }

private:
    QPaintDevice& m_device;
    const std::vector<int>& m_columns;
    std::vector<qreal> m_widths;
    std::vector<qreal> m_lefts;
    qreal m_padding;
    qreal m_line;
};

std::string ArrivalText(int64_t storedMs)
{
    Timestamp time = Timestamp::FromMs(storedMs);
    return FormatText("%s %s", time.FormatDate(), time.FormatTime(WithMs::No));
}

} // namespace

QString PrintFooter(Timestamp captured, const std::string& user, int page, int pages)
{
    std::string when = FormatText("%s, %s", captured.FormatDate(), captured.FormatTime(WithMs::No));
    return QString::fromStdString(
        FormatTr(TrNoop("Zeitpunkt der Erfassung: %s, Benutzer: %s, Seite %d / %d"), when, user,
                 page, pages));
}

AlarmListPrinter::AlarmListPrinter(const ShownAlarmList& list, std::string user, Timestamp captured,
                                   std::string filter)
    : m_list(list), m_user(std::move(user)), m_captured(captured), m_filter(std::move(filter))
{
}

std::vector<qreal> AlarmListPrinter::ColumnWidths(QPaintDevice& device, const QFont& font,
                                                  const QFont& bold, qreal padding) const
{
    QFontMetricsF metrics(font, &device);
    QFontMetricsF boldMetrics(bold, &device);
    qreal width = device.width();
    const std::vector<int>& columns = m_list.Columns();
    std::vector<ColumnExtent> extents(columns.size());
    std::vector<int> screenWidths;
    for (size_t i = 0; i < columns.size(); ++i) {
        extents[i].Take(boldMetrics, m_list.Header(columns[i]));
        screenWidths.push_back(std::max(1, m_list.Width(columns[i])));
    }
    for (int row = 0; row < m_list.RowCount(); ++row)
        for (size_t i = 0; i < columns.size(); ++i)
            extents[i].Take(metrics, m_list.Cell(row, columns[i], TimeText::AsShown));
    for (ColumnExtent& extent : extents) {
        extent.least = std::min(extent.least, width / kWidestWordShare) + 2 * padding;
        extent.natural = std::min(extent.natural, width) + 2 * padding;
    }
    return ShareWidths(extents, screenWidths, width);
}

std::array<QString, 3> AlarmListPrinter::Heading() const
{
    QString title = QString::fromStdString(Tr("Alarmliste"));
    QString filter =
        QString::fromStdString(m_filter.empty() ? Tr("Filter: keiner, alle Alarme")
                                                : FormatTr(TrNoop("Filter: %s"), m_filter));
    std::optional<std::pair<int64_t, int64_t>> span = m_list.ArrivalSpan();
    QString period = QString::fromStdString(
        span ? FormatTr(TrNoop("Zeitraum (Zeit-Eingang): %s bis %s, %d Alarme"),
                        ArrivalText(span->first), ArrivalText(span->second), m_list.RowCount())
             : Tr("Zeitraum: keine Alarme"));
    return {title, filter, period};
}

int AlarmListPrinter::Paint(QPagedPaintDevice& device) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    QFont font = painter.font();
    font.setPointSizeF(kFontPoints);
    QFont bold = font;
    bold.setBold(true);
    QFont titleFont = bold;
    titleFont.setPointSizeF(kTitlePoints);
    qreal width = device.width();
    qreal height = device.height();
    qreal line = QFontMetricsF(font, &device).height();
    qreal padding = width * kCellPadding / 1000;
    int rows = m_list.RowCount();
    RowLayout layout(device, m_list.Columns(), ColumnWidths(device, font, bold, padding), padding,
                     line);
    auto cellsOf = [this](int row) {
        return [this, row](int column) { return m_list.Cell(row, column, TimeText::AsShown); };
    };

    std::array<QString, 3> heading = Heading();
    std::vector<std::unique_ptr<WrappedText>> headingTexts;
    qreal headingHeight = line;
    for (size_t i = 0; i < heading.size(); ++i) {
        headingTexts.push_back(
            std::make_unique<WrappedText>(heading[i], i == 0 ? titleFont : font, device, width));
        headingHeight += headingTexts.back()->Height();
    }
    auto header = layout.LayOut(bold, [this](int column) { return m_list.Header(column); });
    qreal headerHeight = layout.Height(header);
    qreal footerHeight = line * 2;
    qreal body = height - headingHeight - headerHeight - footerHeight;

    std::vector<int> pageStarts = layout.PageStarts(rows, body, font, cellsOf);
    int pages = static_cast<int>(pageStarts.size());

    QPen rule(Qt::black, 0);
    QPen separator(Qt::lightGray, 0);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        qreal y = 0;
        for (const auto& text : headingTexts) {
            text->Draw(painter, QPointF(0, y));
            y += text->Height();
        }
        y += line;
        layout.Draw(painter, header, y);
        y += headerHeight;
        painter.setPen(rule);
        painter.drawLine(QPointF(0, y), QPointF(width, y));
        int last = page + 1 < pages ? pageStarts[static_cast<size_t>(page) + 1] : rows;
        painter.save();
        painter.setClipRect(QRectF(0, y, width, body));
        for (int row = pageStarts[static_cast<size_t>(page)]; row < last; ++row) {
            auto cells = layout.LayOut(font, cellsOf(row));
            painter.setPen(rule);
            layout.Draw(painter, cells, y);
            y += layout.Height(cells);
            painter.setPen(separator);
            painter.drawLine(QPointF(0, y), QPointF(width, y));
        }
        painter.restore();
        painter.setPen(rule);
        painter.drawLine(QPointF(0, height - footerHeight + line / 2),
                         QPointF(width, height - footerHeight + line / 2));
        painter.setFont(font);
        painter.drawText(QRectF(0, height - line, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         PrintFooter(m_captured, m_user, page + 1, pages));
    }
    painter.end();
    return pages;
}

bool AlarmListPrinter::ExportPdf(const QString& path) const
{
    return ExportPdfPages(path, [this](QPagedPaintDevice& device) { return Paint(device); });
}

bool AlarmListPrinter::PrintWithDialog(QWidget* parent) const
{
    return PrintPagesWithDialog(parent,
                                [this](QPagedPaintDevice& device) { return Paint(device); });
}
