// The main window's bar diagram and trend view: opened on demand, kept
// current while shown, counted again when the filter changes.
#pragma once

#include <memory>

class AlarmDatabase;
class BarDiagramWindow;
class Clock;
class ConfigTree;
class FilterController;
class TrendWindow;

class DiagramWindows {
public:
    DiagramWindows(ConfigTree& tree, AlarmDatabase& database, const FilterController& filters,
                   Clock& clock);
    ~DiagramWindows();
    DiagramWindows(const DiagramWindows&) = delete;
    DiagramWindows& operator=(const DiagramWindows&) = delete;

    void ShowBarDiagram();
    void ShowTrend();
    // After the list changed; an arrival costs one record read.
    void Follow();
    // After the filter changed.
    void Rebuild();

private:
    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    const FilterController& m_filters;
    Clock& m_clock;
    std::unique_ptr<BarDiagramWindow> m_barDiagram;
    std::unique_ptr<TrendWindow> m_trend;
};
