// The index of records that await an operator, checked against a full walk
// over the records after every step of random histories of appends,
// updates, deletes, reopenings and memory mode.
#include "db/AwaitingIndex.h"

#include "DbTestSupport.h"
#include "db/AlarmDatabase.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Expected {
    std::vector<AwaitingGroup> groups;
    std::vector<int> unconfirmed;
};

// What the alarm sound and the queue rule would find by reading every record.
Expected Walk(AlarmDatabase& database)
{
    std::map<std::tuple<std::string, int32_t, int32_t>, int64_t> counts;
    Expected expected;
    std::vector<AlarmRecord> records = ReadAll(database);
    for (int n = 0; n < static_cast<int>(records.size()); ++n) {
        const AlarmRecord& record = records[static_cast<size_t>(n)];
        int64_t state = ParseDecimal(record.Field(AlarmField::ConfirmState));
        if (state == 0 || state == 1)
            ++counts[{std::string(record.Field(AlarmField::Recorder)),
                      record.Int(AlarmField::AlarmType), record.Int(AlarmField::CameraID)}];
        if (record.Field(AlarmField::Confirmed) != "1")
            expected.unconfirmed.push_back(n);
    }
    for (const auto& [key, count] : counts)
        expected.groups.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), count});
    return expected;
}

void SetRandomState(std::mt19937& random, AlarmRecord& record)
{
    static const char* const kConfirmed[] = {"0", "1", "1", "", "01", "x"};
    static const char* const kStates[] = {"0", "1", "2", "3", "", "7", "-1", " 1"};
    record.SetField(AlarmField::Confirmed, kConfirmed[random() % std::size(kConfirmed)]);
    record.SetField(AlarmField::ConfirmState, kStates[random() % std::size(kStates)]);
    record.SetNumber(AlarmField::AutoConfirmed, random() % 2);
}

AlarmRecord RandomAlarm(std::mt19937& random, int64_t arrival)
{
    static const char* const kRecorders[] = {"10.0.0.1", "10.0.0.2", "host.example", ""};
    AlarmRecord record = MakeRecord(arrival, 10000 + static_cast<int>(random() % 3),
                                    kRecorders[random() % std::size(kRecorders)],
                                    static_cast<int>(random() % 3) - 1);
    SetRandomState(random, record);
    return record;
}

} // namespace

TEST(AwaitingIndex, CountsGroupsAndKeepsTheUnconfirmedInOrder)
{
    AwaitingIndex index;
    AlarmRecord open = MakeRecord(1, 10005, "a", 2);
    AlarmRecord automatic = MakeRecord(2, 10005, "a", 2);
    automatic.SetField(AlarmField::Confirmed, "1");
    automatic.SetField(AlarmField::AutoConfirmed, "1");
    AlarmRecord done = MakeRecord(3, 10005, "b", 0);
    done.SetField(AlarmField::Confirmed, "1");
    done.SetField(AlarmField::ConfirmState, "2");
    index.Add(0, open);
    index.Add(1, automatic);
    index.Add(2, done);
    EXPECT_EQ(index.AwaitingGroups(), (std::vector<AwaitingGroup>{{"a", 10005, 2, 2}}));
    EXPECT_EQ(index.AwaitingCount(), 2);
    EXPECT_EQ(index.Unconfirmed(), (std::vector<int>{0}));

    AlarmRecord postponed = done;
    postponed.SetField(AlarmField::Confirmed, "0");
    postponed.SetField(AlarmField::ConfirmState, "3");
    index.Change(2, done, postponed);
    EXPECT_EQ(index.Unconfirmed(), (std::vector<int>{0, 2}));
    index.Change(0, open, done);
    EXPECT_EQ(index.AwaitingGroups(), (std::vector<AwaitingGroup>{{"a", 10005, 2, 1}}));
    EXPECT_EQ(index.Unconfirmed(), (std::vector<int>{2}));
}

TEST(AwaitingIndexHistory, MatchesAFullWalkAfterEveryStep)
{
    TempDir dir;
    DbFixture db(dir.Path());
    ASSERT_TRUE(db.Open());
    std::mt19937 random(42);
    int64_t arrival = 1000;
    bool inSlices = false;
    bool askedEarly = false;
    int completions = 0;
    for (int step = 0; step < 600; ++step) {
        AlarmDatabase& database = *db.database;
        int count = database.RecordCount();
        unsigned action = random() % 100;
        if (action < 45 || count == 0) {
            ASSERT_TRUE(database.Append(RandomAlarm(random, arrival++)));
        } else if (action < 85) {
            int number = static_cast<int>(random() % static_cast<unsigned>(count));
            AlarmRecord record;
            ASSERT_TRUE(database.Read(number, record));
            SetRandomState(random, record);
            ASSERT_TRUE(database.Update(number, record));
        } else if (action < 93) {
            std::vector<int> drop;
            for (int i = 0; i < 1 + static_cast<int>(random() % 4); ++i)
                drop.push_back(static_cast<int>(random() % static_cast<unsigned>(count)));
            if (random() % 10 == 0) {
                drop.resize(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i)
                    drop[static_cast<size_t>(i)] = i;
            }
            ASSERT_TRUE(database.DeleteRecords(drop));
        } else if (action < 97) {
            // A reopening builds the index on first use, or a slice at a
            // time while the records change.
            db.keys.held = random() % 2 == 0;
            database.Close();
            ASSERT_TRUE(db.Open());
            inSlices = random() % 2 == 0;
            askedEarly = false;
            completions = 0;
            database.BuildIndexInSlices(
                inSlices ? AlarmDatabase::IndexCompleted([&](bool, bool) { ++completions; })
                         : nullptr);
        } else {
            ASSERT_TRUE(database.LoadIntoMemory());
        }
        if (inSlices && database.BuildIndexSlice(1 + static_cast<int>(random() % 4)) &&
            askedEarly) {
            EXPECT_EQ(completions, 1) << "step " << step;
            askedEarly = false;
            completions = 0;
        }
        // Ask only now and then, so that changes pile up between questions.
        if (random() % 3 != 0 && step != 599)
            continue;
        Expected expected = Walk(database);
        std::vector<int> unconfirmed = database.UnconfirmedRecords();
        if (!database.IndexComplete()) {
            // Early answers cover the records up to where the index has come.
            askedEarly = true;
            ASSERT_LE(unconfirmed.size(), expected.unconfirmed.size()) << "step " << step;
            expected.unconfirmed.resize(unconfirmed.size());
            ASSERT_EQ(unconfirmed, expected.unconfirmed) << "step " << step;
            continue;
        }
        ASSERT_EQ(database.AwaitingGroups(), expected.groups) << "step " << step;
        ASSERT_EQ(unconfirmed, expected.unconfirmed) << "step " << step;
        // The first of them from the second recorder with type 10001.
        std::vector<AlarmRecord> records = ReadAll(database);
        auto wanted = std::find_if(unconfirmed.begin(), unconfirmed.end(), [&](int n) {
            const AlarmRecord& record = records[static_cast<size_t>(n)];
            return record.Field(AlarmField::Recorder) == "10.0.0.2" &&
                   record.Int(AlarmField::AlarmType) == 10001;
        });
        ASSERT_EQ(database.FirstUnconfirmed([](const std::string& recorder, int32_t type, int32_t) {
            return recorder == "10.0.0.2" && type == 10001;
        }),
                  wanted == unconfirmed.end() ? -1 : *wanted)
            << "step " << step;
    }
}
