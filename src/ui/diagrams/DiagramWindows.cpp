#include "ui/diagrams/DiagramWindows.h"

#include "config/Clock.h"
#include "config/Timestamp.h"
#include "filters/FilterController.h"
#include "ui/diagrams/BarDiagramWindow.h"
#include "ui/diagrams/TrendWindow.h"

DiagramWindows::DiagramWindows(ConfigTree& tree, AlarmDatabase& database,
                               const FilterController& filters, Clock& clock)
    : m_tree(tree), m_database(database), m_filters(filters), m_clock(clock)
{
}

DiagramWindows::~DiagramWindows() = default;

void DiagramWindows::ShowBarDiagram()
{
    if (m_barDiagram == nullptr)
        m_barDiagram = std::make_unique<BarDiagramWindow>(m_tree, m_database, m_clock);
    else
        m_barDiagram->Rebuild();
    m_barDiagram->show();
    m_barDiagram->raise();
}

void DiagramWindows::ShowTrend()
{
    if (m_trend != nullptr) {
        m_trend->Rebuild();
    } else {
        // The range of the applied filter's time part.
        m_trend = std::make_unique<TrendWindow>(
            m_tree, m_database, m_clock, [this]() -> std::optional<TrendRange> {
                int selected = m_filters.Selected();
                if (m_filters.State() != Filtering::On || selected < 0)
                    return std::nullopt;
                auto range =
                    m_filters.Filters()[static_cast<size_t>(selected)].TimeRange(m_clock.NowMs());
                if (!range)
                    return std::nullopt;
                return TrendRange{range->first, range->second};
            });
    }
    m_trend->show();
    m_trend->raise();
}

void DiagramWindows::Follow()
{
    if (m_barDiagram != nullptr && m_barDiagram->isVisible())
        m_barDiagram->Follow();
    if (m_trend != nullptr && m_trend->isVisible())
        m_trend->Follow();
}

void DiagramWindows::Rebuild()
{
    if (m_barDiagram != nullptr && m_barDiagram->isVisible())
        m_barDiagram->Rebuild();
    if (m_trend != nullptr && m_trend->isVisible())
        m_trend->Rebuild();
}
