// The main window's filter controls without their widgets: the list of
// filters and names, the selector, the toggle "Filter anwenden:", and
// applying the chosen filter to the database view.
#pragma once

#include "filters/AlarmFilter.h"
#include "filters/FilterMatcher.h"

#include <cstdint>
#include <string>
#include <vector>

class AlarmDatabase;
class Clock;
class ConfigTree;

enum class Filtering { Off, On };

class AuditTrail;

class FilterController {
public:
    FilterController(ConfigTree& tree, AlarmDatabase& database, Clock& clock);
    ~FilterController();
    FilterController(const FilterController&) = delete;
    FilterController& operator=(const FilterController&) = delete;

    // Rebuilds the filters and names from FilterList and selects the first.
    // With no filter left the controls are disabled and filtering goes off;
    // otherwise filtering that was on goes on with the first filter.
    void LoadFilters();

    const std::vector<std::string>& Names() const { return m_names; }
    const std::vector<AlarmFilter>& Filters() const { return m_filters; }
    // The toggle and the selector.
    bool ControlsEnabled() const { return !m_filters.empty(); }
    Filtering State() const { return m_filtering; }
    int Selected() const { return m_selected; }

    // The toggle: on applies the selected filter, off shows every alarm.
    void SetFiltering(Filtering filtering);
    // Choosing in the selector; applies the filter while filtering is on.
    void Select(int index);
    // Hands the filter to the view; nothing while filtering is off or the
    // index names no filter.
    void ApplyFilter(int index);
    // Only the alarms of one recorder, by its name (the recorder overview's
    // double click): filtering is on with no named filter selected, until
    // it is switched off or a filter is chosen.
    void ShowOnlyRecorder(const std::string& name);

    // The applied filter for a printed list, translated: its name, its
    // active parts with their link and its confirmation restriction; empty
    // while filtering is off.
    std::string DescribeApplied(int64_t nowMs) const;

    // Where the operator's filter choices are recorded; none when null.
    void SetAudit(AuditTrail* audit) { m_audit = audit; }

private:
    AlarmDatabase& m_database;
    ConfigTree& m_tree;
    Clock& m_clock;
    FilterMatcher m_matcher;
    std::vector<AlarmFilter> m_filters;
    std::vector<std::string> m_names;
    Filtering m_filtering = Filtering::Off;
    int m_selected = -1;
    AuditTrail* m_audit = nullptr;

    void RecordChoice();
};
