// Shared pieces of the database tests: a configuration tree from the
// built-in script, records with recognisable fields, raw record files, and
// fakes for the keyboard, the busy display and file creation times.
#pragma once

#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "platform/BusyIndicator.h"
#include "platform/FileTimes.h"
#include "platform/ModifierKeys.h"
#include "testsupport/FakeClock.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A fresh tree as the start-up builds it from the built-in script.
std::unique_ptr<ConfigTree> MakeDefaultTree();
ConfigNode* Node(ConfigTree& tree, std::string_view path);
void SetInt(ConfigTree& tree, std::string_view path, int32_t value);
void SetInt64(ConfigTree& tree, std::string_view path, int64_t value);
int32_t GetInt(ConfigTree& tree, std::string_view path);
int64_t GetInt64(ConfigTree& tree, std::string_view path);

// A new alarm with the given arrival time and a few fields derived from it.
AlarmRecord MakeRecord(int64_t arrival, int32_t alarmType = 10005,
                       std::string_view recorder = "10.0.0.1", int32_t camera = 0);
// The bytes of records as the file holds them.
std::string EncodeRecords(const std::vector<AlarmRecord>& records);
// A file of `count` records with arrival times first, first + 1, ...
enum class Handled { No, Confirmed };
void WriteRecordFile(const std::string& path, int count, int64_t firstArrival = 1000,
                     Handled handled = Handled::No);
AlarmRecord Confirmed(AlarmRecord record);

class FakeModifierKeys final : public ModifierKeys {
public:
    bool ControlAndShiftHeld() override
    {
        ++asked;
        return held;
    }
    bool held = false;
    int asked = 0;
};

class FakeBusyIndicator final : public BusyIndicator {
public:
    void SetBusy(bool on) override
    {
        busy = on;
        if (on)
            ++busyCount;
    }
    void ShowProgress(int64_t done, int64_t total) override
    {
        lastDone = done;
        lastTotal = total;
    }
    bool busy = false;
    int busyCount = 0;
    int64_t lastDone = -1;
    int64_t lastTotal = -1;
};

class FakeFileTimes final : public FileTimes {
public:
    std::optional<int64_t> CreationTime(const std::filesystem::path& path) override
    {
        auto it = times.find(path.filename().string());
        if (it == times.end())
            return std::nullopt;
        return it->second;
    }
    std::map<std::string, int64_t> times;
};

// A database over a temporary folder, with the fakes wired in.
struct DbFixture {
    explicit DbFixture(const std::filesystem::path& folder);
    std::string DbPath() const { return (folder / "AlarmDB.txt").string(); }
    std::string CachePath() const { return (folder / "db.cache").string(); }
    bool Open() { return database->Open(DbPath()); }

    std::filesystem::path folder;
    std::unique_ptr<ConfigTree> tree;
    FakeModifierKeys keys;
    FakeBusyIndicator busy;
    std::unique_ptr<AlarmDatabase> database;
};

// Every record of the database in file order.
std::vector<AlarmRecord> ReadAll(AlarmDatabase& database);
std::vector<int> ViewOf(const AlarmDatabase& database);
