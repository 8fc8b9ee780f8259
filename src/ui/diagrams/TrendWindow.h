// The trend view: the alarms of the list's current view per hour or per day,
// stacked by priority in the priority colours, over the range of the applied
// filter's time part or else over the alarms shown; printed and saved as PDF
// on one page.
#pragma once

#include "alarm/TrendCounts.h"
#include "ui/diagrams/DiagramPainting.h"
#include "ui/diagrams/DiagramWindow.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AlarmDatabase;
class Clock;
class ConfigTree;
class QComboBox;
class SortKeySource;

class TrendWindow final : public DiagramWindow {
    Q_OBJECT

public:
    // The applied filter's time range, nothing while none applies.
    using RangeSource = std::function<std::optional<TrendRange>()>;

    TrendWindow(ConfigTree& tree, AlarmDatabase& database, Clock& clock, RangeSource range,
                QWidget* parent = nullptr);
    ~TrendWindow() override;

    void Rebuild() override;
    void SetStep(TrendStep step);

    const TrendCounts& Counts() const { return *m_counts; }
    TrendRange Range() const { return m_range; }
    const std::vector<int64_t>& BucketStarts() const { return m_starts; }

    int Paint(QPagedPaintDevice& device) const override;

private:
    class TrendCanvas;
    class Priorities;

    void Add(const AlarmRecord& record) override;
    void UpdateRange();

    ConfigTree& m_tree;
    Clock& m_clock;
    RangeSource m_rangeSource;
    std::unique_ptr<Priorities> m_priorities;
    std::unique_ptr<TrendCounts> m_counts;
    TrendRange m_range;
    std::vector<int64_t> m_starts;
    TrendCanvas* m_canvas = nullptr;
    QComboBox* m_step = nullptr;
};
