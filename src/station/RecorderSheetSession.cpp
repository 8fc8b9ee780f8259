#include "station/RecorderSheetSession.h"

#include "station/RecorderListPage.h"
#include "station/RecorderQueries.h"

#include <string_view>
#include <utility>
#include <vector>

namespace {

// Written by the supervision whenever a test message arrives, also while
// the sheet is open: undoing the operator's edits must not undo these, or a
// recorder that reported meanwhile could be taken for silent.
constexpr std::string_view kSupervisionKeys[] = {"iLastSignal", "iMissedSignal", "iNextSignal",
                                                 "iSignalState"};

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

int64_t Int64Of(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? 0 : node->GetInt64();
}

} // namespace

RecorderSheetSession::RecorderSheetSession(ConfigTree& tree, SheetMode mode, int row)
    : m_tree(tree), m_lock(tree), m_mode(mode)
{
    if (mode == SheetMode::New) {
        m_entry = AppendRecorder(tree);
        return;
    }
    ConfigNode* list = RecorderListFolder(tree);
    if (list == nullptr || row < 0 || row >= list->ChildCount())
        return;
    m_entry = list->ChildAt(row);
    m_snapshot.emplace(*m_entry);
    const ConfigNode* hybrid = m_entry->Child("Hybrid");
    const ConfigNode* reporting = m_entry->Child("iReportingTime");
    m_original = {TextOf(*m_entry, "IP"),
                  TextOf(*m_entry, "Name"),
                  hybrid == nullptr ? 0 : hybrid->GetInt(),
                  reporting == nullptr ? 0 : reporting->GetInt(),
                  Int64Of(*m_entry, "iMaintenanceFrom"),
                  Int64Of(*m_entry, "iMaintenanceUntil")};
}

RecorderSheetSession::~RecorderSheetSession()
{
    if (m_open)
        Cancel();
}

void RecorderSheetSession::Commit(const RecorderAddress& address)
{
    m_open = false;
    if (m_entry == nullptr)
        return;
    if (ConfigNode* node = m_entry->Child("IP"))
        node->SetString(address.ip);
    if (ConfigNode* node = m_entry->Child("Name"))
        node->SetString(address.name);
    if (ConfigNode* node = m_entry->Child("Hybrid"))
        node->SetInt(address.hybrid);
    if (ConfigNode* node = m_entry->Child("iReportingTime"))
        node->SetInt(address.reportingSeconds);
    if (ConfigNode* node = m_entry->Child("iMaintenanceFrom"))
        node->SetInt64(address.maintenanceFrom);
    if (ConfigNode* node = m_entry->Child("iMaintenanceUntil"))
        node->SetInt64(address.maintenanceUntil);
}

void RecorderSheetSession::Cancel()
{
    m_open = false;
    if (m_entry == nullptr)
        return;
    if (m_mode == SheetMode::Edit) {
        auto isNumber = [](const ConfigNode* node) {
            return node != nullptr &&
                   (node->Kind() == NodeKind::Int64 || node->Kind() == NodeKind::Integer);
        };
        std::vector<std::pair<std::string_view, int64_t>> current;
        for (std::string_view key : kSupervisionKeys) {
            const ConfigNode* node = m_entry->Child(key);
            if (isNumber(node))
                current.emplace_back(key, node->Kind() == NodeKind::Int64 ? node->GetInt64()
                                                                          : node->GetInt());
        }
        m_snapshot->LayOnto(*m_entry);
        for (const auto& [key, value] : current) {
            ConfigNode* node = m_entry->Child(key);
            if (!isNumber(node))
                continue;
            if (node->Kind() == NodeKind::Int64)
                node->SetInt64(value);
            else
                node->SetInt(static_cast<int32_t>(value));
        }
        return;
    }
    if (ConfigNode* settings = m_entry->Child("AlarmSettings"))
        settings->RemoveAllChildren();
    if (ConfigNode* list = RecorderListFolder(m_tree))
        list->RemoveChild(m_entry);
    m_entry = nullptr;
}
