// The alarm database on real files: opening, the count cache, the layout
// check and conversion, appends, reads, in-place updates with the journal,
// lookups by arrival time, deletion, memory mode and the GuardEvent observer.
#include "db/AlarmDatabase.h"

#include "DbTestSupport.h"
#include "db/RedoJournal.h"
#include "testsupport/TempDir.h"

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class AlarmDatabaseTest : public ::testing::Test {
protected:
    TempDir dir;
    DbFixture db{dir.Path()};

    std::string FileBytes() { return ReadFileBytes(db.DbPath()); }
    std::string JournalPath() { return dir.File("AlarmDB.journal"); }

    void Reopen()
    {
        db.database->Close();
        ASSERT_TRUE(db.Open());
    }
};

// The 13 fields of the record at `at` in a file's bytes.
std::span<const char> FieldsOf(const std::string& bytes, size_t at = 0)
{
    return std::span<const char>(bytes.data() + at, AlarmRecord::kFieldBytes);
}

// The fields of an old layout with `fields` fields, each padded, then CR LF.
std::string OldLayoutRecord(const AlarmRecord& record, int fields)
{
    std::string bytes(AlarmRecord::kRecordBytes, '\0');
    record.Encode(bytes.data());
    std::string old = bytes.substr(0, AlarmRecord::Offset(static_cast<AlarmField>(fields)));
    return old + "\r\n";
}

} // namespace

// --- opening -------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, OpenCreatesAnEmptyFile)
{
    ASSERT_TRUE(db.Open());
    EXPECT_TRUE(fs::exists(db.DbPath()));
    EXPECT_EQ(db.database->RecordCount(), 0);
    EXPECT_EQ(db.database->ViewCount(), 0);
    EXPECT_EQ(db.database->ViewCapacity(), AlarmDatabase::kViewGrowth);
    EXPECT_EQ(db.database->LastError(), DbError::None);
    EXPECT_EQ(FileBytes(), "");
}

TEST_F(AlarmDatabaseTest, OpenInAMissingFolderFailsWithCannotOpen)
{
    EXPECT_FALSE(db.database->Open(dir.File("missing/AlarmDB.txt")));
    EXPECT_EQ(db.database->LastError(), DbError::CannotOpen);
    EXPECT_FALSE(db.database->IsOpen());
}

TEST_F(AlarmDatabaseTest, SecondOpenIsRefused)
{
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(db.Open());
    EXPECT_EQ(db.database->LastError(), DbError::AlreadyOpen);
    EXPECT_TRUE(db.database->IsOpen());
}

TEST_F(AlarmDatabaseTest, ReadOnlyFileIsMadeWritable)
{
    WriteRecordFile(db.DbPath(), 2);
    chmod(db.DbPath().c_str(), 0444);
    ASSERT_TRUE(db.Open());
    struct stat info {};
    ASSERT_EQ(stat(db.DbPath().c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);
    EXPECT_TRUE(db.database->Append(MakeRecord(5000)));
}

TEST_F(AlarmDatabaseTest, ViewShowsEveryRecordInFileOrderWithRoomFor50000More)
{
    WriteRecordFile(db.DbPath(), 5);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 5);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(db.database->ViewCapacity(), 5 + AlarmDatabase::kViewGrowth);
    EXPECT_EQ(db.database->ViewRecord(5), -1);
    EXPECT_EQ(db.database->ViewRecord(-1), -1);
}

TEST_F(AlarmDatabaseTest, TrailingPartialRecordIsCutOff)
{
    WriteRecordFile(db.DbPath(), 3);
    std::string bytes = FileBytes();
    std::string partial(AlarmRecord::kRecordBytes, '\0');
    MakeRecord(9999).Encode(partial.data());
    WriteFileBytes(db.DbPath(), bytes + partial.substr(0, 200));

    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 3);
    EXPECT_EQ(FileBytes(), bytes);
    ASSERT_TRUE(db.database->Append(MakeRecord(4000)));
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(3, record));
    EXPECT_EQ(record.Number(AlarmField::TimeArrival), 4000);
}

TEST_F(AlarmDatabaseTest, FirstRecordCutShortByAKillIsNotTakenForAnOlderLayout)
{
    std::string partial(AlarmRecord::kRecordBytes, '\0');
    MakeRecord(9999).Encode(partial.data());
    WriteFileBytes(db.DbPath(), partial.substr(0, 300));
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 0);
    EXPECT_EQ(FileBytes(), "");
}

TEST_F(AlarmDatabaseTest, LineEndInsideAFieldOfAWholeRecordKeepsTheLayout)
{
    WriteRecordFile(db.DbPath(), 2);
    std::string bytes = FileBytes();
    bytes[AlarmRecord::Offset(AlarmField::AddInfo) + 2] = '\n';
    WriteFileBytes(db.DbPath(), bytes);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 2);
    EXPECT_EQ(FileBytes(), bytes);
}

// --- the count cache ---------------------------------------------------------------

TEST_F(AlarmDatabaseTest, FirstOpenRecountsAndAllowsTheCacheAtClose)
{
    WriteRecordFile(db.DbPath(), 4);
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), -1);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), 0);
    // The size of the file gives the count: no pass over the records.
    EXPECT_EQ(db.busy.busyCount, 0);
    db.database->Close();
    EXPECT_EQ(ReadFileBytes(db.CachePath()), "4");
}

TEST_F(AlarmDatabaseTest, CacheIsReadAndDeletedAtOpen)
{
    WriteRecordFile(db.DbPath(), 4);
    WriteFileBytes(db.CachePath(), "4\r\n");
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(fs::exists(db.CachePath()));
    EXPECT_EQ(db.database->RecordCount(), 4);
    // The cache was good: no recount, so the flag is as it was.
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), -1);
    EXPECT_EQ(db.busy.busyCount, 0);
    EXPECT_EQ(db.keys.asked, 1);
}

TEST_F(AlarmDatabaseTest, CacheIsNotWrittenUnlessTheFlagIsZero)
{
    WriteFileBytes(db.CachePath(), "0");
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.database->Append(MakeRecord(1)));
    SetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache", 1);
    db.database->Close();
    EXPECT_FALSE(fs::exists(db.CachePath()));

    ASSERT_TRUE(db.Open());
    SetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache", 0);
    db.database->Close();
    EXPECT_EQ(ReadFileBytes(db.CachePath()), "1");
}

TEST_F(AlarmDatabaseTest, StaleCacheDoesNotDecideTheCount)
{
    WriteRecordFile(db.DbPath(), 5);
    WriteFileBytes(db.CachePath(), "3");
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 5);
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), 0);
    // An append lands behind the fifth record, not on the fourth.
    ASSERT_TRUE(db.database->Append(MakeRecord(7000)));
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(3, record));
    EXPECT_EQ(record.Number(AlarmField::TimeArrival), 1003);
    EXPECT_EQ(FileBytes().size(), 6 * AlarmRecord::kRecordBytes);
}

TEST_F(AlarmDatabaseTest, UnreadableCacheMeansARecount)
{
    WriteRecordFile(db.DbPath(), 2);
    WriteFileBytes(db.CachePath(), "abc");
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 2);
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), 0);
    EXPECT_FALSE(fs::exists(db.CachePath()));
}

TEST_F(AlarmDatabaseTest, ControlAndShiftForceARecountEvenWithAGoodCache)
{
    WriteRecordFile(db.DbPath(), 4);
    WriteFileBytes(db.CachePath(), "4");
    db.keys.held = true;
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 4);
    EXPECT_EQ(GetInt(*db.tree, "Runtime/FFTMNumRecords/iDoNotWriteDBCache"), 0);
}

// --- older layouts ---------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, TwelveFieldLayoutIsConvertedKeepingRecordsWithAType)
{
    AlarmRecord a = MakeRecord(100);
    a.SetField(AlarmField::Confirmed, "1");
    a.SetField(AlarmField::ConfirmUser, "Meier");
    a.SetField(AlarmField::ConfirmState, "2");
    a.SetNumber(AlarmField::ActionTime, 150);
    AlarmRecord untyped = MakeRecord(101, 0);
    AlarmRecord b = MakeRecord(102, 10042);
    WriteFileBytes(db.DbPath(),
                   OldLayoutRecord(a, 12) + OldLayoutRecord(untyped, 12) + OldLayoutRecord(b, 12));

    ASSERT_TRUE(db.Open());
    ASSERT_EQ(db.database->RecordCount(), 2);
    AlarmRecord expectedA = a;
    expectedA.SetField(AlarmField::AutoConfirmed, "0");
    EXPECT_EQ(FileBytes(), EncodeRecords({expectedA, b}));
    EXPECT_FALSE(fs::exists(dir.File("AlarmDB.txt.temp")));
}

TEST_F(AlarmDatabaseTest, SixFieldLayoutTakesNewRecordValuesForTheRest)
{
    AlarmRecord a = MakeRecord(100);
    WriteFileBytes(db.DbPath(), OldLayoutRecord(a, 6) + OldLayoutRecord(MakeRecord(101, -3), 6));
    ASSERT_TRUE(db.Open());
    ASSERT_EQ(db.database->RecordCount(), 1);
    AlarmRecord expected = AlarmRecord::NewAlarm();
    for (int i = 0; i < 6; ++i) {
        AlarmField field = static_cast<AlarmField>(i);
        expected.SetField(field, a.Field(field));
    }
    AlarmRecord read;
    ASSERT_TRUE(db.database->Read(0, read));
    EXPECT_EQ(read, expected);
    EXPECT_EQ(read.Field(AlarmField::AddInfo), "");
}

TEST_F(AlarmDatabaseTest, LayoutWithoutAlarmTypeKeepsNothing)
{
    WriteFileBytes(db.DbPath(), OldLayoutRecord(MakeRecord(100), 3) + "junk");
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 0);
    EXPECT_EQ(FileBytes(), "");
}

TEST_F(AlarmDatabaseTest, LineEndAtTheStartIsALayoutWithoutFields)
{
    WriteFileBytes(db.DbPath(), "\r\n\r\nsomething\r\n");
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->RecordCount(), 0);
}

// --- records ------------------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, AppendWritesTheRecordAt383TimesCount)
{
    ASSERT_TRUE(db.Open());
    AlarmRecord a = MakeRecord(1);
    AlarmRecord b = MakeRecord(2);
    ASSERT_TRUE(db.database->Append(a));
    ASSERT_TRUE(db.database->Append(b));
    EXPECT_EQ(db.database->RecordCount(), 2);
    EXPECT_EQ(db.database->Current(), 1);
    EXPECT_EQ(FileBytes(), EncodeRecords({a, b}));
}

TEST_F(AlarmDatabaseTest, ReadOutsideTheRecordsFails)
{
    WriteRecordFile(db.DbPath(), 2);
    ASSERT_TRUE(db.Open());
    AlarmRecord record;
    EXPECT_FALSE(db.database->Read(2, record));
    EXPECT_EQ(db.database->LastError(), DbError::OutOfRange);
    EXPECT_FALSE(db.database->Read(-1, record));
    EXPECT_TRUE(db.database->Read(1, record));
    EXPECT_EQ(db.database->Current(), 1);
}

TEST_F(AlarmDatabaseTest, ReadFailsWhenTheFileEndsInsideTheRecord)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    truncate(db.DbPath().c_str(), 2 * AlarmRecord::kRecordBytes + 100);
    AlarmRecord record;
    EXPECT_FALSE(db.database->Read(2, record));
    EXPECT_TRUE(db.database->Read(1, record));
}

TEST_F(AlarmDatabaseTest, UpdateRewritesTheFieldsInPlace)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(1, record));
    record.SetField(AlarmField::Confirmed, "1");
    record.SetField(AlarmField::ConfirmState, "2");
    record.SetField(AlarmField::ConfirmUser, "Operator");
    record.SetField(AlarmField::ConfirmComment, "checked\r\nok");
    ASSERT_TRUE(db.database->Update(1, record));

    std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 3 * AlarmRecord::kRecordBytes);
    AlarmRecord expected = record;
    expected.SetField(AlarmField::ConfirmComment, "checked  ok");
    EXPECT_EQ(bytes.substr(AlarmRecord::kRecordBytes, AlarmRecord::kRecordBytes),
              EncodeRecords({expected}));
    AlarmRecord other;
    ASSERT_TRUE(db.database->Read(2, other));
    EXPECT_EQ(other, MakeRecord(1002));
}

TEST_F(AlarmDatabaseTest, UpdateLeavesTheLineEndAlone)
{
    WriteRecordFile(db.DbPath(), 1);
    std::string bytes = FileBytes();
    bytes[AlarmRecord::kRecordBytes - 2] = 'X';
    WriteFileBytes(db.DbPath(), bytes);
    ASSERT_TRUE(db.Open());
    AlarmRecord record = MakeRecord(1000);
    record.SetField(AlarmField::ConfirmUser, "u");
    ASSERT_TRUE(db.database->Update(0, record));
    EXPECT_EQ(FileBytes()[AlarmRecord::kRecordBytes - 2], 'X');
}

TEST_F(AlarmDatabaseTest, UpdateOutsideTheRecordsFails)
{
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(db.database->Update(0, MakeRecord(1)));
    EXPECT_EQ(db.database->LastError(), DbError::OutOfRange);
}

TEST_F(AlarmDatabaseTest, FailedAppendLeavesCountAndFileAsTheyWere)
{
    fs::create_symlink("/dev/full", db.DbPath());
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(db.database->Append(MakeRecord(1)));
    EXPECT_EQ(db.database->LastError(), DbError::WriteFailed);
    EXPECT_EQ(db.database->RecordCount(), 0);
    EXPECT_EQ(db.database->ViewCount(), 0);
}

// --- the journal -----------------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, OpenCompletesAnUpdateRecordedInTheJournal)
{
    WriteRecordFile(db.DbPath(), 3);
    AlarmRecord updated = MakeRecord(1001);
    updated.SetField(AlarmField::ConfirmUser, "after");
    std::string bytes = EncodeRecords({updated});
    {
        RedoJournal journal;
        ASSERT_TRUE(journal.Open(JournalPath()));
        ASSERT_TRUE(journal.Record(AlarmRecord::kRecordBytes, FieldsOf(bytes),
                                   FieldsOf(FileBytes(), AlarmRecord::kRecordBytes)));
    }
    ASSERT_TRUE(db.Open());
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(1, record));
    EXPECT_EQ(record.Field(AlarmField::ConfirmUser), "after");
    EXPECT_EQ(ReadFileBytes(JournalPath()), "");
}

TEST_F(AlarmDatabaseTest, HalfWrittenUpdateIsCompletedFromTheJournal)
{
    WriteRecordFile(db.DbPath(), 3);
    AlarmRecord updated = MakeRecord(1001);
    updated.SetField(AlarmField::ConfirmUser, "after");
    updated.SetField(AlarmField::ConfirmComment, "comment");
    std::string bytes = EncodeRecords({updated});
    // The write stopped at a page boundary: new up to it, old behind it.
    std::string file = FileBytes();
    const size_t record = AlarmRecord::kRecordBytes;
    file.replace(record, 200, bytes.substr(0, 200));
    WriteFileBytes(db.DbPath(), file);
    {
        RedoJournal journal;
        ASSERT_TRUE(journal.Open(JournalPath()));
        ASSERT_TRUE(journal.Record(static_cast<int64_t>(record), FieldsOf(bytes),
                                   FieldsOf(EncodeRecords({MakeRecord(1001)}))));
    }
    ASSERT_TRUE(db.Open());
    AlarmRecord read;
    ASSERT_TRUE(db.database->Read(1, read));
    EXPECT_EQ(read, updated);
}

TEST_F(AlarmDatabaseTest, TornJournalEntryIsIgnored)
{
    WriteRecordFile(db.DbPath(), 3);
    std::string before = FileBytes();
    AlarmRecord updated = MakeRecord(1001);
    updated.SetField(AlarmField::ConfirmUser, "after");
    std::string bytes = EncodeRecords({updated});
    {
        RedoJournal journal;
        ASSERT_TRUE(journal.Open(JournalPath()));
        ASSERT_TRUE(journal.Record(AlarmRecord::kRecordBytes, FieldsOf(bytes),
                                   FieldsOf(FileBytes(), AlarmRecord::kRecordBytes)));
    }
    std::string entry = ReadFileBytes(JournalPath());
    for (size_t cut : {entry.size() - 1, entry.size() / 2, size_t{3}}) {
        WriteFileBytes(JournalPath(), entry.substr(0, cut));
        ASSERT_TRUE(db.Open());
        EXPECT_EQ(FileBytes(), before) << cut;
        db.database->Close();
    }
    std::string corrupt = entry;
    corrupt[40] ^= 0x20;
    WriteFileBytes(JournalPath(), corrupt);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(AlarmDatabaseTest, JournalEntryBeyondTheFileIsNotApplied)
{
    WriteRecordFile(db.DbPath(), 1);
    std::string before = FileBytes();
    std::string bytes = EncodeRecords({MakeRecord(5)});
    {
        RedoJournal journal;
        ASSERT_TRUE(journal.Open(JournalPath()));
        ASSERT_TRUE(
            journal.Record(5 * AlarmRecord::kRecordBytes, FieldsOf(bytes), FieldsOf(bytes)));
    }
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(FileBytes(), before);
}

TEST_F(AlarmDatabaseTest, JournalKeepsTheLastUpdateUntilARewriteOrClose)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    AlarmRecord record = MakeRecord(1001);
    for (const char* user : {"first", "second"}) {
        record.SetField(AlarmField::ConfirmUser, user);
        ASSERT_TRUE(db.database->Update(1, record));
    }
    // One entry, overwritten in place by each update.
    std::string entry = ReadFileBytes(JournalPath());
    EXPECT_EQ(entry.size(), 4 + 8 + 4 + 2 * AlarmRecord::kFieldBytes + 8);
    EXPECT_NE(entry.find("second"), std::string::npos);
    ASSERT_TRUE(db.database->DeleteRecords(std::vector<int>{2}));
    EXPECT_EQ(ReadFileBytes(JournalPath()), "");
    ASSERT_TRUE(db.database->Update(0, MakeRecord(1000)));
    db.database->Close();
    EXPECT_FALSE(fs::exists(JournalPath()));
}

// The files as a kill leaves them at each step of a second update, which
// follows a first one to another record; the open shows each record as it
// was before or after its update, and a stale entry never rewrites a record.
TEST_F(AlarmDatabaseTest, KillAtEveryStepOfAnUpdateLeavesRecordsBeforeOrAfter)
{
    WriteRecordFile(db.DbPath(), 4);
    std::string initial = FileBytes();
    ASSERT_TRUE(db.Open());
    AlarmRecord first = MakeRecord(1001);
    first.SetField(AlarmField::ConfirmUser, "first update");
    ASSERT_TRUE(db.database->Update(1, first));
    std::string afterFirst = FileBytes();
    std::string journalFirst = ReadFileBytes(JournalPath());
    AlarmRecord second = MakeRecord(1002);
    second.SetField(AlarmField::ConfirmComment, std::string(60, 'c'));
    ASSERT_TRUE(db.database->Update(2, second));
    std::string afterSecond = FileBytes();
    std::string journalSecond = ReadFileBytes(JournalPath());
    db.database->Close();
    ASSERT_EQ(journalFirst.size(), journalSecond.size());
    const size_t record2 = 2 * AlarmRecord::kRecordBytes;
    auto torn = [](const std::string& newer, const std::string& older, size_t cut) {
        return newer.substr(0, cut) + older.substr(cut);
    };
    // A file rewritten while the station was off: other records at the offsets.
    std::string replaced = EncodeRecords({MakeRecord(7), MakeRecord(8), MakeRecord(9)});
    replaced += replaced.substr(0, AlarmRecord::kRecordBytes);
    struct Case {
        const char* step;
        std::string journal;
        std::string file;
        std::string expected;
    } cases[] = {
        {"before the entry", journalFirst, afterFirst, afterFirst},
        {"entry torn early", torn(journalSecond, journalFirst, 20), afterFirst, afterFirst},
        {"entry torn late", torn(journalSecond, journalFirst, journalFirst.size() - 3), afterFirst,
         afterFirst},
        {"entry whole", journalSecond, afterFirst, afterSecond},
        {"record torn", journalSecond, torn(afterSecond, afterFirst, record2 + 300), afterSecond},
        {"record whole", journalSecond, afterSecond, afterSecond},
        {"file replaced", journalSecond, replaced, replaced},
        {"first entry, file replaced", journalFirst, replaced, replaced},
        {"no update", "", initial, initial},
    };
    for (const Case& c : cases) {
        WriteFileBytes(db.DbPath(), c.file);
        WriteFileBytes(JournalPath(), c.journal);
        ASSERT_TRUE(db.Open()) << c.step;
        EXPECT_EQ(FileBytes(), c.expected) << c.step;
        EXPECT_EQ(ReadFileBytes(JournalPath()), "") << c.step;
        db.database->Close();
    }
}

// --- finding by arrival time ---------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, FindByArrivalUsesTheHintThenBinarySearch)
{
    WriteRecordFile(db.DbPath(), 100);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->FindByArrival("1037", 37), 37);
    EXPECT_EQ(db.database->FindByArrival("1037", 5), 37);
    EXPECT_EQ(db.database->FindByArrival("1000", 0), 0);
    EXPECT_EQ(db.database->FindByArrival("1099", -1), 99);
    EXPECT_EQ(db.database->FindByArrival("1099", 1000), 99);
}

TEST_F(AlarmDatabaseTest, FindByArrivalScansAFileOutOfOrder)
{
    WriteFileBytes(db.DbPath(), EncodeRecords({MakeRecord(50), MakeRecord(10), MakeRecord(40),
                                               MakeRecord(20), MakeRecord(30)}));
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->FindByArrival("20", 0), 3);
    EXPECT_EQ(db.database->FindByArrival("50", 0), 0);
}

TEST_F(AlarmDatabaseTest, FindByArrivalOfAMissingKeyIsMinusOne)
{
    WriteRecordFile(db.DbPath(), 10);
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.database->FindByArrival("999", 0), -1);
    EXPECT_EQ(db.database->FindByArrival("1004x", 0), 4);
    EXPECT_EQ(db.database->FindByArrival("", 0), -1);
}

// --- deleting
// ----------------------------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, DeletingRecordsZeroAndTwoOfFiveKeepsOneThreeFour)
{
    WriteRecordFile(db.DbPath(), 5);
    std::string before = FileBytes();
    ASSERT_TRUE(db.Open());
    // Records written last are read back from memory: no longer after a delete.
    AlarmRecord one;
    AlarmRecord three;
    ASSERT_TRUE(db.database->Read(3, three));
    ASSERT_TRUE(db.database->Read(1, one));
    ASSERT_TRUE(db.database->Update(1, one));
    std::vector<int> drop{0, 2};
    ASSERT_TRUE(db.database->DeleteRecords(drop));
    EXPECT_EQ(db.database->RecordCount(), 3);
    const size_t n = AlarmRecord::kRecordBytes;
    EXPECT_EQ(FileBytes(), before.substr(n, n) + before.substr(3 * n, 2 * n));
    AlarmRecord moved;
    ASSERT_TRUE(db.database->Read(1, moved));
    EXPECT_EQ(moved.Number(AlarmField::TimeArrival), three.Number(AlarmField::TimeArrival));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(fs::exists(dir.File("AlarmDB.txt.temp")));
    ASSERT_TRUE(db.database->Append(MakeRecord(2000)));
    EXPECT_EQ(FileBytes().size(), 4 * n);
}

TEST_F(AlarmDatabaseTest, DeletingEveryRecordEmptiesTheFile)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    std::vector<int> all{2, 0, 1, 1};
    ASSERT_TRUE(db.database->DeleteRecords(all));
    EXPECT_EQ(db.database->RecordCount(), 0);
    EXPECT_EQ(FileBytes(), "");
    EXPECT_EQ(db.database->ViewCount(), 0);
}

TEST_F(AlarmDatabaseTest, DeleteIgnoresNumbersOutOfRangeAndDuplicates)
{
    WriteRecordFile(db.DbPath(), 4);
    ASSERT_TRUE(db.Open());
    std::vector<int> drop{1, 1, 7, -3};
    ASSERT_TRUE(db.database->DeleteRecords(drop));
    EXPECT_EQ(db.database->RecordCount(), 3);
}

TEST_F(AlarmDatabaseTest, DeleteWithoutATemporaryFileChangesNothing)
{
    WriteRecordFile(db.DbPath(), 4);
    std::string before = FileBytes();
    ASSERT_TRUE(db.Open());
    // A folder where the temporary file should go cannot be opened as a file.
    fs::create_directory(dir.File("AlarmDB.txt.temp"));
    std::vector<int> drop{1};
    EXPECT_FALSE(db.database->DeleteRecords(drop));
    EXPECT_EQ(db.database->LastError(), DbError::TempNotCreated);
    EXPECT_EQ(db.database->RecordCount(), 4);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(db.database->ViewCount(), 4);
}

// --- memory mode
// -----------------------------------------------------------------------------------------

TEST_F(AlarmDatabaseTest, MemoryModeServesReadsFromMemory)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.database->LoadIntoMemory());
    EXPECT_TRUE(db.database->InMemory());
    // Change the file behind the database's back: reads do not see it.
    std::string bytes = FileBytes();
    bytes[AlarmRecord::Offset(AlarmField::AddInfo)] = 'Z';
    WriteFileBytes(db.DbPath(), bytes);
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(0, record));
    EXPECT_EQ(record, MakeRecord(1000));
}

TEST_F(AlarmDatabaseTest, MemoryModeKeepsAppendsUpdatesAndDeletes)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.database->LoadIntoMemory());
    ASSERT_TRUE(db.database->Append(MakeRecord(5000)));
    AlarmRecord changed = MakeRecord(1001);
    changed.SetField(AlarmField::ConfirmUser, "x");
    ASSERT_TRUE(db.database->Update(1, changed));
    std::vector<int> drop{0};
    ASSERT_TRUE(db.database->DeleteRecords(drop));
    std::vector<AlarmRecord> expected{changed, MakeRecord(1002), MakeRecord(5000)};
    EXPECT_EQ(ReadAll(*db.database), expected);
    EXPECT_EQ(FileBytes(), EncodeRecords(expected));
    db.database->Close();
    EXPECT_FALSE(db.database->InMemory());
}
