#include "station/RecorderSheetSession.h"

#include "config/ChildValues.h"
#include "config/SettingsCopy.h"
#include "station/RecorderListPage.h"
#include "station/RecorderQueries.h"

#include <string_view>
#include <utility>

namespace {

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

} // namespace

RecorderSheetSession::RecorderSheetSession(ConfigTree& tree, SheetMode mode, int row)
    : m_tree(tree), m_lock(tree), m_mode(mode)
{
    if (mode == SheetMode::New) {
        m_copy = NewRecorderEntry(tree);
        m_entry = m_copy.get();
        return;
    }
    ConfigNode* list = RecorderListFolder(tree);
    if (list == nullptr || row < 0 || row >= list->ChildCount())
        return;
    m_live = list->ChildAt(row);
    m_base = CloneNode(*m_live);
    m_copy = CloneNode(*m_live);
    m_entry = m_copy.get();
    const ConfigNode* hybrid = m_live->Child("Hybrid");
    const ConfigNode* reporting = m_live->Child("iReportingTime");
    m_original = {TextOf(*m_live, "IP"),
                  TextOf(*m_live, "Name"),
                  hybrid == nullptr ? 0 : hybrid->GetInt(),
                  reporting == nullptr ? 0 : reporting->GetInt(),
                  Int64Of(*m_live, "iMaintenanceFrom"),
                  Int64Of(*m_live, "iMaintenanceUntil")};
}

RecorderSheetSession::~RecorderSheetSession()
{
    if (m_open)
        Cancel();
}

void RecorderSheetSession::Commit(const RecorderAddress& address)
{
    m_open = false;
    if (m_copy == nullptr)
        return;
    if (ConfigNode* node = m_copy->Child("IP"))
        node->SetString(address.ip);
    if (ConfigNode* node = m_copy->Child("Name"))
        node->SetString(address.name);
    if (ConfigNode* node = m_copy->Child("Hybrid"))
        node->SetInt(address.hybrid);
    if (ConfigNode* node = m_copy->Child("iReportingTime"))
        node->SetInt(address.reportingSeconds);
    if (ConfigNode* node = m_copy->Child("iMaintenanceFrom"))
        node->SetInt64(address.maintenanceFrom);
    if (ConfigNode* node = m_copy->Child("iMaintenanceUntil"))
        node->SetInt64(address.maintenanceUntil);
    if (m_live != nullptr) {
        ApplyEdits(*m_live, *m_base, *m_copy);
        m_entry = m_live;
        return;
    }
    ConfigNode* list = RecorderListFolder(m_tree);
    if (list == nullptr)
        return;
    // Another entry may have taken the name the copy was made under.
    m_copy->SetName(list->FreeEntryName(list->ChildCount()));
    m_live = m_copy.get();
    m_entry = m_live;
    list->AddChild(std::move(m_copy));
}

void RecorderSheetSession::Cancel()
{
    m_open = false;
}
