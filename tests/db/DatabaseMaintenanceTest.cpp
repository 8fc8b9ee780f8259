// Backups and limits: the schedule from the system page, backups when due
// with the oldest pruned by creation time, the count limit and the age limit
// passing over alarms held by an open alarm window.
#include "db/DatabaseMaintenance.h"

#include "DbTestSupport.h"
#include "config/Timestamp.h"
#include "db/OpenAlarmWindows.h"
#include "db/RecordFilter.h"
#include "testsupport/ScopedTimeZone.h"
#include "testsupport/TempDir.h"

#include <filesystem>
#include <set>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class HeldAlarms final : public OpenAlarmWindows {
public:
    bool IsShownInAlarmWindow(int64_t timeArrival) const override
    {
        return arrivals.count(timeArrival) != 0;
    }
    std::set<int64_t> arrivals;
};

class OddArrivals final : public RecordFilter {
public:
    bool Matches(const AlarmRecord& record) override
    {
        return record.Number(AlarmField::TimeArrival) % 2 != 0;
    }
};

std::vector<std::string> FileNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DatabaseMaintenanceTest : public ::testing::Test {
protected:
    ScopedTimeZone zone{"Europe/Berlin"};
    FakeClock clock;
    TempDir dir;
    DbFixture db{dir.Path()};
    FakeFileTimes times;
    FakeBusyIndicator busy;
    DatabaseMaintenance maintenance{*db.database, *db.tree, clock, dir.Path(), times, busy};
    HeldAlarms held;

    int64_t Now() { return clock.NowMs(); }
    void System(std::string_view key, int32_t value)
    {
        SetInt(*db.tree, "Program/Configuration/System/" + std::string(key), value);
    }
    std::vector<int64_t> Arrivals()
    {
        std::vector<int64_t> arrivals;
        for (const AlarmRecord& record : ReadAll(*db.database))
            arrivals.push_back(record.Number(AlarmField::TimeArrival));
        return arrivals;
    }
    // count records, arrivals first, first + 1, ...
    void OpenWith(int count, int64_t first)
    {
        WriteRecordFile(db.DbPath(), count, first, Handled::Confirmed);
        ASSERT_TRUE(db.Open());
    }
};

} // namespace

// --- schedule and backups ----------------------------------------------------------

TEST_F(DatabaseMaintenanceTest, ScheduleFromSettingsSetsTheNextBackupAndAnAgeCheckNow)
{
    System("iBupInterval", 2);
    maintenance.ScheduleFromSettings();
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), Now() + 2 * 3'600'000);
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextMaxAge"), Now());
}

TEST_F(DatabaseMaintenanceTest, ConfirmingTheSheetMovesTheBackupOnlyWhenTheIntervalChanged)
{
    System("iBupInterval", 1);
    DatabaseMaintenance started{*db.database, *db.tree, clock, dir.Path(), times, busy};
    started.ScheduleFirstBackup();
    int64_t due = GetInt64(*db.tree, "Program/iNextBackup");
    ASSERT_EQ(due, Now() + 3'600'000);
    // (interval typed on the page, next backup expected; 0 = the one due before)
    const std::pair<int32_t, int64_t> steps[] = {{1, 0}, {1, 0}, {3, 3}, {3, 0}, {0, -1}, {2, 2}};
    for (auto [interval, hours] : steps) {
        clock.source.AdvanceMs(20 * 60'000);
        System("iBupInterval", interval);
        started.ScheduleFromSettings();
        if (hours > 0)
            due = Now() + hours * 3'600'000;
        EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), hours < 0 ? 0 : due) << interval;
        EXPECT_EQ(started.NextBackupMs(), hours < 0 ? 0 : due);
    }
}

TEST_F(DatabaseMaintenanceTest, LastBackupIsTheNewestFileInTheFolder)
{
    EXPECT_EQ(maintenance.LastBackupMs(), 0);
    fs::create_directories(maintenance.BackupFolder());
    for (auto [name, seconds] : {std::pair{"a.txt", 1'700'000'000}, {"b.txt", 1'700'000'300}}) {
        WriteFileBytes((maintenance.BackupFolder() / name).string(), "x");
        times.times[name] = seconds;
    }
    EXPECT_EQ(maintenance.LastBackupMs(), (1'700'000'300 + 11'644'473'600) * 1000);
}

TEST_F(DatabaseMaintenanceTest, IntervalZeroClearsTheNextBackup)
{
    SetInt64(*db.tree, "Program/iNextBackup", 12345);
    System("iBupInterval", 0);
    maintenance.ScheduleFromSettings();
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), 0);
}

TEST_F(DatabaseMaintenanceTest, BackupIsACopyNamedByTheStampWhenStrictlyDue)
{
    OpenWith(3, 1000);
    System("iBupInterval", 1);
    SetInt64(*db.tree, "Program/iNextBackup", Now());
    maintenance.RunBackupIfDue();
    EXPECT_FALSE(fs::exists(maintenance.BackupFolder()));

    clock.source.AdvanceMs(1);
    std::string name = clock.Now().FormatStamp() + ".txt";
    maintenance.RunBackupIfDue();
    EXPECT_EQ(FileNames(maintenance.BackupFolder()), std::vector<std::string>{name});
    EXPECT_EQ(ReadFileBytes(maintenance.BackupFolder() / name), ReadFileBytes(db.DbPath()));
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), Now() + 3'600'000);
    EXPECT_GT(busy.busyCount, 0);
    EXPECT_FALSE(busy.busy);
}

TEST_F(DatabaseMaintenanceTest, BackupStampIsLocalTime)
{
    FakeClockSource local(Timestamp::FromLocalFields(5, 3, 2006, 7, 8, 9, 10)->Count() -
                          kUnixEpochSeconds * kOneSecondUs);
    clock.clock.SetSource(local);
    OpenWith(1, 1000);
    ASSERT_TRUE(maintenance.MakeBackup());
    EXPECT_TRUE(fs::exists(maintenance.BackupFolder() / "2006_03_05_07_08_09_010.txt"));
}

TEST_F(DatabaseMaintenanceTest, BackupFolderAndFilesAreTheOwnersAloneUnderAnyUmask)
{
    OpenWith(1, 1000);
    mode_t old = ::umask(0);
    bool made = maintenance.MakeBackup();
    ::umask(old);
    ASSERT_TRUE(made);
    EXPECT_EQ(fs::status(maintenance.BackupFolder()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    for (const fs::directory_entry& file : fs::directory_iterator(maintenance.BackupFolder()))
        EXPECT_EQ(file.status().permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DatabaseMaintenanceTest, NoBackupWithoutASchedule)
{
    OpenWith(1, 1000);
    SetInt64(*db.tree, "Program/iNextBackup", 0);
    clock.source.AdvanceMs(10'000'000);
    maintenance.RunBackupIfDue();
    SetInt64(*db.tree, "Program/iNextBackup", -5);
    maintenance.RunBackupIfDue();
    EXPECT_FALSE(fs::exists(maintenance.BackupFolder()));
}

TEST_F(DatabaseMaintenanceTest, IntervalSetToZeroMeanwhileStopsFurtherBackups)
{
    OpenWith(1, 1000);
    SetInt64(*db.tree, "Program/iNextBackup", Now() - 1);
    System("iBupInterval", 0);
    maintenance.RunBackupIfDue();
    EXPECT_EQ(FileNames(maintenance.BackupFolder()).size(), 1u);
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), 0);
}

TEST_F(DatabaseMaintenanceTest, FailedCopyStillAdvancesTheSchedule)
{
    OpenWith(1, 1000);
    db.database->Close();
    fs::remove(db.DbPath());
    System("iBupInterval", 3);
    SetInt64(*db.tree, "Program/iNextBackup", Now() - 1);
    maintenance.RunBackupIfDue();
    EXPECT_TRUE(FileNames(maintenance.BackupFolder()).empty());
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextBackup"), Now() + 3 * 3'600'000);
}

TEST_F(DatabaseMaintenanceTest, NewBackupBeyondTheLimitDeletesTheOldestByCreationTime)
{
    OpenWith(1, 1000);
    fs::create_directories(maintenance.BackupFolder());
    // Names and creation times disagree on purpose: creation time decides.
    const char* names[] = {"2001_01_01.txt", "2002_01_01.txt", "2003_01_01.txt", "1999_01_01.txt"};
    int64_t created[] = {300, 100, 400, 200};
    for (int i = 0; i < 4; ++i) {
        WriteFileBytes(maintenance.BackupFolder() / names[i], "old");
        times.times[names[i]] = created[i];
    }
    std::string name = clock.Now().FormatStamp() + ".txt";
    times.times[name] = 500;
    System("iBupMaxAnz", 4);
    ASSERT_TRUE(maintenance.MakeBackup());
    EXPECT_EQ(
        FileNames(maintenance.BackupFolder()),
        (std::vector<std::string>{"1999_01_01.txt", "2001_01_01.txt", "2003_01_01.txt", name}));
}

TEST_F(DatabaseMaintenanceTest, EquallyOldBackupsLoseTheFirstListedFirst)
{
    fs::path folder = dir.Path() / "b";
    fs::create_directories(folder);
    for (const char* name : {"c.txt", "a.txt", "b.txt"}) {
        WriteFileBytes(folder / name, "x");
        times.times[name] = 77;
    }
    EXPECT_EQ(maintenance.PruneBackups(folder, 1), 1);
    EXPECT_EQ(FileNames(folder), std::vector<std::string>{"c.txt"});
}

TEST_F(DatabaseMaintenanceTest, PruningCountsEveryTxtFileAndNothingElse)
{
    fs::path folder = dir.Path() / "b";
    fs::create_directories(folder / "sub.txt");
    for (const char* name : {"x.txt", "Y.TXT", "notes.doc", "z.txt.part"}) {
        WriteFileBytes(folder / name, "x");
        times.times[name] = 1;
    }
    EXPECT_EQ(maintenance.PruneBackups(folder, 5), 2);
    EXPECT_EQ(maintenance.PruneBackups(folder, 0), 0);
    EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"notes.doc", "sub.txt", "z.txt.part"}));
}

TEST_F(DatabaseMaintenanceTest, KeepZeroDeletesEvenTheNewBackup)
{
    OpenWith(1, 1000);
    std::string name = clock.Now().FormatStamp() + ".txt";
    times.times[name] = 1;
    System("iBupMaxAnz", 0);
    EXPECT_TRUE(maintenance.MakeBackup());
    EXPECT_TRUE(FileNames(maintenance.BackupFolder()).empty());
}

TEST_F(DatabaseMaintenanceTest, BackupWithoutACreationTimeIsNeverTheOldest)
{
    fs::path folder = dir.Path() / "b";
    fs::create_directories(folder);
    WriteFileBytes(folder / "a.txt", "x");
    times.times["a.txt"] = 1;
    // "b.txt" is listed but has no creation time, so it is never the oldest.
    WriteFileBytes(folder / "b.txt", "x");
    EXPECT_EQ(maintenance.PruneBackups(folder, 0), 1);
    EXPECT_EQ(FileNames(folder), std::vector<std::string>{"b.txt"});
}

// --- the count limit -------------------------------------------------------------------

TEST_F(DatabaseMaintenanceTest, CountLimitOnceExceededDeletesTheOldestDownToItsLowMark)
{
    struct Case {
        int records;
        int limit;
        int left;
    };
    const Case cases[] = {
        {5000, 5000, 5000}, {5001, 5000, 4500}, {5003, 5000, 4500}, {12, 9, 9}, {13, 10, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.records) + " over " + std::to_string(c.limit));
        db.database->Close();
        OpenWith(c.records, 1000);
        System("iEnableMaxAlarms", 1);
        System("iNumMaxAlarms", c.limit);
        EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), c.records - c.left);
        EXPECT_EQ(db.database->RecordCount(), c.left);
        EXPECT_EQ(Arrivals().front(), 1000 + c.records - c.left);
        EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 0);
    }
}

TEST_F(DatabaseMaintenanceTest, CountLimitPassesOverTheAlarmInTheWindow)
{
    OpenWith(5003, 1000);
    System("iNumMaxAlarms", 5000);
    held.arrivals = {1001};
    maintenance.SetOpenAlarmWindows(&held);
    // The held record stays and the next-oldest goes in its place.
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 503);
    EXPECT_EQ(db.database->RecordCount(), 4500);
    std::vector<int64_t> arrivals = Arrivals();
    EXPECT_EQ(arrivals[0], 1001);
    EXPECT_EQ(arrivals[1], 1504);
}

TEST_F(DatabaseMaintenanceTest, CountLimitSwitchedOffDeletesNothing)
{
    OpenWith(20, 1000);
    System("iNumMaxAlarms", 5);
    System("iEnableMaxAlarms", 0);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 0);
    EXPECT_EQ(db.database->RecordCount(), 20);
}

TEST_F(DatabaseMaintenanceTest, PruningRestoresTheFilterAndTheOrder)
{
    OpenWith(12, 1000);
    OddArrivals filter;
    db.database->SetViewFilter(&filter);
    db.database->SetFilterActive();
    ASSERT_TRUE(db.database->SortView(5, SortDirection::Descending));
    System("iNumMaxAlarms", 10);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 3);
    EXPECT_TRUE(db.database->IsFilterActive());
    EXPECT_EQ(db.database->SortCode(), 5);
    EXPECT_EQ(db.database->SortOrder(), SortDirection::Descending);
    // Arrivals 1003..1011 are left; the odd ones pass the filter.
    EXPECT_EQ(db.database->ViewCount(), 5);
}

TEST_F(DatabaseMaintenanceTest, FailedDeletionLeavesTheDatabaseAsItWas)
{
    OpenWith(8, 1000);
    System("iNumMaxAlarms", 5);
    fs::create_directory(dir.File("AlarmDB.txt.temp"));
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 0);
    EXPECT_EQ(db.database->RecordCount(), 8);
}

// Oldest first: which records are confirmed ('c') or await an operator ('u').
struct UnconfirmedCase {
    const char* name;
    std::string states;
    int limit;
    std::vector<int64_t> left; // arrivals left, from 1000 on
    int64_t kept;
};

TEST_F(DatabaseMaintenanceTest, CountLimitNeverDeletesAnUnconfirmedAlarm)
{
    const UnconfirmedCase cases[] = {
        {"oldest confirmed go first", "uuucccccc", 6, {1000, 1001, 1002, 1006, 1007, 1008}, 0},
        {"too few confirmed", "uucuuu", 3, {1000, 1001, 1003, 1004, 1005}, 2},
        {"only unconfirmed", "uuuuu", 2, {1000, 1001, 1002, 1003, 1004}, 3},
    };
    for (const UnconfirmedCase& c : cases) {
        SCOPED_TRACE(c.name);
        db.database->Close();
        std::vector<AlarmRecord> records;
        for (size_t i = 0; i < c.states.size(); ++i) {
            AlarmRecord record = MakeRecord(1000 + static_cast<int64_t>(i));
            records.push_back(c.states[i] == 'c' ? Confirmed(record) : record);
        }
        WriteFileBytes(db.DbPath(), EncodeRecords(records));
        ASSERT_TRUE(db.Open());
        System("iNumMaxAlarms", c.limit);
        maintenance.PruneAlarms(PruneBy::Count);
        EXPECT_EQ(Arrivals(), c.left);
        EXPECT_EQ(maintenance.KeptOverCountLimit(), c.kept);
    }
}

TEST_F(DatabaseMaintenanceTest, KeptUnconfirmedAlarmsAreReportedOnceAnHour)
{
    WriteRecordFile(db.DbPath(), 4, 1000);
    ASSERT_TRUE(db.Open());
    System("iNumMaxAlarms", 1);
    std::vector<std::string> reports;
    for (int64_t advance : {0, 60'000, 3'600'000}) {
        clock.source.AdvanceMs(advance);
        testing::internal::CaptureStderr();
        EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Count), 0);
        reports.push_back(testing::internal::GetCapturedStderr());
    }
    EXPECT_NE(reports[0].find("3 unconfirmed alarms above the limit of 1"), std::string::npos);
    EXPECT_EQ(reports[1], "");
    EXPECT_EQ(reports[2], reports[0]);
}

// --- the age limit ------------------------------------------------------------------------

TEST_F(DatabaseMaintenanceTest, AgeLimitDeletesAlarmsOlderThanTheDays)
{
    int64_t now = Now();
    int64_t day = 86'400'000;
    WriteFileBytes(
        db.DbPath(),
        EncodeRecords({Confirmed(MakeRecord(now - 3 * day)), Confirmed(MakeRecord(now - day - 1)),
                       Confirmed(MakeRecord(now - day)), Confirmed(MakeRecord(now - 5))}));
    ASSERT_TRUE(db.Open());
    System("iEnableMaxAge", 1);
    System("iMaxAge", 1);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Age), 2);
    EXPECT_EQ(Arrivals(), (std::vector<int64_t>{now - day, now - 5}));
}

TEST_F(DatabaseMaintenanceTest, AgeLimitStopsAtTheFirstYoungEnoughRecord)
{
    int64_t now = Now();
    int64_t day = 86'400'000;
    WriteFileBytes(db.DbPath(), EncodeRecords({Confirmed(MakeRecord(now - 3 * day)),
                                               Confirmed(MakeRecord(now - 10)),
                                               Confirmed(MakeRecord(now - 5 * day))}));
    ASSERT_TRUE(db.Open());
    System("iEnableMaxAge", 1);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Age), 1);
    EXPECT_EQ(Arrivals(), (std::vector<int64_t>{now - 10, now - 5 * day}));
}

TEST_F(DatabaseMaintenanceTest, AgeLimitPassesOverTheAlarmInTheWindow)
{
    int64_t now = Now();
    int64_t day = 86'400'000;
    WriteFileBytes(db.DbPath(), EncodeRecords({Confirmed(MakeRecord(now - 4 * day)),
                                               Confirmed(MakeRecord(now - 3 * day)),
                                               Confirmed(MakeRecord(now - 2 * day))}));
    ASSERT_TRUE(db.Open());
    System("iEnableMaxAge", 1);
    held.arrivals = {now - 3 * day};
    maintenance.SetOpenAlarmWindows(&held);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Age), 2);
    EXPECT_EQ(Arrivals(), std::vector<int64_t>{now - 3 * day});
}

TEST_F(DatabaseMaintenanceTest, AgeLimitKeepsUnconfirmedAlarms)
{
    int64_t now = Now();
    int64_t day = 86'400'000;
    WriteFileBytes(db.DbPath(),
                   EncodeRecords({MakeRecord(now - 4 * day), Confirmed(MakeRecord(now - 3 * day)),
                                  MakeRecord(now - 2 * day), MakeRecord(now)}));
    ASSERT_TRUE(db.Open());
    System("iEnableMaxAge", 1);
    EXPECT_EQ(maintenance.PruneAlarms(PruneBy::Age), 1);
    EXPECT_EQ(Arrivals(), (std::vector<int64_t>{now - 4 * day, now - 2 * day, now}));
    EXPECT_EQ(maintenance.KeptOverAgeLimit(), 2);
}

TEST_F(DatabaseMaintenanceTest, DailyAgeCheckRunsWhenDueAndOnlyWhenSwitchedOn)
{
    int64_t day = 86'400'000;
    WriteFileBytes(db.DbPath(), EncodeRecords({Confirmed(MakeRecord(Now() - 2 * day)),
                                               Confirmed(MakeRecord(Now()))}));
    ASSERT_TRUE(db.Open());
    System("iMaxAge", 1);
    maintenance.ScheduleFromSettings();
    clock.source.AdvanceMs(1);
    // Switched off: nothing, and the due time stays.
    EXPECT_EQ(maintenance.RunAgeLimitIfDue(), 0);
    EXPECT_EQ(db.database->RecordCount(), 2);

    System("iEnableMaxAge", 1);
    EXPECT_EQ(maintenance.RunAgeLimitIfDue(), 1);
    EXPECT_EQ(GetInt64(*db.tree, "Program/iNextMaxAge"), Now() + day);
    EXPECT_EQ(db.database->RecordCount(), 1);

    // Not due again until a day has passed.
    clock.source.AdvanceMs(day - 1);
    EXPECT_EQ(maintenance.RunAgeLimitIfDue(), 0);
    EXPECT_EQ(db.database->RecordCount(), 1);
    clock.source.AdvanceMs(2);
    EXPECT_EQ(maintenance.RunAgeLimitIfDue(), 1);
    EXPECT_EQ(db.database->RecordCount(), 0);
}
