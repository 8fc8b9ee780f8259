#include "station/RecorderSheetSession.h"

#include "config/ConfigKeys.h"
#include "config/SettingsCopy.h"
#include "station/RecorderListPage.h"
#include "station/RecorderQueries.h"

#include <string_view>
#include <utility>

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
    m_original = {Get(*m_live, kRecorderIp),      Get(*m_live, kRecorderName),
                  Get(*m_live, kRecorderHybrid),  Get(*m_live, kReportingTime),
                  Get(*m_live, kMaintenanceFrom), Get(*m_live, kMaintenanceUntil)};
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
    Set(*m_copy, kRecorderIp, address.ip);
    Set(*m_copy, kRecorderName, address.name);
    Set(*m_copy, kRecorderHybrid, address.hybrid);
    Set(*m_copy, kReportingTime, address.reportingSeconds);
    Set(*m_copy, kMaintenanceFrom, address.maintenanceFrom);
    Set(*m_copy, kMaintenanceUntil, address.maintenanceUntil);
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
