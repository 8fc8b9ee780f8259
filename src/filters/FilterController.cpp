#include "filters/FilterController.h"

#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "filters/FilterStore.h"

FilterController::FilterController(ConfigTree& tree, AlarmDatabase& database, Clock& clock)
    : m_database(database), m_tree(tree), m_clock(clock), m_matcher(tree, clock)
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
    // After one recorder's alarms, on goes on with the first filter.
    if (m_selected < 0 && !m_filters.empty())
        m_selected = 0;
    if (wasOn != (m_filtering == Filtering::On))
        RecordChoice();
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
    bool changed = m_selected != index;
    m_selected = index;
    if (changed && m_filtering == Filtering::On)
        RecordChoice();
    ApplyFilter(index);
}

void FilterController::RecordChoice()
{
    if (m_audit == nullptr)
        return;
    if (m_filtering != Filtering::On || m_selected < 0 ||
        m_selected >= static_cast<int>(m_names.size())) {
        m_audit->Record("filter-off", "");
        return;
    }
    m_audit->Record("filter-apply", m_names[static_cast<size_t>(m_selected)],
                    {{"filter", DescribeApplied(m_clock.NowMs())}});
}

void FilterController::ApplyFilter(int index)
{
    if (m_filtering != Filtering::On || index < 0 || index >= static_cast<int>(m_filters.size()))
        return;
    m_matcher.SetFilter(m_filters[static_cast<size_t>(index)]);
    m_database.SetViewFilter(&m_matcher);
    m_database.SetFilterActive();
}

void FilterController::ShowOnlyRecorder(const std::string& name)
{
    AlarmFilter filter;
    filter.recorders.push_back({name, -1});
    filter.activeParts = AlarmFilter::kRecorderPart;
    m_matcher.SetFilter(filter);
    m_database.SetViewFilter(&m_matcher);
    m_database.SetFilterActive();
    m_filtering = Filtering::On;
    m_selected = -1;
}

std::string FilterController::DescribeApplied(int64_t nowMs) const
{
    if (m_filtering == Filtering::Off || m_selected < 0 ||
        m_selected >= static_cast<int>(m_filters.size()))
        return {};
    const AlarmFilter& filter = m_filters[static_cast<size_t>(m_selected)];
    std::vector<std::string> parts;
    if ((filter.activeParts & AlarmFilter::kTimePart) != 0)
        parts.push_back(filter.DescribeTime(nowMs));
    if ((filter.activeParts & AlarmFilter::kRecorderPart) != 0) {
        std::string names;
        for (const FilterRecorder& recorder : filter.recorders)
            names += (names.empty() ? "" : ", ") + recorder.name;
        parts.push_back(filter.DescribeRecorders() + " (" + names + ")");
    }
    if ((filter.activeParts & AlarmFilter::kTypePart) != 0)
        parts.push_back(filter.DescribeTypes());
    std::string link = " " + (filter.link == AlarmFilter::kLinkOr ? Tr("ODER") : Tr("UND")) + " ";
    std::string text = m_names[static_cast<size_t>(m_selected)] + ": ";
    if (parts.empty())
        text += Tr("kein Teil aktiv");
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : link) + parts[i];
    if (filter.onlyConfirmed)
        text += ", " + Tr("nur quittierte");
    if (filter.onlyUnconfirmed)
        text += ", " + Tr("nur nicht quittierte");
    return text;
}
