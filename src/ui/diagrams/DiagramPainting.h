// Painting the bar diagram and the trend on any device: the screen widgets
// paint what is visible, printing paints page by page with the same code.
#pragma once

#include "alarm/BarColours.h"
#include "alarm/TrendCounts.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

class QPainter;

struct DiagramBar {
    QString name;
    QString address;
    // Alarm type code and count, by code.
    std::vector<std::pair<int32_t, int64_t>> segments;
    int64_t total = 0;
};

struct BarLayout {
    QRect plot;      // where the bars stand
    int slot = 60;   // width given to one bar
    int64_t top = 1; // count at the top of the scale
};

// The scale's top: a round number at or above the largest bar.
int64_t ScaleTop(int64_t largest);

// Axis, scale and the bars first .. first + count - 1, each in its slot from
// the left of `area`.
BarLayout PaintBars(QPainter& painter, const QRect& area, const std::vector<DiagramBar>& bars,
                    int first, int count, int slot, int64_t top,
                    const std::vector<BarColour>& colours);
// The bar and alarm type under a point of a layout painted before; -1 for
// the type when the point is beside every segment.
std::pair<int, int32_t> HitBar(const BarLayout& layout, const std::vector<DiagramBar>& bars,
                               int first, QPoint point);

// A colour box and the name of each type, in rows of `area`.
// A priority's colour in the trend's legend; priority 6 is "ohne Einstellung".
void FillPriorityBox(QPainter& painter, const QRect& box, int32_t priority);

void PaintLegend(QPainter& painter, const QRect& area, const std::vector<int32_t>& codes,
                 const std::vector<BarColour>& colours);

// Columns of the buckets from `from` to before `to`, stacked by priority in
// the priority colours; `slot` pixels per bucket from the left of `area`.
struct TrendRange {
    int64_t from = 0;
    int64_t to = 0;
};
std::vector<int64_t> TrendBucketStarts(TrendRange range, TrendStep step);
void PaintTrend(QPainter& painter, const QRect& area, const TrendCounts& counts,
                const std::vector<int64_t>& starts, int slot);
