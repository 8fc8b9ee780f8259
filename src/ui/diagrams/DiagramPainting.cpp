#include "ui/diagrams/DiagramPainting.h"

#include "config/Timestamp.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/RgbColor.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kScaleWidth = 56;
// Room for a name in three lines under its bar.
constexpr int kNameHeight = 48;
constexpr int kTopMargin = 18;
constexpr int kScaleSteps = 5;

QColor ToQColor(RgbColor color)
{
    return QColor(color.red, color.green, color.blue);
}

// A coloured box with its frame; a colour too close to the white page is
// hatched so that it still shows.
void FillBox(QPainter& painter, const QRect& box, RgbColor color, const QColor& frame)
{
    painter.fillRect(box, ToQColor(color));
    if (ContrastRatio(color, kWhite) < 1.05)
        painter.fillRect(box, QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
    painter.setPen(frame);
    painter.drawRect(box);
}

// The frame, the scale with its numbers and the grid lines; the plot area.
QRect PaintScale(QPainter& painter, const QRect& area, int64_t top)
{
    QRect plot(area.left() + kScaleWidth, area.top() + kTopMargin,
               std::max(1, area.width() - kScaleWidth - 8),
               std::max(1, area.height() - kTopMargin - kNameHeight));
    painter.setPen(QColor(200, 200, 200));
    for (int step = 1; step <= kScaleSteps; ++step) {
        int y = plot.bottom() - static_cast<int>(int64_t{plot.height()} * step / kScaleSteps);
        painter.drawLine(plot.left(), y, plot.right(), y);
    }
    painter.setPen(QColor(70, 70, 70));
    for (int step = 0; step <= kScaleSteps; ++step) {
        int y = plot.bottom() - static_cast<int>(int64_t{plot.height()} * step / kScaleSteps);
        painter.drawText(QRect(area.left(), y - 10, kScaleWidth - 6, 20),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(top * step / kScaleSteps));
    }
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    return plot;
}

} // namespace

void FillPriorityBox(QPainter& painter, const QRect& box, int32_t priority)
{
    FillBox(painter, box, priority < 6 ? PriorityColor(priority) : RgbColor{160, 160, 160},
            QColor(70, 70, 70));
}

namespace {

int HeightOf(int64_t count, int64_t top, int plotHeight)
{
    return static_cast<int>(static_cast<double>(count) * plotHeight / static_cast<double>(top));
}

} // namespace

int64_t ScaleTop(int64_t largest)
{
    int64_t top = kScaleSteps;
    while (top < largest) {
        if (top * 2 >= largest) {
            top *= 2;
            break;
        }
        if (top * 5 >= largest) {
            top *= 5;
            break;
        }
        top *= 10;
    }
    return top;
}

BarLayout PaintBars(QPainter& painter, const QRect& area, const std::vector<DiagramBar>& bars,
                    int first, int count, int slot, int64_t top,
                    const std::vector<BarColour>& colours)
{
    BarLayout layout;
    layout.slot = slot;
    layout.top = std::max<int64_t>(1, top);
    layout.plot = PaintScale(painter, area, layout.top);
    const QRect& plot = layout.plot;
    int last = std::min(static_cast<int>(bars.size()), first + count);
    for (int i = first; i < last; ++i) {
        const DiagramBar& bar = bars[static_cast<size_t>(i)];
        int left = plot.left() + (i - first) * slot + slot / 6;
        int width = slot - slot / 3;
        int64_t below = 0;
        for (const auto& [code, alarms] : bar.segments) {
            int bottom = plot.bottom() - HeightOf(below, layout.top, plot.height());
            below += alarms;
            int upper = plot.bottom() - HeightOf(below, layout.top, plot.height());
            QRect segment(left, upper, width, std::max(1, bottom - upper));
            FillBox(painter, segment, BarColourOf(colours, code), QColor(150, 150, 150));
        }
        painter.setPen(Qt::black);
        int barTop = plot.bottom() - HeightOf(bar.total, layout.top, plot.height());
        painter.drawText(QRect(left - slot / 6, barTop - 16, slot, 16), Qt::AlignCenter,
                         QString::number(bar.total));
        QRect nameBox(left - slot / 6 + 2, plot.bottom() + 4, slot - 4, kNameHeight - 4);
        painter.drawText(nameBox, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, bar.name);
    }
    return layout;
}

std::pair<int, int32_t> HitBar(const BarLayout& layout, const std::vector<DiagramBar>& bars,
                               int first, QPoint point)
{
    const QRect& plot = layout.plot;
    if (point.x() < plot.left() || point.y() > plot.bottom() || layout.slot <= 0)
        return {-1, -1};
    int index = first + (point.x() - plot.left()) / layout.slot;
    if (index < 0 || index >= static_cast<int>(bars.size()))
        return {-1, -1};
    int64_t below = 0;
    for (const auto& [code, alarms] : bars[static_cast<size_t>(index)].segments) {
        below += alarms;
        if (point.y() >= plot.bottom() - HeightOf(below, layout.top, plot.height()))
            return {index, code};
    }
    return {index, -1};
}

void PaintLegend(QPainter& painter, const QRect& area, const std::vector<int32_t>& codes,
                 const std::vector<BarColour>& colours)
{
    int line = painter.fontMetrics().height() + 4;
    int columnWidth = std::min(area.width(), 340);
    int textWidth = columnWidth - line - 4;
    int x = area.left();
    int y = area.top();
    // Long names wrap; a column that is full continues in the next one.
    for (int32_t code : codes) {
        QString name = QString::fromStdString(AlarmTypeName(code, NameTranslation::Translated));
        QRect text = painter.fontMetrics().boundingRect(QRect(0, 0, textWidth, 1000),
                                                        Qt::TextWordWrap, name);
        int height = std::max(line, text.height() + 4);
        if (y > area.top() && y + height > area.bottom()) {
            x += columnWidth;
            y = area.top();
        }
        FillBox(painter, QRect(x, y + 2, line - 6, line - 6), BarColourOf(colours, code),
                QColor(70, 70, 70));
        painter.drawText(QRect(x + line, y + 2, textWidth, height), Qt::TextWordWrap, name);
        y += height;
    }
}

std::vector<int64_t> TrendBucketStarts(TrendRange range, TrendStep step)
{
    std::vector<int64_t> starts;
    for (int64_t start = TrendCounts::BucketStart(range.from, step); start < range.to;
         start = TrendCounts::BucketEnd(start, step)) {
        starts.push_back(start);
        // A range of centuries would not fit any screen.
        if (starts.size() > 200'000)
            break;
    }
    return starts;
}

void PaintTrend(QPainter& painter, const QRect& area, const TrendCounts& counts,
                const std::vector<int64_t>& starts, int slot)
{
    const auto& buckets = counts.Buckets();
    int64_t largest = 0;
    for (int64_t start : starts) {
        auto found = buckets.find(start);
        if (found == buckets.end())
            continue;
        int64_t sum = 0;
        for (int64_t alarms : found->second)
            sum += alarms;
        largest = std::max(largest, sum);
    }
    int64_t top = ScaleTop(largest);
    QRect plot = PaintScale(painter, area, top);
    // Every so many buckets a label, as far apart as the labels are wide.
    int labelWidth = painter.fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000")) + 8;
    int labelEvery = std::max(1, (labelWidth + slot - 1) / std::max(1, slot));
    QRect clip = painter.clipBoundingRect().toAlignedRect();
    for (size_t i = 0; i < starts.size(); ++i) {
        int left = plot.left() + static_cast<int>(i) * slot;
        if (!clip.isEmpty() && (left + slot < clip.left() || left > clip.right() + labelWidth))
            continue;
        auto found = buckets.find(starts[i]);
        if (found != buckets.end()) {
            int64_t below = 0;
            for (size_t priority = 0; priority < found->second.size(); ++priority) {
                int64_t alarms = found->second[priority];
                if (alarms == 0)
                    continue;
                int bottom = plot.bottom() - HeightOf(below, top, plot.height());
                below += alarms;
                int upper = plot.bottom() - HeightOf(below, top, plot.height());
                RgbColor color = priority < 6 ? PriorityColor(static_cast<int32_t>(priority))
                                              : RgbColor{160, 160, 160};
                QRect segment(left + 1, upper, std::max(1, slot - 2), std::max(1, bottom - upper));
                FillBox(painter, segment, color, QColor(150, 150, 150));
            }
        }
        if (i % static_cast<size_t>(labelEvery) == 0) {
            SystemTime local = Timestamp::FromMs(starts[i]).ToLocalFields();
            QString label =
                counts.Step() == TrendStep::Hour
                    ? QString::asprintf("%02d.%02d. %02d:00", local.day, local.month, local.hour)
                    : QString::asprintf("%02d.%02d.%04d", local.day, local.month, local.year);
            painter.setPen(QColor(70, 70, 70));
            painter.drawLine(left, plot.bottom(), left, plot.bottom() + 4);
            painter.drawText(QRect(left, plot.bottom() + 4, labelWidth, 16), Qt::AlignLeft, label);
        }
    }
}
