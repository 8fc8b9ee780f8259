// The logic of the alarm settings page of the recorder sheet: the tree of
// alarm types and sub-alarms with their colours, loading and storing the
// selected entry (for this entry, the type in every recorder, or the
// defaults for new recorders), the time shift checks, the camera grid with
// adding and deleting sub-alarms, and the remembered selection.
#pragma once

#include "events/RgbColor.h"
#include "station/AlarmSettingsForm.h"
#include "station/CameraGrid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ConfigNode;
class ConfigTree;
class Prompt;

struct AlarmTreeItem {
    int32_t type = 0;
    int ordinal = 0; // place among the entries of its type; 0 is the main entry
    int32_t subId = 0;
    int parent = -1; // index of the top-level item; -1 for a top-level one
    bool hasChildren = false;
    std::string label;
    // Nothing when a negative priority leaves the colour as it is.
    std::optional<RgbColor> color;
};

enum class StoreScope { Entry = 0, AllRecorders = 1, Defaults = 2 };

enum class TimeshiftField { Minutes, Seconds };

enum class StoreResult { Stored, FieldRefused, Cancelled, NoEntry };

class AlarmSettingsEditor {
public:
    // recorder: the RecorderList entry whose AlarmSettings are edited, or
    // the recorder sheet's copy of `liveRecorder` (null for a new recorder),
    // which storing for all recorders then writes in its place.
    AlarmSettingsEditor(ConfigTree& tree, ConfigNode& recorder, Prompt& prompt,
                        const ConfigNode* liveRecorder = nullptr);

    // Builds the items and selects the remembered one, or the first.
    void Open();

    const std::vector<AlarmTreeItem>& Items() const { return m_items; }
    int Selected() const { return m_selected; }
    // The selected entry, null when it is missing; the caller holds the
    // tree's lock while it uses it.
    ConfigNode* SelectedEntry() const;
    // The selected entry's values; the form's defaults when it is missing.
    AlarmSettingsForm LoadSelected() const;
    // "Sub - Alarme" is offered for a main entry of a type with sub-alarms
    // while the master switch is on.
    bool OffersSubAlarms(bool masterSwitch) const;

    // Stores `shown` into the selected entry together with the grid's masks,
    // then selects `item`. False, with the selection kept, when the shown
    // values are refused (RefusedField tells which field).
    bool Select(int item, AlarmSettingsForm& shown);

    // "Uebernehmen" (scope 0) and its variants for all recorders (1) and for
    // the defaults of new recorders (2), which ask first. The time shift
    // texts of `shown` are normalised in place; a refused one is set to "0".
    StoreResult Store(StoreScope scope, AlarmSettingsForm& shown);
    std::optional<TimeshiftField> RefusedField() const { return m_refused; }

    // The check made while the minutes or seconds are typed: refused values
    // are reported and the text to put back (the stored value) is returned.
    std::optional<std::string> CheckTimeshiftChange(TimeshiftField field, std::string_view text);

    bool GridShown() const { return m_gridShown; }
    const CameraGrid& Grid() const { return m_grid; }
    // "Sub - Alarme"; false when the selection offers no sub-alarms.
    bool ShowGrid();
    // Leaving the grid writes its masks back.
    void HideGrid();
    bool ClickGrid(int row, int column);
    // "Alarm hinzufuegen": a new sub-alarm of the selected type starting
    // with the shown values.
    StoreResult AddSubAlarm(AlarmSettingsForm& shown);
    // "Alarm loeschen" on grid row `row` (1 or more): its cameras go back to
    // the main entry.
    bool DeleteSubAlarm(int row);

private:
    ConfigNode* Settings() const;
    ConfigNode* EntryOf(const AlarmTreeItem& item) const;
    void RebuildItems(int32_t selectType, int selectOrdinal);
    void RefreshColors();
    void RememberSelection();
    std::optional<TimeshiftField> NormaliseTimeshift(AlarmSettingsForm& shown);
    void WriteGrid();

    ConfigTree& m_tree;
    ConfigNode& m_recorder;
    const ConfigNode* m_liveRecorder;
    Prompt& m_prompt;
    std::vector<AlarmTreeItem> m_items;
    int m_selected = -1;
    CameraGrid m_grid;
    bool m_gridShown = false;
    std::optional<TimeshiftField> m_refused;
};
