// Fuzzes the alarm database's reading of its files: any bytes as
// "AlarmDB.txt" (and, when the input says so, as the redo journal beside
// it) must open, and then every record must read, sort by every code and
// pass through a filter, with the file and the view consistent throughout.
//
// Input: a byte J, a byte of flags (sort direction, filter link and mode),
// then J * 8 bytes of journal, then the database file.
#include "FuzzScratch.h"
#include "config/Clock.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/FilterMatcher.h"
#include "filters/SettingsSortKeys.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class NoPrompt final : public Prompt {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
};

// A settings entry for even alarm types, none for odd ones.
class EvenTypeSettings final : public AlarmSettingsSource {
public:
    EvenTypeSettings() : m_entry(NodeKind::Folder, "entry")
    {
        auto title = std::make_unique<ConfigNode>(NodeKind::String, "Title");
        title->SetString("Alarm!");
        auto priority = std::make_unique<ConfigNode>(NodeKind::Integer, "Priority");
        priority->SetInt(2);
        m_entry.AddChild(std::move(title));
        m_entry.AddChild(std::move(priority));
    }
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t, std::string_view) override
    {
        return alarmType % 2 == 0 ? &m_entry : nullptr;
    }

private:
    ConfigNode m_entry;
};

ConfigTree& Tree()
{
    static ConfigTree* tree = [] {
        auto* built = new ConfigTree;
        NoPrompt prompt;
        Check(built->LoadDefaults(DefaultScript(), prompt), "default script");
        ConfigNode* list = built->Root()->Child("Program")->Child("RecorderList");
        ConfigNode* entry = list->NewEntry(0);
        entry->Child("IP")->SetString("10.0.0.1");
        entry->Child("Name")->SetString("Tor");
        return built;
    }();
    return *tree;
}

fs::path MakeFolder()
{
    std::string pattern = (FuzzScratch() / "alarm-db-XXXXXX").string();
    Check(mkdtemp(pattern.data()) != nullptr, "temporary folder");
    return pattern;
}

void WriteFile(const fs::path& path, const uint8_t* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

int64_t FileSize(const std::string& path)
{
    std::error_code error;
    auto size = fs::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

void CheckView(AlarmDatabase& database)
{
    std::vector<int> view;
    for (int i = 0; i < database.ViewCount(); ++i)
        view.push_back(database.ViewRecord(i));
    std::sort(view.begin(), view.end());
    Check(std::adjacent_find(view.begin(), view.end()) == view.end(), "view without repeats");
    Check(view.empty() || (view.front() >= 0 && view.back() < database.RecordCount()),
          "view within the records");
    if (!database.IsFilterActive())
        Check(static_cast<int>(view.size()) == database.RecordCount(), "view shows every record");
}

void Exercise(const fs::path& folder, uint8_t flags)
{
    ConfigTree& tree = Tree();
    std::string path = (folder / "AlarmDB.txt").string();
    AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
    if (!database.Open(path))
        return;
    int count = database.RecordCount();
    Check(FileSize(path) == int64_t{count} * int64_t{AlarmRecord::kRecordBytes}, "whole records");

    AlarmRecord record;
    for (int i = 0; i < count; ++i) {
        Check(database.Read(i, record), "every record reads");
        std::string bytes(AlarmRecord::kRecordBytes, '\0');
        record.Encode(bytes.data());
        Check(bytes.find('\n') == AlarmRecord::kRecordBytes - 1, "one line end per record");
    }
    CheckView(database);

    EvenTypeSettings settings;
    SettingsSortKeys keys(tree, settings);
    database.SetSortKeySource(&keys);
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 101, 102, 0}) {
        SortDirection direction =
            (flags & 1) != 0 ? SortDirection::Descending : SortDirection::Ascending;
        Check(database.SortView(code, direction), "every code sorts");
        CheckView(database);
    }

    AlarmFilter filter;
    filter.activeParts =
        AlarmFilter::kTimePart | AlarmFilter::kRecorderPart | AlarmFilter::kTypePart;
    filter.link = (flags & 2) != 0 ? AlarmFilter::kLinkOr : AlarmFilter::kLinkAnd;
    filter.onlyUnconfirmed = (flags & 4) != 0;
    filter.mode = (flags & 8) != 0 ? AlarmFilter::kModeLastDays : AlarmFilter::kModeRange;
    filter.lastDays = 3;
    filter.rangeEnd = Timestamp::FromMs(int64_t{1} << 60);
    filter.recorders = {{"Tor", (flags & 16) != 0 ? 0 : 0x0F}, {"", -1}};
    filter.alarmTypes = {10005, 10016, 0};
    Clock clock(SystemClockSource());
    FilterMatcher matcher(tree, clock);
    matcher.SetFilter(filter);
    database.SetViewFilter(&matcher);
    database.SetFilterActive();
    CheckView(database);

    if (count > 0) {
        Check(database.Read(count - 1, record), "last record reads");
        int found = database.FindByArrival(record.Field(AlarmField::TimeArrival), count - 1);
        Check(found >= 0 && found < count, "a stored key is found");
        record.SetField(AlarmField::ConfirmUser, "fuzz\r\n");
        Check(database.Update(0, record), "update");
        std::vector<int> drop{count - 1};
        Check(database.DeleteRecords(drop), "delete");
        CheckView(database);
    }
    Check(database.Append(AlarmRecord::NewAlarm()), "append");
    CheckView(database);
    database.AwaitingGroups();
    database.UnconfirmedRecords();
    database.SetViewFilter(nullptr);
    database.Close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t journalBytes = size > 0 ? size_t{data[0]} * 8 : 0;
    uint8_t flags = size > 1 ? data[1] : 0;
    size_t header = std::min<size_t>(size, 2);
    journalBytes = std::min(journalBytes, size - header);
    // No count cache: every open counts.
    Tree()
        .Root()
        ->Child("Runtime")
        ->Child("FFTMNumRecords")
        ->Child("iDoNotWriteDBCache")
        ->SetInt(1);

    fs::path folder = MakeFolder();
    if (journalBytes > 0)
        WriteFile(folder / "AlarmDB.journal", data + header, journalBytes);
    WriteFile(folder / "AlarmDB.txt", data + header + journalBytes, size - header - journalBytes);
    Exercise(folder, flags);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
