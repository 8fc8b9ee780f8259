#include "station/RecorderListPage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "events/RecorderState.h"
#include "events/TextFormat.h"
#include "filters/FilterStore.h"
#include "links/SharedRecorderList.h"
#include "platform/Prompt.h"
#include "station/RecorderQueries.h"
#include "station/SubtreeSnapshot.h"

namespace {

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

void SetText(ConfigNode& entry, std::string_view key, std::string_view value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetString(value);
}

void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

ConfigNode* WidthFolder(ConfigTree& tree)
{
    ConfigNode* node = tree.TopFolder("Runtime");
    for (std::string_view name : {"GUI", "PropPageRecorder", "ColumnWidths"})
        node = node == nullptr ? nullptr : node->Child(name);
    return node;
}

void ShowCopyError(Prompt& prompt)
{
    prompt.Show(Tr("Fehler beim Kopieren der Einstellungen!"), Tr("Wardex"), PromptIcon::Error,
                PromptButtons::Ok);
}

constexpr std::string_view kHybridMark = "$$";

} // namespace

std::unique_ptr<ConfigNode> NewRecorderEntry(ConfigTree& tree)
{
    ConfigNode* list = RecorderListFolder(tree);
    ConfigNode* defaults = Find(tree, kDefaultAlarmSettings);
    if (list == nullptr || list->Template() == nullptr)
        return nullptr;
    auto entry =
        std::make_unique<ConfigNode>(NodeKind::Folder, list->FreeEntryName(list->ChildCount()));
    list->Template()->CopyChildrenInto(*entry);
    ConfigNode* settings = Find(*entry, kRecorderAlarmSettings);
    if (settings != nullptr && defaults != nullptr)
        SubtreeSnapshot(*defaults).LayOnto(*settings);
    return entry;
}

ConfigNode* AppendRecorder(ConfigTree& tree)
{
    std::unique_ptr<ConfigNode> entry = NewRecorderEntry(tree);
    if (entry == nullptr)
        return nullptr;
    ConfigNode* added = entry.get();
    RecorderListFolder(tree)->AddChild(std::move(entry));
    return added;
}

RecorderListPage::RecorderListPage(ConfigTree& tree, Prompt& prompt, std::string sharedPrefix)
    : m_tree(tree), m_prompt(prompt), m_sharedPrefix(std::move(sharedPrefix))
{
}

const std::array<RecorderColumn, RecorderListPage::kColumnCount>& RecorderListPage::Columns()
{
    static const std::array<RecorderColumn, kColumnCount> columns = {{
        {TrNoop("Name"), "ColHeadName", 100},
        {TrNoop("IP-Adresse"), "ColHeadIP", 100},
        {TrNoop("Verbindungstyp"), "ColHeadConnectionType", 0},
        {TrNoop("Meldezeit"), "ColHeadReportingTime", 180},
    }};
    return columns;
}

int RecorderListPage::RowCount() const
{
    ConfigLock lock(m_tree);
    ConfigNode* list = RecorderListFolder(m_tree);
    return list == nullptr ? 0 : list->ChildCount();
}

ConfigNode* RecorderListPage::EntryAt(int row) const
{
    ConfigNode* list = RecorderListFolder(m_tree);
    if (list == nullptr || row < 0 || row >= list->ChildCount())
        return nullptr;
    return list->ChildAt(row);
}

int RecorderListPage::RowOf(const ConfigNode* entry) const
{
    ConfigLock lock(m_tree);
    ConfigNode* list = RecorderListFolder(m_tree);
    for (int row = 0; list != nullptr && entry != nullptr && row < list->ChildCount(); ++row) {
        if (list->ChildAt(row) == entry)
            return row;
    }
    return -1;
}

std::string RecorderListPage::Cell(int row, int column) const
{
    ConfigLock lock(m_tree);
    const ConfigNode* entry = EntryAt(row);
    if (entry == nullptr)
        return {};
    switch (column) {
    case 0:
        return TextOf(*entry, "Name");
    case 1:
        return Get(*entry, kRecorderIp);
    case 2: {
        // Recorders are told apart by name or address together with this.
        return Get(*entry, kRecorderHybrid) == 1 ? Tr("Hybridrekorder") : Tr("Standard");
    }
    case 3: {
        return SupervisionClassText(Get(*entry, kReportingTime));
    }
    default:
        return {};
    }
}

SignalIcon RecorderListPage::IconAt(int row) const
{
    ConfigLock lock(m_tree);
    const ConfigNode* entry = EntryAt(row);
    const ConfigNode* state = entry == nullptr ? nullptr : Find(*entry, kSignalState);
    if (state == nullptr)
        return SignalIcon::None;
    switch (state->GetInt()) {
    case 1:
        return SignalIcon::Present;
    case -1:
        return SignalIcon::Missing;
    default:
        return SignalIcon::None;
    }
}

std::array<int, RecorderListPage::kColumnCount> RecorderListPage::ColumnWidths() const
{
    ConfigLock lock(m_tree);
    const ConfigNode* folder = WidthFolder(m_tree);
    std::array<int, kColumnCount> widths{};
    for (int i = 0; i < kColumnCount; ++i) {
        const ConfigNode* node = folder == nullptr ? nullptr : folder->Child(Columns()[i].widthKey);
        widths[i] = node == nullptr ? Columns()[i].defaultWidth : node->GetInt();
    }
    return widths;
}

void RecorderListPage::StoreColumnWidths(const std::array<int, kColumnCount>& widths)
{
    ConfigLock lock(m_tree);
    ConfigNode* folder = WidthFolder(m_tree);
    for (int i = 0; folder != nullptr && i < kColumnCount; ++i)
        SetInt(*folder, Columns()[i].widthKey, widths[i]);
}

bool RecorderListPage::DeleteRecorder(int row)
{
    std::string name;
    {
        ConfigLock lock(m_tree);
        ConfigNode* entry = EntryAt(row);
        if (entry == nullptr)
            return false;
        name = TextOf(*entry, "Name");
        RecorderListFolder(m_tree)->RemoveChild(entry);
    }
    RemoveRecorderFromFilters(m_tree, name);
    return true;
}

int RecorderListPage::ImportFromLiveView()
{
    SharedRecorderList shared(m_sharedPrefix);
    if (!shared.Read()) {
        m_prompt.Show(Tr("Konnte Verbindung zu Kavex nicht herstellen. Kavex Aktiv?"), Tr("Wardex"),
                      PromptIcon::Warning, PromptButtons::Ok);
        return -1;
    }
    int imported = 0;
    {
        ConfigLock lock(m_tree);
        for (const SharedRecorder& recorder : shared.Recorders()) {
            std::string name = recorder.name;
            int32_t hybrid = 0;
            if (size_t mark = name.find(kHybridMark); mark != std::string::npos) {
                name.resize(mark);
                hybrid = 1;
            }
            // A hybrid recorder is known by its cut name and Hybrid 1, so a
            // second import does not add it again.
            if (HasRecorderNamed(m_tree, name, hybrid) ||
                HasRecorderAt(m_tree, recorder.address, hybrid))
                continue;
            ConfigNode* entry = AppendRecorder(m_tree);
            if (entry == nullptr)
                break;
            SetInt(*entry, "Hybrid", hybrid);
            SetText(*entry, "IP", recorder.address);
            SetText(*entry, "Name", name);
            SetText(*entry, "Password", "");
            ++imported;
        }
    }
    // The noun counts the recorders offered (German keeps its one form).
    auto offered = static_cast<int64_t>(shared.Count());
    m_prompt.Show(
        FormatTrCount(TrNoop("%d/%d Rekordern aus Kavex uebernommen."), offered, imported, offered),
        Tr("Wardex"), PromptIcon::Information, PromptButtons::Ok);
    return imported;
}

bool RecorderListPage::CopySettingsToAll(int row)
{
    std::string question =
        Tr("Die Einstellungen des ausgewaehlten Rekorders auf alle anderen uebertragen?") + "\n" +
        Tr("Diese Aktion wird sofort ausgefuehrt und kann nicht rueckgaengig gemacht werden!");
    if (m_prompt.Show(question, Tr("Wardex"), PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return false;
    {
        ConfigLock lock(m_tree);
        ConfigNode* source = EntryAt(row);
        ConfigNode* settings = source == nullptr ? nullptr : Find(*source, kRecorderAlarmSettings);
        if (settings == nullptr) {
            ShowCopyError(m_prompt);
            return false;
        }
        SubtreeSnapshot copy(*settings);
        if (copy.IsEmpty()) {
            ShowCopyError(m_prompt);
            return false;
        }
        ConfigNode* list = RecorderListFolder(m_tree);
        for (int i = 0; i < list->ChildCount(); ++i) {
            ConfigNode* target = Find(*list->ChildAt(i), kRecorderAlarmSettings);
            if (i == row || target == nullptr)
                continue;
            SubtreeSnapshot before(*target);
            if (!copy.LayOnto(*target)) {
                before.LayOnto(*target);
                ShowCopyError(m_prompt);
                return false;
            }
        }
    }
    m_prompt.Show(Tr("Einstellungen erfolgreich kopiert."), Tr("Wardex"), PromptIcon::Information,
                  PromptButtons::Ok);
    return true;
}
