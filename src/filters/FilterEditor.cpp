#include "filters/FilterEditor.h"

#include "config/Translator.h"

FilterEditor::FilterEditor(std::vector<NamedFilter> filters)
    : m_original(filters), m_filters(std::move(filters))
{
}

void FilterEditor::Select(int index)
{
    m_selected = index >= 0 && index < static_cast<int>(m_filters.size()) ? index : -1;
}

const AlarmFilter& FilterEditor::Current() const
{
    return m_filters.at(static_cast<size_t>(m_selected)).filter;
}

AlarmFilter* FilterEditor::Edited()
{
    return m_selected >= 0 ? &m_filters[static_cast<size_t>(m_selected)].filter : nullptr;
}

int FilterEditor::AddNew(AlarmDatabase& database)
{
    m_filters.push_back({Tr("Neuer Filter"), AlarmFilter::NewFilter(database)});
    m_selected = static_cast<int>(m_filters.size()) - 1;
    return m_selected;
}

void FilterEditor::Rename(int index, std::string name)
{
    if (index >= 0 && index < static_cast<int>(m_filters.size()))
        m_filters[static_cast<size_t>(index)].name = std::move(name);
}

void FilterEditor::RemoveSelected()
{
    if (m_selected < 0)
        return;
    m_filters.erase(m_filters.begin() + m_selected);
    m_selected = -1;
}

std::optional<std::string> FilterEditor::SetPart(int32_t part, bool on)
{
    AlarmFilter* filter = Edited();
    if (filter == nullptr)
        return std::nullopt;
    if (!on) {
        filter->activeParts &= ~part;
        return std::nullopt;
    }
    if (part == AlarmFilter::kRecorderPart && filter->recorders.empty())
        return Tr("Es muss mindestens ein Rekorder ausgewaehlt werden, damit der Rekorderfilter "
                  "sinnvoll benutzt werden kann!");
    if (part == AlarmFilter::kTypePart && filter->alarmTypes.empty())
        return Tr("Es muss mindestens ein Alarm ausgewaehlt werden, damit der Alarmfilter "
                  "sinnvoll benutzt werden kann!");
    filter->activeParts |= part;
    return std::nullopt;
}

bool FilterEditor::PartTicked(int32_t part) const
{
    if (m_selected < 0)
        return false;
    const AlarmFilter& filter = Current();
    if ((filter.activeParts & part) == 0)
        return false;
    if (part == AlarmFilter::kRecorderPart)
        return !filter.recorders.empty();
    if (part == AlarmFilter::kTypePart)
        return !filter.alarmTypes.empty();
    return true;
}

void FilterEditor::SetLink(int32_t link)
{
    if (AlarmFilter* filter = Edited())
        filter->link = link;
}

void FilterEditor::SetOnlyConfirmed(bool on)
{
    if (AlarmFilter* filter = Edited())
        filter->onlyConfirmed = on;
}

void FilterEditor::SetOnlyUnconfirmed(bool on)
{
    if (AlarmFilter* filter = Edited())
        filter->onlyUnconfirmed = on;
}

void FilterEditor::SetTime(int32_t mode, Timestamp start, Timestamp end, int32_t lastDays,
                           bool useArrivalTime)
{
    AlarmFilter* filter = Edited();
    if (filter == nullptr)
        return;
    filter->mode = mode;
    filter->rangeStart = start;
    filter->rangeEnd = end;
    filter->lastDays = lastDays;
    filter->useArrivalTime = useArrivalTime;
    // Choosing a period means filtering by it.
    filter->activeParts |= AlarmFilter::kTimePart;
}

void FilterEditor::SetRecorders(std::vector<FilterRecorder> recorders)
{
    AlarmFilter* filter = Edited();
    if (filter == nullptr)
        return;
    filter->recorders = std::move(recorders);
    // An active part without entries would hide every alarm while its box
    // shows unticked.
    if (filter->recorders.empty())
        filter->activeParts &= ~AlarmFilter::kRecorderPart;
    else
        filter->activeParts |= AlarmFilter::kRecorderPart;
}

void FilterEditor::SetAlarmTypes(std::vector<int32_t> types)
{
    AlarmFilter* filter = Edited();
    if (filter == nullptr)
        return;
    filter->alarmTypes = std::move(types);
    if (filter->alarmTypes.empty())
        filter->activeParts &= ~AlarmFilter::kTypePart;
    else
        filter->activeParts |= AlarmFilter::kTypePart;
}

bool FilterEditor::SaveIfChanged(ConfigTree& tree) const
{
    if (!Changed())
        return false;
    SaveFilters(tree, m_filters);
    return true;
}
