// The alarm database with 1 000 000 records: opening with and without the
// count cache, appending at 1 000 and at 1 000 000 records, sorting the view
// by every code, applying a filter, finding by arrival time; and SQLite in
// the same run doing the same sorts and the same filter on the same rows,
// held in memory and without an index.
#include "BenchSupport.h"
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
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

namespace fs = std::filesystem;

constexpr int kLarge = 1'000'000;
constexpr int kSmall = 1'000;
constexpr int kRecorders = 50;
constexpr int64_t kFirstArrival = 13'300'000'000'000;
const int32_t kTypes[] = {10000, 10001, 10002, 10003, 10004, 10005, 10006, 10011, 10012, 10013,
                          10014, 10920, 10015, 10016, 10900, 10017, 10018, 10019, 10020, 10021,
                          10022, 10950, 10023, 10024, 10025, 10026, 10028, 10960, 10980, 10029,
                          10030, 10040, 10042, 10990, 10991, 11001, 11011, 11012, 10039};

std::string RecorderAddress(int i)
{
    return "10.20." + std::to_string(i / 10) + "." + std::to_string(100 + i);
}

// Alarms as a station sees them: mostly test messages and camera contacts,
// nearly all confirmed automatically, some by an operator with a comment.
AlarmRecord RealisticRecord(std::mt19937& random, int64_t arrival)
{
    static const char* const kInfos[] = {"Spur-Info: Standard, Cam-Info: 3",
                                         "Kameras: 1, 3, 7",
                                         "Fehler: Interner Protokollfehler!",
                                         "Spuren: Standard, Spur: 12, Kamera: 2",
                                         "",
                                         "Temperatur Gehaeuse 41 Grad, Luefter 2 ausgefallen",
                                         "Player beendet; Bild nicht gefunden"};
    static const char* const kUsers[] = {"Administrator", "Meier", "schulz", "Operator 2"};
    static const char* const kComments[] = {
        "", "", "", "Fehlalarm", "Techniker informiert", "Polizei verständigt"};
    AlarmRecord record = AlarmRecord::NewAlarm();
    int32_t type = kTypes[random() % std::size(kTypes)];
    record.SetNumber(AlarmField::TimeArrival, arrival);
    record.SetNumber(AlarmField::TimeDeparture, arrival - static_cast<int64_t>(random() % 5000));
    record.SetField(AlarmField::Recorder, RecorderAddress(static_cast<int>(random() % kRecorders)));
    record.SetNumber(AlarmField::CameraID, static_cast<int>(random() % 25) - 1);
    record.SetNumber(AlarmField::TrackID, static_cast<int>(random() % 6) - 1);
    record.SetNumber(AlarmField::AlarmType, type);
    record.SetField(AlarmField::AddInfo, kInfos[random() % std::size(kInfos)]);
    unsigned state = random() % 10;
    if (state < 7) {
        record.SetField(AlarmField::Confirmed, "1");
        record.SetField(AlarmField::AutoConfirmed, "1");
        record.SetField(AlarmField::ConfirmUser, kUsers[random() % std::size(kUsers)]);
    } else if (state < 9) {
        record.SetField(AlarmField::Confirmed, "1");
        record.SetField(AlarmField::ConfirmState, "2");
        record.SetField(AlarmField::ConfirmUser, kUsers[random() % std::size(kUsers)]);
        record.SetField(AlarmField::ConfirmComment, kComments[random() % std::size(kComments)]);
        record.SetNumber(AlarmField::ActionTime,
                         arrival + static_cast<int64_t>(random() % 600'000));
    } else {
        record.SetNumber(AlarmField::ConfirmState, random() % 2);
    }
    return record;
}

struct Priority {
    std::string title;
    int32_t priority;
};

// Settings per type, as the built-in defaults give them.
std::map<int32_t, Priority> TypeSettings()
{
    std::map<int32_t, Priority> settings;
    int i = 0;
    for (int32_t type : kTypes) {
        settings[type] = {"Alarm " + std::to_string(type % 97), i % 6};
        ++i;
    }
    return settings;
}

class TypeSettingsSource final : public AlarmSettingsSource {
public:
    TypeSettingsSource()
    {
        for (const auto& [type, entry] : TypeSettings()) {
            auto node = std::make_unique<ConfigNode>(NodeKind::Folder, "entry");
            auto title = std::make_unique<ConfigNode>(NodeKind::String, "Title");
            title->SetString(entry.title);
            auto priority = std::make_unique<ConfigNode>(NodeKind::Integer, "Priority");
            priority->SetInt(entry.priority);
            node->AddChild(std::move(title));
            node->AddChild(std::move(priority));
            m_entries[type] = std::move(node);
        }
    }
    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t, std::string_view) override
    {
        auto it = m_entries.find(alarmType);
        return it == m_entries.end() ? nullptr : it->second.get();
    }

private:
    std::map<int32_t, std::unique_ptr<ConfigNode>> m_entries;
};

// The 1 000 000 records, the same rows in SQLite, and a station tree with
// the recorders, built once for the whole run.
class World {
public:
    static World& Get()
    {
        static World world;
        return world;
    }

    World()
    {
        NoPrompt prompt;
        if (!tree.LoadDefaults(DefaultScript(), prompt))
            std::abort();
        ConfigNode* list = tree.Root()->Child("Program")->Child("RecorderList");
        for (int i = 0; i < kRecorders; ++i) {
            ConfigNode* entry = list->NewEntry(0);
            entry->Child("IP")->SetString(RecorderAddress(i));
            entry->Child("Name")->SetString("Rekorder " + std::to_string(i));
        }
        std::mt19937 random(1);
        records.reserve(kLarge);
        for (int i = 0; i < kLarge; ++i)
            records.push_back(RealisticRecord(random, kFirstArrival + i * 997));
        WriteFile(LargePath(), kLarge);
        BuildSqlite();
    }
    ~World() { sqlite3_close(sqlite); }

    std::string LargePath() const { return (folder / "large" / "AlarmDB.txt").string(); }
    fs::path Folder(const char* name) const { return folder / name; }

    // A database of its own over the first `count` records, in Folder(name).
    std::unique_ptr<AlarmDatabase> OpenScratch(const char* name, int count)
    {
        std::string path = (Folder(name) / "AlarmDB.txt").string();
        WriteFile(path, count);
        auto database = std::make_unique<AlarmDatabase>(tree, Folder(name), NoModifierKeys(),
                                                        NoBusyIndicator());
        if (!database->Open(path))
            std::abort();
        return database;
    }

    void WriteFile(const std::string& path, int count)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        char bytes[AlarmRecord::kRecordBytes];
        for (int i = 0; i < count; ++i) {
            records[static_cast<size_t>(i)].Encode(bytes);
            out.write(bytes, sizeof bytes);
        }
    }

    void Exec(const char* sql)
    {
        char* error = nullptr;
        if (sqlite3_exec(sqlite, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "sqlite: %s\n%s\n", error, sql);
            std::abort();
        }
    }

    void BuildSqlite()
    {
        sqlite3_open(":memory:", &sqlite);
        Exec("PRAGMA temp_store = MEMORY");
        Exec("PRAGMA cache_size = -2000000");
        Exec("CREATE TABLE alarms (TimeArrival INTEGER, TimeDeparture INTEGER, Recorder TEXT, "
             "CameraID INTEGER, TrackID INTEGER, AlarmType INTEGER, AddInfo TEXT, "
             "Confirmed INTEGER, ConfirmUser TEXT, ConfirmComment TEXT, ConfirmState INTEGER, "
             "ActionTime INTEGER, AutoConfirmed INTEGER)");
        Exec("CREATE TABLE settings (Type INTEGER PRIMARY KEY, Title TEXT, Priority INTEGER)");
        Exec("CREATE TABLE recorders (IP TEXT PRIMARY KEY, Name TEXT)");
        Exec("BEGIN");
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(sqlite, "INSERT INTO alarms VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1,
                           &insert, nullptr);
        for (const AlarmRecord& record : records) {
            for (int f = 0; f < AlarmRecord::kFieldCount; ++f) {
                AlarmField field = static_cast<AlarmField>(f);
                bool text = field == AlarmField::Recorder || field == AlarmField::AddInfo ||
                            field == AlarmField::ConfirmUser || field == AlarmField::ConfirmComment;
                if (text) {
                    std::string_view value = record.Field(field);
                    sqlite3_bind_text(insert, f + 1, value.data(), static_cast<int>(value.size()),
                                      SQLITE_TRANSIENT);
                } else {
                    sqlite3_bind_int64(insert, f + 1, record.Number(field));
                }
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        for (const auto& [type, entry] : TypeSettings()) {
            std::string sql = "INSERT INTO settings VALUES (" + std::to_string(type) + ",'" +
                              entry.title + "'," + std::to_string(entry.priority) + ")";
            Exec(sql.c_str());
        }
        for (int i = 0; i < kRecorders; ++i) {
            std::string sql = "INSERT INTO recorders VALUES ('" + RecorderAddress(i) +
                              "','Rekorder " + std::to_string(i) + "')";
            Exec(sql.c_str());
        }
        Exec("COMMIT");
    }

    // The rows' ids in the query's order, as the view holds record numbers.
    std::vector<int> Query(const std::string& sql)
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(sqlite, sql.c_str(), -1, &statement, nullptr);
        std::vector<int> rows;
        rows.reserve(kLarge);
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.push_back(sqlite3_column_int(statement, 0) - 1);
        sqlite3_finalize(statement);
        return rows;
    }

    ScratchFolder scratch{"db-bench"};
    fs::path folder = scratch.Path();
    ConfigTree tree;
    std::vector<AlarmRecord> records;
    sqlite3* sqlite = nullptr;
};

std::unique_ptr<AlarmDatabase> OpenLarge()
{
    World& world = World::Get();
    auto database = std::make_unique<AlarmDatabase>(world.tree, world.Folder("large"),
                                                    NoModifierKeys(), NoBusyIndicator());
    if (!database->Open(world.LargePath()))
        std::abort();
    return database;
}

void SetCacheFlag(int32_t value)
{
    World::Get()
        .tree.Root()
        ->Child("Runtime")
        ->Child("FFTMNumRecords")
        ->Child("iDoNotWriteDBCache")
        ->SetInt(value);
}

// --- opening --------------------------------------------------------------------

// Arg: 1 with a valid "db.cache", 0 without one.
void BM_Open(benchmark::State& state)
{
    World& world = World::Get();
    const bool withCache = state.range(0) == 1;
    for (auto _ : state) {
        state.PauseTiming();
        if (withCache)
            std::ofstream(world.Folder("large") / "db.cache") << kLarge;
        else
            fs::remove(world.Folder("large") / "db.cache");
        AlarmDatabase database(world.tree, world.Folder("large"), NoModifierKeys(),
                               NoBusyIndicator());
        state.ResumeTiming();
        if (!database.Open(world.LargePath()) || database.RecordCount() != kLarge)
            state.SkipWithError("open failed");
        state.PauseTiming();
        SetCacheFlag(1);
        database.Close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open)->ArgName("cache")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// One slice of the awaiting index as the station builds it after a start,
// a slice per round: what one round spends on it.
void BM_IndexSlice(benchmark::State& state)
{
    World& world = World::Get();
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    database->BuildIndexInSlices([](bool, bool) {});
    for (auto _ : state) {
        if (database->BuildIndexSlice(static_cast<int>(state.range(0)))) {
            state.PauseTiming();
            SetCacheFlag(1);
            database->Close();
            database = OpenLarge();
            database->BuildIndexInSlices([](bool, bool) {});
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    SetCacheFlag(1);
    database->Close();
    (void)world;
}
BENCHMARK(BM_IndexSlice)->Arg(16'384)->Unit(benchmark::kMillisecond);

// --- appending ------------------------------------------------------------------------

// Arg 0: records at the start; arg 1: view order (0 arrival ascending,
// 1 arrival descending, 5 alarm type ascending).
void BM_Append(benchmark::State& state)
{
    World& world = World::Get();
    int initial = static_cast<int>(state.range(0));
    int code = static_cast<int>(state.range(1));
    std::unique_ptr<AlarmDatabase> database = world.OpenScratch("append", initial);
    database->SortView(code == 0   ? 0
                       : code == 1 ? 0
                                   : code,
                       code == 1 ? SortDirection::Descending : SortDirection::Ascending);
    std::mt19937 random(2);
    std::vector<AlarmRecord> batch;
    for (int i = 0; i < 1024; ++i)
        batch.push_back(RealisticRecord(random, 0));
    int64_t arrival = kFirstArrival + int64_t{kLarge} * 1000;
    size_t next = 0;
    for (auto _ : state) {
        AlarmRecord& record = batch[next++ % batch.size()];
        record.SetNumber(AlarmField::TimeArrival, arrival++);
        if (!database->Append(record))
            state.SkipWithError("append failed");
    }
    state.SetItemsProcessed(state.iterations());
    SetCacheFlag(1);
    database->Close();
    fs::remove_all(world.Folder("append"));
}
BENCHMARK(BM_Append)
    ->Args({kSmall, 0})
    ->Args({kLarge, 0})
    ->Args({kSmall, 1})
    ->Args({kLarge, 1})
    ->Args({kSmall, 5})
    ->Args({kLarge, 5})
    ->Unit(benchmark::kMicrosecond);

// --- updating in place ---------------------------------------------------------------

// One field of one record after another, as confirming alarms does; the
// journal entry is part of every update.
void BM_Update(benchmark::State& state)
{
    World& world = World::Get();
    std::unique_ptr<AlarmDatabase> database = world.OpenScratch("update", kSmall);
    AlarmRecord record;
    int64_t action = kFirstArrival;
    int number = 0;
    for (auto _ : state) {
        if (!database->Read(number, record))
            state.SkipWithError("read failed");
        record.SetNumber(AlarmField::ActionTime, action++);
        if (!database->Update(number, record))
            state.SkipWithError("update failed");
        number = (number + 1) % kSmall;
    }
    state.SetItemsProcessed(state.iterations());
    SetCacheFlag(1);
    database->Close();
    fs::remove_all(world.Folder("update"));
}
BENCHMARK(BM_Update)->Unit(benchmark::kMicrosecond);

// --- sorting -----------------------------------------------------------------------------

void BM_SortView(benchmark::State& state)
{
    World& world = World::Get();
    int code = static_cast<int>(state.range(0));
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    TypeSettingsSource settings;
    SettingsSortKeys keys(world.tree, settings);
    database->SetSortKeySource(&keys);
    bool ascending = true;
    for (auto _ : state) {
        if (!database->SortView(code,
                                ascending ? SortDirection::Ascending : SortDirection::Descending))
            state.SkipWithError("sort failed");
        ascending = !ascending;
    }
    // What the keys kept in memory for this code cost.
    state.counters["column_B_per_record"] =
        static_cast<double>(database->SortColumnBytes()) / database->RecordCount();
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_SortView)
    ->DenseRange(0, 9)
    ->Arg(11)
    ->Arg(101)
    ->Arg(102)
    ->Unit(benchmark::kMillisecond);

// The floor for the sorts: a bare std::sort of the same keys, read
// beforehand, ties newest first, into the record numbers a view holds.
int64_t NumberKey(int code, const AlarmRecord& record)
{
    switch (code) {
    case 1:
        return record.Number(AlarmField::TimeDeparture);
    case 3:
        return record.Int(AlarmField::CameraID);
    case 4:
        return record.Int(AlarmField::TrackID);
    case 5:
        return record.Int(AlarmField::AlarmType);
    case 7: {
        int32_t state = record.Int(AlarmField::ConfirmState);
        if (state == 1 || state == 3)
            return 1;
        if (record.Int(AlarmField::AutoConfirmed) == 1)
            return 3;
        return record.Int(AlarmField::Confirmed) == 1 ? 2 : 0;
    }
    default:
        return record.Number(AlarmField::ActionTime);
    }
}

// Keys of the text codes, folded to lower case as the view compares them.
std::string TextKey(int code, const AlarmRecord& record)
{
    static const std::map<int32_t, Priority> settings = TypeSettings();
    constexpr std::pair<int, AlarmField> kTextFields[] = {{2, AlarmField::Recorder},
                                                          {6, AlarmField::AddInfo},
                                                          {8, AlarmField::ConfirmUser},
                                                          {9, AlarmField::ConfirmComment}};
    std::string text;
    auto field = std::ranges::find(kTextFields, code, &std::pair<int, AlarmField>::first);
    if (field != std::end(kTextFields)) {
        text = record.Field(field->second);
    } else {
        auto it = settings.find(record.Int(AlarmField::AlarmType));
        text = it == settings.end() ? "" : it->second.title;
    }
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

int64_t PriorityKey(const AlarmRecord& record)
{
    static const std::map<int32_t, Priority> settings = TypeSettings();
    auto it = settings.find(record.Int(AlarmField::AlarmType));
    return it == settings.end() ? SettingsSortKeys::kNoPriority : it->second.priority;
}

// Sorts copies of (key, record number) pairs as the view orders them:
// `less` for the ascending direction, ties newest first.
template <typename Key, typename Less>
void StdSortLoop(benchmark::State& state, const std::vector<std::pair<Key, int>>& keys, Less less)
{
    bool ascending = true;
    for (auto _ : state) {
        std::vector<std::pair<Key, int>> work = keys;
        std::sort(work.begin(), work.end(), [ascending, &less](const auto& a, const auto& b) {
            if (a.first != b.first)
                return ascending ? less(a.first, b.first) : less(b.first, a.first);
            return a.second > b.second;
        });
        std::vector<int> numbers(work.size());
        for (size_t i = 0; i < work.size(); ++i)
            numbers[i] = work[i].second;
        benchmark::DoNotOptimize(numbers.data());
        ascending = !ascending;
    }
}

void BM_StdSortOfKeys(benchmark::State& state)
{
    int code = static_cast<int>(state.range(0));
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    std::vector<AlarmRecord> records(static_cast<size_t>(database->RecordCount()));
    for (int i = 0; i < database->RecordCount(); ++i) {
        if (!database->Read(i, records[static_cast<size_t>(i)]))
            std::abort();
    }
    bool text = code == 2 || code == 6 || code == 8 || code == 9 || code == 101;
    if (text) {
        // The texts stay put; the sort moves views of them, as it would pointers.
        std::vector<std::string> texts;
        texts.reserve(records.size());
        std::vector<std::pair<std::string_view, int>> keys;
        for (const AlarmRecord& record : records) {
            texts.push_back(TextKey(code, record));
            keys.emplace_back(texts.back(), static_cast<int>(keys.size()));
        }
        // Ascending texts run from Z to A.
        StdSortLoop(state, keys, std::greater<std::string_view>());
    } else {
        std::vector<std::pair<int64_t, int>> keys;
        for (const AlarmRecord& record : records)
            keys.emplace_back(code == 102 ? PriorityKey(record) : NumberKey(code, record),
                              static_cast<int>(keys.size()));
        StdSortLoop(state, keys, std::less<int64_t>());
    }
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_StdSortOfKeys)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Arg(6)
    ->Arg(7)
    ->Arg(8)
    ->Arg(9)
    ->Arg(11)
    ->Arg(101)
    ->Arg(102)
    ->Unit(benchmark::kMillisecond);

// The same orders in SQL: numbers ascending, texts in reverse alphabetical
// order without regard to case, ties by row number, newest first.
std::string SqlOrder(int code)
{
    const char* tie = ", rowid DESC";
    switch (code) {
    case 0:
        return "SELECT rowid FROM alarms ORDER BY rowid";
    case 1:
        return std::string("SELECT rowid FROM alarms ORDER BY TimeDeparture") + tie;
    case 2:
        return std::string("SELECT rowid FROM alarms ORDER BY Recorder COLLATE NOCASE DESC") + tie;
    case 3:
        return std::string("SELECT rowid FROM alarms ORDER BY CameraID") + tie;
    case 4:
        return std::string("SELECT rowid FROM alarms ORDER BY TrackID") + tie;
    case 5:
        return std::string("SELECT rowid FROM alarms ORDER BY AlarmType") + tie;
    case 6:
        return std::string("SELECT rowid FROM alarms ORDER BY AddInfo COLLATE NOCASE DESC") + tie;
    case 7:
        return std::string("SELECT rowid FROM alarms ORDER BY CASE WHEN ConfirmState IN (1, 3) "
                           "THEN 1 WHEN AutoConfirmed = 1 THEN 3 WHEN Confirmed = 1 THEN 2 "
                           "ELSE 0 END") +
               tie;
    case 8:
        return std::string("SELECT rowid FROM alarms ORDER BY ConfirmUser COLLATE NOCASE DESC") +
               tie;
    case 9:
        return std::string("SELECT rowid FROM alarms ORDER BY ConfirmComment COLLATE NOCASE DESC") +
               tie;
    case 11:
        return std::string("SELECT rowid FROM alarms ORDER BY ActionTime") + tie;
    case 101:
        return std::string("SELECT alarms.rowid FROM alarms LEFT JOIN settings ON "
                           "settings.Type = alarms.AlarmType ORDER BY "
                           "IFNULL(settings.Title, '') COLLATE NOCASE DESC, alarms.rowid DESC");
    case 102:
        return std::string("SELECT alarms.rowid FROM alarms LEFT JOIN settings ON "
                           "settings.Type = alarms.AlarmType ORDER BY "
                           "IFNULL(settings.Priority, 6), alarms.rowid DESC");
    }
    return {};
}

void BM_SqliteSort(benchmark::State& state)
{
    World& world = World::Get();
    std::string sql = SqlOrder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<int> rows = world.Query(sql);
        if (rows.size() != static_cast<size_t>(kLarge))
            state.SkipWithError("query failed");
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_SqliteSort)
    ->DenseRange(0, 9)
    ->Arg(11)
    ->Arg(101)
    ->Arg(102)
    ->Unit(benchmark::kMillisecond);

// The view must equal SQLite's answer, or the comparison means nothing.
void BM_SortsAgree(benchmark::State& state)
{
    World& world = World::Get();
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    TypeSettingsSource settings;
    SettingsSortKeys keys(world.tree, settings);
    database->SetSortKeySource(&keys);
    int code = static_cast<int>(state.range(0));
    for (auto _ : state) {
        database->SortView(code, SortDirection::Ascending);
        std::vector<int> rows = world.Query(SqlOrder(code));
        for (int i = 0; i < kLarge; ++i) {
            if (database->ViewRecord(i) != rows[static_cast<size_t>(i)]) {
                state.SkipWithError("view and SQLite disagree");
                break;
            }
        }
    }
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_SortsAgree)
    ->DenseRange(1, 9)
    ->Arg(11)
    ->Arg(101)
    ->Arg(102)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// --- filtering ---------------------------------------------------------------------------

// Recorders 0 to 9 (cameras 1 to 8 of recorder 3 only), camera-related alarm
// types, in a time window of about the middle half of the records, AND.
AlarmFilter BenchFilter()
{
    AlarmFilter filter;
    filter.activeParts =
        AlarmFilter::kTimePart | AlarmFilter::kRecorderPart | AlarmFilter::kTypePart;
    filter.useArrivalTime = true;
    filter.rangeStart = Timestamp::FromMs(kFirstArrival + int64_t{kLarge / 4} * 997);
    filter.rangeEnd = Timestamp::FromMs(kFirstArrival + int64_t{3 * kLarge / 4} * 997);
    for (int i = 0; i < 10; ++i)
        filter.recorders.push_back({"Rekorder " + std::to_string(i), i == 3 ? 0xFF : -1});
    filter.alarmTypes = {10004, 10005, 10015, 10016, 10900, 10018, 10021, 10022};
    return filter;
}

std::string SqlFilter()
{
    int64_t start = kFirstArrival + int64_t{kLarge / 4} * 997;
    int64_t end = kFirstArrival + int64_t{3 * kLarge / 4} * 997 + 1000;
    std::string names;
    for (int i = 0; i < 10; ++i)
        names += std::string(i == 0 ? "" : ",") + "'Rekorder " + std::to_string(i) + "'";
    return "SELECT alarms.rowid FROM alarms LEFT JOIN recorders ON recorders.IP = alarms.Recorder "
           "WHERE TimeArrival >= " +
           std::to_string(start) + " AND TimeArrival <= " + std::to_string(end) +
           " AND IFNULL(recorders.Name, '') IN (" + names +
           ") AND (IFNULL(recorders.Name, '') <> 'Rekorder 3' OR (CameraID BETWEEN 0 AND 7)) "
           "AND AlarmType IN (10004, 10005, 10015, 10016, 10900, 10018, 10021, 10022) "
           "ORDER BY alarms.rowid";
}

void BM_ApplyFilter(benchmark::State& state)
{
    World& world = World::Get();
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    Clock clock(SystemClockSource());
    FilterMatcher matcher(world.tree, clock);
    matcher.SetFilter(BenchFilter());
    database->SetViewFilter(&matcher);
    std::vector<int> rows = world.Query(SqlFilter());
    for (auto _ : state) {
        database->SetFilterActive();
        state.PauseTiming();
        database->ClearFilter();
        state.ResumeTiming();
    }
    database->SetFilterActive();
    state.counters["matched"] = database->ViewCount();
    bool same = database->ViewCount() == static_cast<int>(rows.size());
    for (int i = 0; same && i < database->ViewCount(); ++i)
        same = database->ViewRecord(i) == rows[static_cast<size_t>(i)];
    if (!same)
        state.SkipWithError("view and SQLite disagree");
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_ApplyFilter)->Unit(benchmark::kMillisecond);

// The floor under every filter: reading each record once.
void BM_ApplyFilterAdmittingAll(benchmark::State& state)
{
    World& world = World::Get();
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    Clock clock(SystemClockSource());
    FilterMatcher matcher(world.tree, clock);
    matcher.SetFilter(AlarmFilter());
    database->SetViewFilter(&matcher);
    for (auto _ : state) {
        database->SetFilterActive();
        state.PauseTiming();
        database->ClearFilter();
        state.ResumeTiming();
    }
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_ApplyFilterAdmittingAll)->Unit(benchmark::kMillisecond);

void BM_SqliteFilter(benchmark::State& state)
{
    World& world = World::Get();
    std::string sql = SqlFilter();
    size_t matched = 0;
    for (auto _ : state)
        matched = world.Query(sql).size();
    state.counters["matched"] = static_cast<double>(matched);
}
BENCHMARK(BM_SqliteFilter)->Unit(benchmark::kMillisecond);

// --- finding ---------------------------------------------------------------------------------

void BM_FindByArrival(benchmark::State& state)
{
    std::unique_ptr<AlarmDatabase> database = OpenLarge();
    std::mt19937 random(3);
    for (auto _ : state) {
        int wanted = static_cast<int>(random() % kLarge);
        std::string key = std::to_string(kFirstArrival + int64_t{wanted} * 997);
        if (database->FindByArrival(key, 0) != wanted)
            state.SkipWithError("not found");
    }
    SetCacheFlag(1);
    database->Close();
}
BENCHMARK(BM_FindByArrival)->Unit(benchmark::kMicrosecond);

} // namespace
