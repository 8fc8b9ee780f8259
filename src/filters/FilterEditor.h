// The dialog "Filter bearbeiten" without its widgets: the edited list of
// filters, the selection, the parts and their refusals, and saving the list
// only when it differs from what the dialog started with.
#pragma once

#include "filters/FilterStore.h"

#include <optional>
#include <string>
#include <vector>

class AlarmDatabase;
class ConfigTree;

class FilterEditor {
public:
    explicit FilterEditor(std::vector<NamedFilter> filters);

    const std::vector<NamedFilter>& Filters() const { return m_filters; }
    // -1 when no filter is selected; then only the list and "Neu" work.
    int Selected() const { return m_selected; }
    void Select(int index);
    // The selected filter; only while one is selected.
    const AlarmFilter& Current() const;

    // "Neu": a new filter at the end of the list, selected; its index.
    int AddNew(AlarmDatabase& database);
    void Rename(int index, std::string name);
    // Removes the selected filter without asking; nothing is selected then.
    void RemoveSelected();

    // Ticking a part's box. A recorder or alarm type part without entries
    // stays off; the refusal text (translated) comes back to be shown.
    std::optional<std::string> SetPart(int32_t part, bool on);
    // The box shows ticked only for an active part that has its entries.
    bool PartTicked(int32_t part) const;
    void SetLink(int32_t link);
    void SetOnlyConfirmed(bool on);
    void SetOnlyUnconfirmed(bool on);
    // What the time, recorder and alarm type dialogs hand back on OK. Each
    // switches its part on; an empty list switches it off.
    void SetTime(int32_t mode, Timestamp start, Timestamp end, int32_t lastDays,
                 bool useArrivalTime);
    void SetRecorders(std::vector<FilterRecorder> recorders);
    void SetAlarmTypes(std::vector<int32_t> types);

    bool Changed() const { return m_filters != m_original; }
    // Writes the list when it changed; whether it did.
    bool SaveIfChanged(ConfigTree& tree) const;

private:
    AlarmFilter* Edited();

    std::vector<NamedFilter> m_original;
    std::vector<NamedFilter> m_filters;
    int m_selected = -1;
};
