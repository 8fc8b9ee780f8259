// The database view: file order, the list filter, the sort codes with their
// rules for numbers, texts and ties, keys from a key source, and where a new
// or changed record enters a filtered and sorted view.
#include "DbTestSupport.h"
#include "db/AlarmDatabase.h"
#include "db/RecordFilter.h"
#include "db/SortKeySource.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class PredicateFilter final : public RecordFilter {
public:
    explicit PredicateFilter(std::function<bool(const AlarmRecord&)> predicate)
        : m_predicate(std::move(predicate))
    {
    }
    void BeginPass() override { ++passes; }
    void EndPass() override { ++ended; }
    bool Matches(const AlarmRecord& record) override { return m_predicate(record); }
    int passes = 0;
    int ended = 0;

private:
    std::function<bool(const AlarmRecord&)> m_predicate;
};

// Code 101: a text taken from the recorder's last character; 102: the
// camera number times ten.
class FakeKeys final : public SortKeySource {
public:
    SortKeyKind KindOf(int code) const override
    {
        if (code == 101)
            return SortKeyKind::Text;
        if (code == 102)
            return SortKeyKind::Number;
        return SortKeyKind::None;
    }
    int64_t NumberKey(int, const AlarmRecord& record) override
    {
        ++asked;
        return record.Int(AlarmField::CameraID) * 10;
    }
    void TextKey(int, const AlarmRecord& record, std::string& key) override
    {
        ++asked;
        std::string_view recorder = record.Field(AlarmField::Recorder);
        key = recorder.empty() ? "" : std::string("Title ") + recorder.back();
    }
    // With the fields named, the database asks once per distinct combination.
    std::vector<AlarmField> KeyFields(int code) const override
    {
        if (!namesFields || KindOf(code) == SortKeyKind::None)
            return {};
        return {AlarmField::Recorder, AlarmField::CameraID};
    }
    void BeginPass() override { ++passes; }
    int asked = 0;
    int passes = 0;
    bool namesFields = false;
};

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return lower;
}

// The order the alarm list's comparisons give, written from their rules.
bool ReferenceBefore(int code, SortDirection direction, const AlarmRecord& a, int numberA,
                     const AlarmRecord& b, int numberB)
{
    bool ascending = direction == SortDirection::Ascending;
    if (code == 0)
        return ascending ? numberA < numberB : numberA > numberB;
    auto rank = [](const AlarmRecord& r) {
        int state = static_cast<int>(ParseDecimal(r.Field(AlarmField::ConfirmState)));
        if (state == 1 || state == 3)
            return 1;
        if (ParseDecimal(r.Field(AlarmField::AutoConfirmed)) == 1)
            return 3;
        if (ParseDecimal(r.Field(AlarmField::Confirmed)) == 1)
            return 2;
        return 0;
    };
    const AlarmField textFields[] = {AlarmField::Recorder, AlarmField::AddInfo,
                                     AlarmField::ConfirmUser, AlarmField::ConfirmComment};
    const int textCodes[] = {2, 6, 8, 9};
    for (int i = 0; i < 4; ++i) {
        if (code != textCodes[i])
            continue;
        std::string x = Lower(a.Field(textFields[i]));
        std::string y = Lower(b.Field(textFields[i]));
        if (x != y)
            return ascending ? x > y : x < y;
        return numberA > numberB;
    }
    int64_t x = 0;
    int64_t y = 0;
    switch (code) {
    case 1:
        x = ParseDecimal(a.Field(AlarmField::TimeDeparture));
        y = ParseDecimal(b.Field(AlarmField::TimeDeparture));
        break;
    case 3:
        x = a.Int(AlarmField::CameraID);
        y = b.Int(AlarmField::CameraID);
        break;
    case 4:
        x = a.Int(AlarmField::TrackID);
        y = b.Int(AlarmField::TrackID);
        break;
    case 5:
        x = a.Int(AlarmField::AlarmType);
        y = b.Int(AlarmField::AlarmType);
        break;
    case 7:
        x = rank(a);
        y = rank(b);
        break;
    case 11:
        x = ParseDecimal(a.Field(AlarmField::ActionTime));
        y = ParseDecimal(b.Field(AlarmField::ActionTime));
        break;
    case 102:
        x = a.Int(AlarmField::CameraID) * 10;
        y = b.Int(AlarmField::CameraID) * 10;
        break;
    case 101: {
        std::string_view ra = a.Field(AlarmField::Recorder);
        std::string_view rb = b.Field(AlarmField::Recorder);
        std::string ta = ra.empty() ? "" : Lower(std::string("Title ") + ra.back());
        std::string tb = rb.empty() ? "" : Lower(std::string("Title ") + rb.back());
        if (ta != tb)
            return ascending ? ta > tb : ta < tb;
        return numberA > numberB;
    }
    }
    if (x != y)
        return ascending ? x < y : x > y;
    return numberA > numberB;
}

std::vector<int> ReferenceView(const std::vector<AlarmRecord>& records,
                               const std::function<bool(const AlarmRecord&)>& filter, int code,
                               SortDirection direction)
{
    std::vector<int> view;
    for (int i = 0; i < static_cast<int>(records.size()); ++i) {
        if (!filter || filter(records[static_cast<size_t>(i)]))
            view.push_back(i);
    }
    std::sort(view.begin(), view.end(), [&](int a, int b) {
        return ReferenceBefore(code, direction, records[static_cast<size_t>(a)], a,
                               records[static_cast<size_t>(b)], b);
    });
    return view;
}

// Records with few distinct values per field, so that ties are common.
AlarmRecord RandomRecord(std::mt19937& random, int64_t arrival)
{
    static const char* const kTexts[] = {"alpha", "Alpha",   "beta",     "BETA",
                                         "",      "gamma 1", "Gamma 10", "_under",
                                         "Zulu",  "zulu",    "[x]",      "\xc3\xa4rger"};
    auto text = [&] { return kTexts[random() % std::size(kTexts)]; };
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, arrival);
    record.SetNumber(AlarmField::TimeDeparture, static_cast<int64_t>(random() % 5) - 1);
    record.SetField(AlarmField::Recorder, text());
    record.SetNumber(AlarmField::CameraID, static_cast<int>(random() % 4) - 1);
    record.SetNumber(AlarmField::TrackID, static_cast<int>(random() % 3) - 1);
    record.SetNumber(AlarmField::AlarmType, 10000 + static_cast<int>(random() % 4));
    record.SetField(AlarmField::AddInfo, text());
    record.SetNumber(AlarmField::Confirmed, random() % 2);
    record.SetField(AlarmField::ConfirmUser, text());
    record.SetField(AlarmField::ConfirmComment, text());
    record.SetNumber(AlarmField::ConfirmState, random() % 5);
    record.SetNumber(AlarmField::ActionTime,
                     static_cast<int64_t>(random() % 3) * 1'000'000'000'000);
    record.SetNumber(AlarmField::AutoConfirmed, random() % 2);
    return record;
}

class ViewTest : public ::testing::Test {
protected:
    TempDir dir;
    DbFixture db{dir.Path()};

    void OpenWith(const std::vector<AlarmRecord>& records)
    {
        WriteFileBytes(db.DbPath(), EncodeRecords(records));
        ASSERT_TRUE(db.Open());
    }

    // `count` random records arriving from 1000 on, stored and opened.
    std::vector<AlarmRecord> OpenRandom(std::mt19937& random, int count)
    {
        std::vector<AlarmRecord> records;
        for (int i = 0; i < count; ++i)
            records.push_back(RandomRecord(random, 1000 + i));
        OpenWith(records);
        return records;
    }
};

AlarmRecord WithText(int64_t arrival, AlarmField field, std::string_view text)
{
    AlarmRecord record = MakeRecord(arrival);
    record.SetField(field, text);
    return record;
}

AlarmRecord WithNumber(int64_t arrival, AlarmField field, int64_t value)
{
    AlarmRecord record = MakeRecord(arrival);
    record.SetNumber(field, value);
    return record;
}

const int kSortCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 101, 102};

} // namespace

TEST_F(ViewTest, CodeZeroIsFileOrderOrItsReverse)
{
    WriteRecordFile(db.DbPath(), 4);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.database->SortView(0, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 2, 1, 0}));
    ASSERT_TRUE(db.database->SortView(0, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ViewTest, NumbersAscendingPutTheSmallestFirstAndTiesTheNewestFirst)
{
    OpenWith({WithNumber(1, AlarmField::CameraID, 5), WithNumber(2, AlarmField::CameraID, -1),
              WithNumber(3, AlarmField::CameraID, 5), WithNumber(4, AlarmField::CameraID, 12)});
    ASSERT_TRUE(db.database->SortView(3, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1, 2, 0, 3}));
    ASSERT_TRUE(db.database->SortView(3, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 2, 0, 1}));
    EXPECT_EQ(db.database->SortCode(), 3);
    EXPECT_EQ(db.database->SortOrder(), SortDirection::Descending);
}

TEST_F(ViewTest, SixtyFourBitTimesCompareAsNumbers)
{
    OpenWith({WithNumber(1, AlarmField::TimeDeparture, 12'000'000'000'000),
              WithNumber(2, AlarmField::TimeDeparture, 9'000'000'000'000),
              WithNumber(3, AlarmField::TimeDeparture, -1)});
    ASSERT_TRUE(db.database->SortView(1, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{2, 1, 0}));
}

TEST_F(ViewTest, TextsAscendingRunFromZToAIgnoringCase)
{
    OpenWith({WithText(1, AlarmField::AddInfo, "banana"), WithText(2, AlarmField::AddInfo, "Apple"),
              WithText(3, AlarmField::AddInfo, "cherry"), WithText(4, AlarmField::AddInfo, "APPLE"),
              WithText(5, AlarmField::AddInfo, "Banana2")});
    ASSERT_TRUE(db.database->SortView(6, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{2, 4, 0, 3, 1}));
    ASSERT_TRUE(db.database->SortView(6, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 1, 0, 4, 2}));
}

TEST_F(ViewTest, ConfirmationRankOrdersPostponedAutomaticConfirmedOpen)
{
    AlarmRecord open = MakeRecord(1);
    AlarmRecord postponed = MakeRecord(2);
    postponed.SetField(AlarmField::ConfirmState, "3");
    postponed.SetField(AlarmField::Confirmed, "1");
    AlarmRecord automatic = MakeRecord(3);
    automatic.SetField(AlarmField::AutoConfirmed, "1");
    automatic.SetField(AlarmField::Confirmed, "1");
    AlarmRecord confirmed = MakeRecord(4);
    confirmed.SetField(AlarmField::Confirmed, "1");
    confirmed.SetField(AlarmField::ConfirmState, "2");
    OpenWith({automatic, open, confirmed, postponed});
    ASSERT_TRUE(db.database->SortView(7, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1, 3, 2, 0}));
}

TEST_F(ViewTest, UnknownCodesFailAndLeaveTheViewAsItWas)
{
    OpenWith({WithNumber(1, AlarmField::TrackID, 3), WithNumber(2, AlarmField::TrackID, 1)});
    ASSERT_TRUE(db.database->SortView(4, SortDirection::Ascending));
    for (int code : {10, 12, -1, 100, 101, 102}) {
        EXPECT_FALSE(db.database->SortView(code, SortDirection::Ascending)) << code;
        EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1, 0}));
        EXPECT_EQ(db.database->SortCode(), 4);
    }
}

TEST_F(ViewTest, KeySourceSuppliesCodesTheRecordDoesNotHold)
{
    OpenWith({MakeRecord(1, 10005, "r1", 2), MakeRecord(2, 10005, "r3", 0),
              MakeRecord(3, 10005, "r2", 1)});
    FakeKeys keys;
    db.database->SetSortKeySource(&keys);
    ASSERT_TRUE(db.database->SortView(102, SortDirection::Ascending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(keys.asked, 3);
    EXPECT_EQ(keys.passes, 1);
    ASSERT_TRUE(db.database->SortView(101, SortDirection::Descending));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{0, 2, 1}));
    EXPECT_FALSE(db.database->SortView(103, SortDirection::Ascending));
}

TEST_F(ViewTest, EveryCodeSortsLikeTheReferenceComparisons)
{
    std::mt19937 random(7);
    std::vector<AlarmRecord> records = OpenRandom(random, 300);
    FakeKeys keys;
    db.database->SetSortKeySource(&keys);
    for (int code : kSortCodes) {
        for (SortDirection direction : {SortDirection::Ascending, SortDirection::Descending}) {
            ASSERT_TRUE(db.database->SortView(code, direction));
            EXPECT_EQ(ViewOf(*db.database), ReferenceView(records, {}, code, direction))
                << "code " << code;
        }
    }
}

TEST_F(ViewTest, FilterKeepsOnlyMatchingRecordsAndClearingShowsAllAgain)
{
    std::mt19937 random(11);
    std::vector<AlarmRecord> records = OpenRandom(random, 50);
    auto unconfirmed = [](const AlarmRecord& r) { return r.Field(AlarmField::Confirmed) == "0"; };
    PredicateFilter filter(unconfirmed);
    db.database->SetViewFilter(&filter);
    ASSERT_TRUE(db.database->SortView(2, SortDirection::Descending));
    db.database->SetFilterActive();
    EXPECT_TRUE(db.database->IsFilterActive());
    EXPECT_EQ(filter.passes, 1);
    EXPECT_EQ(filter.ended, 1);
    // The sort order stays; the filtered view is sorted by it.
    EXPECT_EQ(ViewOf(*db.database),
              ReferenceView(records, unconfirmed, 2, SortDirection::Descending));
    for (SortDirection direction : {SortDirection::Ascending, SortDirection::Descending}) {
        for (int code : {0, 5, 9}) {
            ASSERT_TRUE(db.database->SortView(code, direction));
            EXPECT_EQ(ViewOf(*db.database), ReferenceView(records, unconfirmed, code, direction));
        }
    }
    db.database->ClearFilter();
    EXPECT_FALSE(db.database->IsFilterActive());
    EXPECT_EQ(ViewOf(*db.database), ReferenceView(records, {}, 9, SortDirection::Descending));
}

TEST_F(ViewTest, AppendedRecordTakesItsPlaceInTheSortedFilteredView)
{
    std::mt19937 random(3);
    FakeKeys keys;
    db.database->SetSortKeySource(&keys);
    std::function<bool(const AlarmRecord&)> someTypes = [](const AlarmRecord& r) {
        return r.Int(AlarmField::AlarmType) != 10002;
    };
    PredicateFilter filter(someTypes);
    db.database->SetViewFilter(&filter);
    for (int round = 0; round < 12; ++round) {
        std::vector<AlarmRecord> records;
        for (int i = 0; i < 40; ++i)
            records.push_back(RandomRecord(random, 1000 + i));
        db.database->Close();
        WriteFileBytes(db.DbPath(), EncodeRecords(records));
        ASSERT_TRUE(db.Open());
        int code = kSortCodes[static_cast<size_t>(round) % std::size(kSortCodes)];
        SortDirection direction =
            round % 2 == 0 ? SortDirection::Ascending : SortDirection::Descending;
        bool filtered = round % 3 != 0;
        if (filtered)
            db.database->SetFilterActive();
        ASSERT_TRUE(db.database->SortView(code, direction));
        for (int i = 0; i < 30; ++i) {
            AlarmRecord record = RandomRecord(random, 2000 + i);
            records.push_back(record);
            ASSERT_TRUE(db.database->Append(record));
            std::vector<int> expected =
                ReferenceView(records, filtered ? someTypes : nullptr, code, direction);
            ASSERT_EQ(ViewOf(*db.database), expected) << "code " << code;
            int newest = static_cast<int>(records.size()) - 1;
            auto at = std::find(expected.begin(), expected.end(), newest);
            int position = at == expected.end() ? -1 : static_cast<int>(at - expected.begin());
            EXPECT_EQ(db.database->LastPosition(), position);
        }
    }
}

TEST_F(ViewTest, NewAlarmEntersAtTheTopOfANewestFirstView)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    ASSERT_TRUE(db.database->SortView(0, SortDirection::Descending));
    ASSERT_TRUE(db.database->Append(MakeRecord(5000)));
    EXPECT_EQ(db.database->LastPosition(), 0);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{3, 2, 1, 0}));
    ASSERT_TRUE(db.database->SortView(0, SortDirection::Ascending));
    ASSERT_TRUE(db.database->Append(MakeRecord(5001)));
    EXPECT_EQ(db.database->LastPosition(), 4);
}

TEST_F(ViewTest, RecordThatFailsTheFilterStaysOutOfTheView)
{
    WriteRecordFile(db.DbPath(), 3);
    ASSERT_TRUE(db.Open());
    PredicateFilter filter([](const AlarmRecord& r) { return r.Int(AlarmField::CameraID) == 7; });
    db.database->SetViewFilter(&filter);
    db.database->SetFilterActive();
    EXPECT_EQ(db.database->ViewCount(), 0);
    ASSERT_TRUE(db.database->Append(MakeRecord(10)));
    EXPECT_EQ(db.database->ViewCount(), 0);
    EXPECT_EQ(db.database->LastPosition(), -1);
    ASSERT_TRUE(db.database->Append(MakeRecord(11, 10005, "x", 7)));
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{4}));
    EXPECT_EQ(db.database->LastPosition(), 0);
}

TEST_F(ViewTest, ChangedRecordLeavesOrEntersTheFilteredView)
{
    WriteRecordFile(db.DbPath(), 5);
    ASSERT_TRUE(db.Open());
    PredicateFilter filter(
        [](const AlarmRecord& r) { return r.Field(AlarmField::Confirmed) == "0"; });
    db.database->SetViewFilter(&filter);
    db.database->SetFilterActive();
    ASSERT_TRUE(db.database->SortView(0, SortDirection::Descending));
    AlarmRecord record;
    ASSERT_TRUE(db.database->Read(2, record));
    record.SetField(AlarmField::Confirmed, "1");
    ASSERT_TRUE(db.database->Update(2, record));
    db.database->ReevaluateRecord(2);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{4, 3, 1, 0}));
    record.SetField(AlarmField::Confirmed, "0");
    ASSERT_TRUE(db.database->Update(2, record));
    db.database->ReevaluateRecord(2);
    EXPECT_EQ(ViewOf(*db.database), (std::vector<int>{4, 3, 2, 1, 0}));
    db.database->ReevaluateRecord(2);
    EXPECT_EQ(db.database->ViewCount(), 5);
}

TEST_F(ViewTest, DeletingKeepsTheFilterAndTheOrder)
{
    std::mt19937 random(5);
    std::vector<AlarmRecord> records = OpenRandom(random, 30);
    auto typed = [](const AlarmRecord& r) { return r.Int(AlarmField::AlarmType) <= 10001; };
    PredicateFilter filter(typed);
    db.database->SetViewFilter(&filter);
    db.database->SetFilterActive();
    ASSERT_TRUE(db.database->SortView(8, SortDirection::Ascending));
    std::vector<int> drop{0, 5, 6, 29};
    ASSERT_TRUE(db.database->DeleteRecords(drop));
    std::vector<AlarmRecord> kept;
    for (int i = 0; i < 30; ++i) {
        if (std::find(drop.begin(), drop.end(), i) == drop.end())
            kept.push_back(records[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(ViewOf(*db.database), ReferenceView(kept, typed, 8, SortDirection::Ascending));
    EXPECT_EQ(db.database->SortCode(), 8);
    EXPECT_TRUE(db.database->IsFilterActive());
}

TEST_F(ViewTest, FullViewGrowsBy50000)
{
    ASSERT_TRUE(db.Open());
    ASSERT_EQ(db.database->ViewCapacity(), 50'000);
    ASSERT_TRUE(db.database->LoadIntoMemory());
    AlarmRecord record = MakeRecord(1);
    for (int i = 0; i < 50'000; ++i)
        ASSERT_TRUE(db.database->Append(record));
    EXPECT_EQ(db.database->ViewCapacity(), 50'000);
    ASSERT_TRUE(db.database->Append(record));
    EXPECT_EQ(db.database->ViewCapacity(), 100'000);
    EXPECT_EQ(db.database->ViewCount(), 50'001);
}

// The keys of a sort are kept in memory after the first sort; changed and
// appended records must sort by their new values.
TEST_F(ViewTest, SortingAgainAfterUpdatesAndAppendsUsesTheNewValues)
{
    std::mt19937 random(5);
    std::vector<AlarmRecord> records = OpenRandom(random, 60);
    FakeKeys keys;
    db.database->SetSortKeySource(&keys);
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 101, 102, -101, -102}) {
        keys.namesFields = code < 0;
        code = std::abs(code);
        ASSERT_TRUE(db.database->SortView(code, SortDirection::Ascending));
        for (int i = 0; i < 20; ++i) {
            auto number = static_cast<size_t>(random() % records.size());
            AlarmRecord changed = RandomRecord(random, 3000 + i);
            changed.SetField(AlarmField::TimeArrival,
                             records[number].Field(AlarmField::TimeArrival));
            ASSERT_TRUE(db.database->Update(static_cast<int>(number), changed));
            records[number] = changed;
            AlarmRecord added = RandomRecord(random, 5000 + static_cast<int>(records.size()));
            ASSERT_TRUE(db.database->Append(added));
            records.push_back(added);
        }
        for (SortDirection direction : {SortDirection::Descending, SortDirection::Ascending}) {
            ASSERT_TRUE(db.database->SortView(code, direction));
            EXPECT_EQ(ViewOf(*db.database), ReferenceView(records, {}, code, direction))
                << "code " << code << (keys.namesFields ? " by fields" : "");
        }
    }
}

// Texts too varied to keep in memory: the sort reads them from the file,
// before and after changes.
TEST_F(ViewTest, SortByTextsTooVariedToKeepStillOrdersRight)
{
    std::mt19937 random(9);
    std::vector<AlarmRecord> records;
    for (int i = 0; i < 20'000; ++i) {
        AlarmRecord record = RandomRecord(random, 1000 + i);
        record.SetField(AlarmField::AddInfo, std::to_string(random()) + std::string(110, 'x'));
        records.push_back(record);
    }
    OpenWith(records);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(db.database->SortView(6, SortDirection::Ascending));
        EXPECT_EQ(ViewOf(*db.database), ReferenceView(records, {}, 6, SortDirection::Ascending));
        EXPECT_LT(db.database->SortColumnBytes(), records.size());
        records[7] = records[3];
        ASSERT_TRUE(db.database->Update(7, records[7]));
        records.push_back(records[5]);
        ASSERT_TRUE(db.database->Append(records.back()));
    }
}
