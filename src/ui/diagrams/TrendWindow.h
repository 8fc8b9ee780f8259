// The trend view: the alarms of the list's current view per hour or per day,
// stacked by priority in the priority colours, over the range of the applied
// filter's time part or else over the alarms shown; printed and saved as PDF
// on one page.
#pragma once

#include "alarm/TrendCounts.h"
#include "alarm/ViewFollower.h"
#include "ui/diagrams/DiagramPainting.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AlarmDatabase;
class ConfigTree;
class QComboBox;
class QPagedPaintDevice;
class SortKeySource;

class TrendWindow final : public QWidget {
    Q_OBJECT

public:
    // The applied filter's time range, nothing while none applies.
    using RangeSource = std::function<std::optional<TrendRange>()>;

    TrendWindow(ConfigTree& tree, AlarmDatabase& database, RangeSource range,
                QWidget* parent = nullptr);
    ~TrendWindow() override;

    void Follow();
    void Rebuild();
    void SetStep(TrendStep step);

    const TrendCounts& Counts() const { return *m_counts; }
    TrendRange Range() const { return m_range; }
    const std::vector<int64_t>& BucketStarts() const { return m_starts; }

    int Paint(QPagedPaintDevice& device) const;
    bool ExportPdf(const QString& path) const;
    void PrintWithDialog();

private:
    class TrendCanvas;
    class Priorities;

    void UpdateRange();

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    RangeSource m_rangeSource;
    std::unique_ptr<Priorities> m_priorities;
    std::unique_ptr<TrendCounts> m_counts;
    ViewFollower m_follower;
    TrendRange m_range;
    std::vector<int64_t> m_starts;
    TrendCanvas* m_canvas = nullptr;
    QComboBox* m_step = nullptr;
};
