// The bar diagram: one stacked bar per recorder for the alarms of the list's
// current view, a segment per alarm type in its bar colour, scrolling
// through the recorders, a legend, the counts on hover; printed and saved
// as PDF with the configured number of recorders per page.
#pragma once

#include "alarm/BarColours.h"
#include "alarm/RecorderTypeCounts.h"
#include "ui/diagrams/DiagramPainting.h"
#include "ui/diagrams/DiagramWindow.h"

#include <map>
#include <string>
#include <vector>

class AlarmDatabase;
class Clock;
class ConfigTree;
class QSpinBox;

class BarDiagramWindow final : public DiagramWindow {
    Q_OBJECT

public:
    static constexpr int kSlot = 96;

    BarDiagramWindow(ConfigTree& tree, AlarmDatabase& database, Clock& clock,
                     QWidget* parent = nullptr);
    ~BarDiagramWindow() override;

    void Rebuild() override;

    const RecorderTypeCounts& Counts() const { return m_counts; }
    // Sorted by recorder name.
    const std::vector<DiagramBar>& Bars() const { return m_bars; }
    // The hover text at a point of the diagram's canvas; empty beside the bars.
    QString ToolTipAt(QPoint point) const;
    QWidget& Canvas() const;

    // One page per `RecordersPerPage` recorders; the number of pages.
    int Paint(QPagedPaintDevice& device) const override;

private:
    class BarCanvas;
    class LegendCanvas;

    void Add(const AlarmRecord& record) override;
    void UpdateBars();
    std::vector<int32_t> LegendCodes() const;

    ConfigTree& m_tree;
    Clock& m_clock;
    RecorderTypeCounts m_counts;
    std::vector<BarColour> m_colours;
    std::vector<DiagramBar> m_bars;
    std::map<std::string, QString, std::less<>> m_names;
    BarCanvas* m_canvas = nullptr;
    LegendCanvas* m_legend = nullptr;
    QSpinBox* m_perPage = nullptr;
};
