#include "ui/print/AlarmListPrinter.h"

#include "config/Translator.h"
#include "events/TextFormat.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/print/PagePrinting.h"
#include "ui/print/ShownAlarmList.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace {

constexpr qreal kFontPoints = 7.5;
constexpr int kCellPadding = 4; // in thousandths of the page width

} // namespace

QString PrintFooter(Timestamp captured, const std::string& user, int page, int pages)
{
    std::string when = FormatText("%s, %s", captured.FormatDate(), captured.FormatTime(WithMs::No));
    return QString::fromStdString(
        FormatTr(TrNoop("Zeitpunkt der Erfassung: %s, Benutzer: %s, Seite %d / %d"), when, user,
                 page, pages));
}

AlarmListPrinter::AlarmListPrinter(const ShownAlarmList& list, std::string user, Timestamp captured)
    : m_list(list), m_user(std::move(user)), m_captured(captured)
{
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
    QFontMetrics metrics(font, &device);
    int width = device.width();
    int height = device.height();
    int line = metrics.height() * 5 / 4;
    int padding = width * kCellPadding / 1000;

    // Every column gets room for its header (and the times for a whole date
    // and time); what is left is shared out like the widths on the screen.
    const std::vector<int>& columns = m_list.Columns();
    QFontMetrics boldMetrics(bold, &device);
    int timeWidth = metrics.horizontalAdvance(QStringLiteral("00.00.0000, 00:00:00"));
    std::vector<int> widths;
    int needed = 0;
    int shownWidth = 0;
    for (int column : columns) {
        int least = boldMetrics.horizontalAdvance(m_list.Header(column));
        if (column == kColumnArrival || column == kColumnDeparture || column == kColumnActionTime)
            least = std::max(least, timeWidth);
        widths.push_back(least + 2 * padding);
        needed += widths.back();
        shownWidth += std::max(1, m_list.Width(column));
    }
    int spare = std::max(0, width - needed);
    std::vector<int> lefts;
    int left = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        widths[i] += static_cast<int>(int64_t{spare} * std::max(1, m_list.Width(columns[i])) /
                                      std::max(1, shownWidth));
        lefts.push_back(left);
        left += widths[i];
    }

    int headerHeight = line * 3 / 2;
    int footerHeight = line * 2;
    int rowsPerPage = std::max(1, (height - headerHeight - footerHeight) / line);
    int rows = m_list.RowCount();
    int pages = std::max(1, (rows + rowsPerPage - 1) / rowsPerPage);

    auto drawRow = [&](int y, auto textOf) {
        for (size_t i = 0; i < columns.size(); ++i) {
            QRect cell(lefts[i] + padding, y, std::max(0, widths[i] - 2 * padding), line);
            QString text =
                painter.fontMetrics().elidedText(textOf(columns[i]), Qt::ElideRight, cell.width());
            painter.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    };
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        painter.setFont(bold);
        drawRow(0, [this](int column) { return m_list.Header(column); });
        painter.drawLine(0, line + line / 4, width, line + line / 4);
        painter.setFont(font);
        int first = page * rowsPerPage;
        int last = std::min(rows, first + rowsPerPage);
        for (int row = first; row < last; ++row) {
            int y = headerHeight + (row - first) * line;
            drawRow(
                y, [this, row](int column) { return m_list.Cell(row, column, TimeText::AsShown); });
        }
        painter.drawLine(0, height - footerHeight + line / 2, width,
                         height - footerHeight + line / 2);
        painter.drawText(QRect(0, height - line, width, line), Qt::AlignLeft | Qt::AlignVCenter,
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
