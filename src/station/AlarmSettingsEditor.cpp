#include "station/AlarmSettingsEditor.h"

#include "config/ChildValues.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/AlarmTypeWalk.h"
#include "events/TextFormat.h"
#include "platform/Prompt.h"
#include "station/RecorderQueries.h"

#include <algorithm>

namespace {

constexpr RgbColor kSwitchedOffColor{80, 80, 80};
constexpr int32_t kLowestMinutesOrSeconds = 0;
constexpr int32_t kHighestMinutesOrSeconds = 59;

void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

ConfigNode* EditorState(ConfigTree& tree, std::string_view key)
{
    ConfigNode* node = tree.TopFolder("Runtime");
    for (std::string_view name : {"GUI", "CPropPageRecorderAlarmSettings"})
        node = node == nullptr ? nullptr : node->Child(name);
    return node == nullptr ? nullptr : node->Child(key);
}

// The part before the first "_" is an alarm type text and is translated; the
// "_" and the number stay as they are.
std::string SubAlarmLabel(std::string_view subName)
{
    size_t underscore = subName.find('_');
    std::string_view head = subName.substr(0, underscore);
    std::string label = Translator::Global().Translate(head);
    if (underscore != std::string_view::npos)
        label += subName.substr(underscore);
    return label;
}

int SubAlarmNumber(std::string_view subName)
{
    size_t underscore = subName.find('_');
    if (underscore == std::string_view::npos)
        return 0;
    return LeadingWholeNumber(subName.substr(underscore + 1));
}

std::optional<RgbColor> ItemColor(const ConfigNode& entry)
{
    if (IntOf(entry, "ShowAlarmWindow") != 1)
        return kSwitchedOffColor;
    int32_t priority = IntOf(entry, "Priority");
    if (priority < 0)
        return std::nullopt;
    return PriorityColor(priority);
}

} // namespace

AlarmSettingsEditor::AlarmSettingsEditor(ConfigTree& tree, ConfigNode& recorder, Prompt& prompt,
                                         const ConfigNode* liveRecorder)
    : m_tree(tree), m_recorder(recorder), m_liveRecorder(liveRecorder), m_prompt(prompt)
{
}

ConfigNode* AlarmSettingsEditor::Settings() const
{
    return Find(m_recorder, kRecorderAlarmSettings);
}

ConfigNode* AlarmSettingsEditor::EntryOf(const AlarmTreeItem& item) const
{
    ConfigNode* list = Settings();
    ConfigNode* entry =
        list == nullptr ? nullptr : list->FindNthEntryByInt("Type", item.type, item.ordinal);
    // An item whose entry went away, or was replaced, is stale.
    if (entry == nullptr || IntOf(*entry, "SubID") != item.subId)
        return nullptr;
    return entry;
}

ConfigNode* AlarmSettingsEditor::SelectedEntry() const
{
    if (m_selected < 0 || m_selected >= static_cast<int>(m_items.size()))
        return nullptr;
    return EntryOf(m_items[m_selected]);
}

void AlarmSettingsEditor::Open()
{
    ConfigLock lock(m_tree);
    m_gridShown = false;
    m_grid.Clear();
    RebuildItems(0, -1);
    const ConfigNode* remembered = EditorState(m_tree, "iLastSelAlarmTypePos");
    int position = remembered == nullptr ? 0 : remembered->GetInt();
    if (position < 0 || position >= static_cast<int>(m_items.size()))
        position = m_items.empty() ? -1 : 0;
    m_selected = position;
}

void AlarmSettingsEditor::RebuildItems(int32_t selectType, int selectOrdinal)
{
    m_items.clear();
    m_selected = -1;
    ConfigNode* list = Settings();
    if (list == nullptr)
        return;
    AlarmTypeWalk walk;
    while (std::optional<AlarmTypeWalk::Step> step = walk.Next()) {
        int top = static_cast<int>(m_items.size());
        for (int n = 0;; ++n) {
            const ConfigNode* entry = list->FindNthEntryByInt("Type", step->code, n);
            if (entry == nullptr)
                break;
            AlarmTreeItem item;
            item.type = step->code;
            item.ordinal = n;
            item.subId = IntOf(*entry, "SubID");
            item.color = ItemColor(*entry);
            if (n == 0) {
                item.label = step->name;
            } else {
                item.parent = top;
                std::string subName = TextOf(*entry, "SubName");
                item.label = subName.empty() ? step->name : SubAlarmLabel(subName);
                m_items[top].hasChildren = true;
            }
            if (item.type == selectType && item.ordinal == selectOrdinal)
                m_selected = static_cast<int>(m_items.size());
            m_items.push_back(std::move(item));
        }
    }
}

void AlarmSettingsEditor::RefreshColors()
{
    for (AlarmTreeItem& item : m_items) {
        if (const ConfigNode* entry = EntryOf(item))
            item.color = ItemColor(*entry);
    }
}

void AlarmSettingsEditor::RememberSelection()
{
    if (ConfigNode* position = EditorState(m_tree, "iLastSelAlarmTypePos"))
        position->SetInt(m_selected);
}

AlarmSettingsForm AlarmSettingsEditor::LoadSelected() const
{
    ConfigLock lock(m_tree);
    const ConfigNode* entry = SelectedEntry();
    return entry == nullptr ? AlarmSettingsForm{} : ReadAlarmSettingsForm(*entry);
}

bool AlarmSettingsEditor::OffersSubAlarms(bool masterSwitch) const
{
    ConfigLock lock(m_tree);
    const ConfigNode* entry = SelectedEntry();
    return masterSwitch && entry != nullptr && TextOf(*entry, "SubName").empty() &&
           IntOf(*entry, "SubType") != 0;
}

std::optional<TimeshiftField> AlarmSettingsEditor::NormaliseTimeshift(AlarmSettingsForm& shown)
{
    for (TimeshiftField field : {TimeshiftField::Minutes, TimeshiftField::Seconds}) {
        std::string& text =
            field == TimeshiftField::Minutes ? shown.timeshiftMin : shown.timeshiftSec;
        int32_t value = LeadingWholeNumber(text);
        text = std::to_string(value);
        if (value >= kLowestMinutesOrSeconds && value <= kHighestMinutesOrSeconds)
            continue;
        m_prompt.Show(FormatTr(TrNoop("Bitte geben Sie eine ganze Zahl zwischen %d und %d ein."),
                               kLowestMinutesOrSeconds, kHighestMinutesOrSeconds),
                      Tr("Fehler!"), PromptIcon::Warning, PromptButtons::Ok);
        text = "0";
        return field;
    }
    return std::nullopt;
}

std::optional<std::string> AlarmSettingsEditor::CheckTimeshiftChange(TimeshiftField field,
                                                                     std::string_view text)
{
    int32_t value = LeadingWholeNumber(text);
    if (value >= kLowestMinutesOrSeconds && value <= kHighestMinutesOrSeconds)
        return std::nullopt;
    m_prompt.Show(Tr("Bitte geben Sie eine ganze Zahl zwischen 0 und 59 ein."), Tr("Fehler!"),
                  PromptIcon::Warning, PromptButtons::Ok);
    ConfigLock lock(m_tree);
    const ConfigNode* entry = SelectedEntry();
    std::string_view key = field == TimeshiftField::Minutes ? "TimeshiftMin" : "TimeshiftSec";
    return std::to_string(entry == nullptr ? 0 : IntOf(*entry, key));
}

void AlarmSettingsEditor::WriteGrid()
{
    ConfigNode* list = Settings();
    if (m_gridShown && list != nullptr)
        m_grid.WriteBack(*list);
}

bool AlarmSettingsEditor::Select(int item, AlarmSettingsForm& shown)
{
    if (item == m_selected || item < 0 || item >= static_cast<int>(m_items.size()))
        return item == m_selected;
    ConfigLock lock(m_tree);
    if (m_selected >= 0) {
        m_refused = NormaliseTimeshift(shown);
        if (m_refused.has_value())
            return false;
        if (ConfigNode* entry = SelectedEntry())
            WriteAlarmSettingsForm(shown, *entry);
        HideGrid();
    }
    m_selected = item;
    RememberSelection();
    RefreshColors();
    return true;
}

StoreResult AlarmSettingsEditor::Store(StoreScope scope, AlarmSettingsForm& shown)
{
    m_refused = NormaliseTimeshift(shown);
    if (m_refused.has_value())
        return StoreResult::FieldRefused;
    ConfigLock lock(m_tree);
    if (m_selected < 0 || m_selected >= static_cast<int>(m_items.size()))
        return StoreResult::NoEntry;
    int32_t type = m_items[m_selected].type;

    std::vector<ConfigNode*> targets;
    if (scope == StoreScope::Entry) {
        ConfigNode* entry = SelectedEntry();
        if (entry == nullptr)
            return StoreResult::NoEntry;
        targets.push_back(entry);
    } else if (scope == StoreScope::AllRecorders) {
        if (m_prompt.Show(
                Tr("Sollen diese Einstellungen fuer alle momentan eingetragenen Rekorder verwendet "
                   "werden?"),
                Tr("Wardex"), PromptIcon::Question, PromptButtons::OkCancel) != PromptAnswer::Ok)
            return StoreResult::Cancelled;
        for (ConfigNode* recorder : RecordersAsEdited(m_tree, m_recorder, m_liveRecorder)) {
            ConfigNode* list = Find(*recorder, kRecorderAlarmSettings);
            ConfigNode* entry = list == nullptr ? nullptr : list->FindEntryByInt("Type", type);
            if (entry != nullptr)
                targets.push_back(entry);
        }
    } else {
        if (m_prompt.Show(
                Tr("Sollen diese Default-Einstellungen fuer alle neuen Rekorder verwendet werden?"),
                Tr("Wardex"), PromptIcon::Question, PromptButtons::OkCancel) != PromptAnswer::Ok)
            return StoreResult::Cancelled;
        ConfigNode* defaults = Find(m_tree, kDefaultAlarmSettings);
        ConfigNode* entry = defaults == nullptr ? nullptr : defaults->FindEntryByInt("Type", type);
        if (entry != nullptr)
            targets.push_back(entry);
    }
    for (ConfigNode* target : targets)
        WriteAlarmSettingsForm(shown, *target);
    WriteGrid();
    RememberSelection();
    RefreshColors();
    return StoreResult::Stored;
}

bool AlarmSettingsEditor::ShowGrid()
{
    ConfigLock lock(m_tree);
    ConfigNode* list = Settings();
    if (list == nullptr || !OffersSubAlarms(true))
        return false;
    m_grid.Load(*list, m_items[m_selected].type);
    m_gridShown = true;
    return true;
}

void AlarmSettingsEditor::HideGrid()
{
    ConfigLock lock(m_tree);
    WriteGrid();
    m_gridShown = false;
    m_grid.Clear();
}

bool AlarmSettingsEditor::ClickGrid(int row, int column)
{
    return m_gridShown && m_grid.Click(row, column);
}

StoreResult AlarmSettingsEditor::AddSubAlarm(AlarmSettingsForm& shown)
{
    if (!m_gridShown)
        return StoreResult::NoEntry;
    m_refused = NormaliseTimeshift(shown);
    if (m_refused.has_value())
        return StoreResult::FieldRefused;
    ConfigLock lock(m_tree);
    ConfigNode* list = Settings();
    ConfigNode* main = SelectedEntry();
    if (list == nullptr || main == nullptr)
        return StoreResult::NoEntry;
    int32_t type = m_items[m_selected].type;

    int highest = 0;
    for (int n = 1;; ++n) {
        const ConfigNode* entry = list->FindNthEntryByInt("Type", type, n);
        if (entry == nullptr)
            break;
        highest = std::max(highest, SubAlarmNumber(TextOf(*entry, "SubName")));
    }
    int32_t subId = 0;
    if (ConfigNode* next = EditorState(m_tree, "iNextIDForSubID")) {
        subId = next->GetInt();
        next->SetInt(subId + 1);
    }
    int32_t subType = IntOf(*main, "SubType");

    m_grid.WriteBack(*list);
    ConfigNode* entry = list->NewEntry(list->ChildCount());
    if (entry == nullptr)
        return StoreResult::NoEntry;
    SetInt(*entry, "Type", type);
    SetInt(*entry, "SubType", subType);
    SetInt(*entry, "SubID", subId);
    Set(*entry, kSettingSubName,
        AlarmTypeName(type, NameTranslation::German) + "_" + std::to_string(highest + 1));
    Set(*entry, kSettingSubDetail, 0);
    WriteAlarmSettingsForm(shown, *entry);

    m_grid.Load(*list, type);
    RebuildItems(type, 0);
    RememberSelection();
    return StoreResult::Stored;
}

bool AlarmSettingsEditor::DeleteSubAlarm(int row)
{
    if (!m_gridShown || row < 1 || row >= m_grid.RowCount())
        return false;
    ConfigLock lock(m_tree);
    ConfigNode* list = Settings();
    if (list == nullptr)
        return false;
    int32_t type = m_grid.Type();
    m_grid.MoveCamerasToMain(row);
    m_grid.WriteBack(*list);
    if (ConfigNode* entry = list->FindNthEntryByInt("Type", type, row))
        list->RemoveChild(entry);
    m_grid.Load(*list, type);
    RebuildItems(type, 0);
    RememberSelection();
    return true;
}
