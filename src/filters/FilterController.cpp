#include "filters/FilterController.h"

#include "db/AlarmDatabase.h"
#include "filters/FilterStore.h"

FilterController::FilterController(ConfigTree& tree, AlarmDatabase& database)
    : m_database(database), m_tree(tree), m_matcher(tree)
{
}

FilterController::~FilterController()
{
    m_database.SetViewFilter(nullptr);
}

void FilterController::LoadFilters()
{
    m_filters.clear();
    m_names.clear();
    for (NamedFilter& named : ::LoadFilters(m_tree)) {
        m_names.push_back(std::move(named.name));
        m_filters.push_back(std::move(named.filter));
    }
    m_selected = m_filters.empty() ? -1 : 0;
    if (m_filters.empty()) {
        SetFiltering(Filtering::Off);
        return;
    }
    ApplyFilter(m_selected);
}

void FilterController::SetFiltering(Filtering filtering)
{
    bool wasOn = m_filtering == Filtering::On;
    m_filtering = m_filters.empty() ? Filtering::Off : filtering;
    if (m_filtering == Filtering::On) {
        ApplyFilter(m_selected);
        return;
    }
    if (wasOn || m_database.IsFilterActive())
        m_database.ClearFilter();
}

void FilterController::Select(int index)
{
    if (index < 0 || index >= static_cast<int>(m_filters.size()))
        return;
    m_selected = index;
    ApplyFilter(index);
}

void FilterController::ApplyFilter(int index)
{
    if (m_filtering != Filtering::On || index < 0 || index >= static_cast<int>(m_filters.size()))
        return;
    m_matcher.SetFilter(m_filters[static_cast<size_t>(index)]);
    m_database.SetViewFilter(&m_matcher);
    m_database.SetFilterActive();
}
