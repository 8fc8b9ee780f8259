// The alarm table as the live-view program sees it in /dev/shm: header and
// records byte for byte, cutting of texts, replacement of the oldest alarm at
// capacity, removal, the shown alarm, and tables the station must not use.
#include "links/AlarmTable.h"

#include "LinksTestSupport.h"
#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/SharedMapping.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using Layout = AlarmTableLayout;

std::string I32(int32_t value)
{
    std::string bytes(4, '\0');
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string I64(int64_t value)
{
    std::string bytes(8, '\0');
    StoreI64(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string Field(const std::string& text, size_t size)
{
    std::string bytes = text;
    bytes.resize(size, '\0');
    return bytes;
}

std::string RecordAt(const std::string& table, size_t index)
{
    return table.substr(Layout::kHeaderSize + index * Layout::kRecordSize, Layout::kRecordSize);
}

class AlarmTableTest : public ::testing::Test {
protected:
    std::string Object() const { return m_scope.ReadObject("KXSW"); }
    int32_t Count() const
    {
        return LoadI32(reinterpret_cast<const uint8_t*>(Object().data()) + Layout::kCountAt);
    }

    ShmScope m_scope;
    AlarmTable m_table{m_scope.Prefix()};
};

TEST_F(AlarmTableTest, AttachLaysOutAnEmptyTable)
{
    ASSERT_TRUE(m_table.Attach());
    EXPECT_TRUE(m_table.IsValid());
    std::string table = Object();
    ASSERT_EQ(table.size(), 116'028u);
    EXPECT_EQ(table.substr(0, 28), I32(2) + I32(0) + I32(28) + I32(116) + I32(1000) + I64(0));
    EXPECT_EQ(table.substr(28), std::string(116'000, '\0'));
    struct stat status {};
    ASSERT_EQ(::stat(m_scope.PathOf("KXSW").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(m_scope.PathOf("KXSWMutex").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(AlarmTableTest, AddAlarmWritesTheRecordByteForByte)
{
    ASSERT_TRUE(m_table.Attach());
    ASSERT_TRUE(m_table.AddAlarm("Tor Nord", 3, "Spur1", 13'300'000'000'123, 2));
    ASSERT_TRUE(m_table.AddAlarm("Lager", 0, "", -5, 0));
    std::string table = Object();
    EXPECT_EQ(table.substr(4, 4), I32(2));
    EXPECT_EQ(RecordAt(table, 0), Field("Tor Nord", 90) + Field("Spur1", 10) + I32(3) + I32(2) +
                                      I64(13'300'000'000'123));
    EXPECT_EQ(RecordAt(table, 1), Field("Lager", 90) + Field("", 10) + I32(0) + I32(0) + I64(-5));
}

TEST_F(AlarmTableTest, LongTextsAreCutToTheirFields)
{
    ASSERT_TRUE(m_table.Attach());
    ASSERT_TRUE(m_table.AddAlarm(std::string(120, 'R'), 1, "Zwoelf_Zeich", 1, 1));
    std::string record = RecordAt(Object(), 0);
    EXPECT_EQ(record.substr(0, 90), std::string(89, 'R') + '\0');
    EXPECT_EQ(record.substr(90, 10), std::string("Zwoelf_Ze") + '\0');
}

TEST_F(AlarmTableTest, TextsAreCutOnACharacterAndLoseControlBytes)
{
    ASSERT_TRUE(m_table.Attach());
    // The ninth byte of the track name would be the first half of a "ü".
    ASSERT_TRUE(m_table.AddAlarm("A\r\nB", 1, "12345678\xc3\xbc", 1, 1));
    std::string record = RecordAt(Object(), 0);
    EXPECT_EQ(record.substr(0, 5), std::string("A  B\0", 5));
    EXPECT_EQ(record.substr(90, 10), Field("12345678", 10));
}

TEST_F(AlarmTableTest, The1001stAlarmReplacesTheOldestAndTheCountStays)
{
    ASSERT_TRUE(m_table.Attach());
    for (int i = 0; i < 1000; ++i) {
        // Record 500 is the oldest; 700 and 800 tie for second place.
        int64_t arrival = i == 500 ? 5 : (i == 700 || i == 800) ? 7 : 1000 + i;
        ASSERT_TRUE(m_table.AddAlarm("R" + std::to_string(i), i, "", arrival, 1));
    }
    EXPECT_EQ(Count(), 1000);
    ASSERT_TRUE(m_table.AddAlarm("neu", 1, "", 99'999, 4));
    EXPECT_EQ(Count(), 1000);
    std::string table = Object();
    EXPECT_EQ(RecordAt(table, 500),
              Field("neu", 90) + Field("", 10) + I32(1) + I32(4) + I64(99'999));
    EXPECT_EQ(RecordAt(table, 499).substr(0, 5), Field("R499", 5));
    ASSERT_TRUE(m_table.AddAlarm("zwei", 2, "", 100'000, 4));
    table = Object();
    EXPECT_EQ(RecordAt(table, 700).substr(0, 5), Field("zwei", 5));
    EXPECT_EQ(RecordAt(table, 800).substr(0, 5), Field("R800", 5));
}

// Against a plain model of the table: adds with times old and new (ties
// too), removals by the station and by another program, in a full table.
TEST_F(AlarmTableTest, AFullTableAlwaysGivesUpItsFirstOldestRecord)
{
    ASSERT_TRUE(m_table.Attach());
    AlarmTable viewer(m_scope.Prefix());
    ASSERT_TRUE(viewer.Attach());
    std::vector<int64_t> model;
    std::mt19937 random(18);
    int64_t next = 1000;
    for (int step = 0; step < 6000; ++step) {
        unsigned roll = random() % 100;
        if (roll < 4 && !model.empty()) {
            int64_t arrival = model[random() % model.size()];
            ASSERT_TRUE((roll < 2 ? m_table : viewer).RemoveAlarm(arrival));
            model.erase(std::ranges::find(model, arrival));
            continue;
        }
        int64_t arrival = roll < 10 ? static_cast<int64_t>(random() % 1500) + 500 : next++;
        ASSERT_TRUE(m_table.AddAlarm("R", 0, "", arrival, 1));
        if (model.size() < 1000)
            model.push_back(arrival);
        else
            *std::ranges::min_element(model) = arrival;
    }
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    ASSERT_TRUE(viewer.Read(records, shown));
    ASSERT_EQ(records.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i)
        ASSERT_EQ(records[i].arrival, model[i]) << i;
}

TEST_F(AlarmTableTest, RemoveAlarmMovesLaterRecordsDown)
{
    ASSERT_TRUE(m_table.Attach());
    m_table.AddAlarm("A", 0, "", 10, 1);
    m_table.AddAlarm("B", 1, "", 20, 1);
    m_table.AddAlarm("C", 2, "", 30, 1);
    std::string before = Object();
    ASSERT_TRUE(m_table.RemoveAlarm(20));
    std::string after = Object();
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(RecordAt(after, 0), RecordAt(before, 0));
    EXPECT_EQ(RecordAt(after, 1), RecordAt(before, 2));
}

TEST_F(AlarmTableTest, RemovingAnUnknownTimeChangesNothing)
{
    ASSERT_TRUE(m_table.Attach());
    m_table.AddAlarm("A", 0, "", 10, 1);
    std::string before = Object();
    EXPECT_FALSE(m_table.RemoveAlarm(11));
    EXPECT_EQ(Object(), before);
}

TEST_F(AlarmTableTest, SetShownAlarmWritesTheHeaderField)
{
    ASSERT_TRUE(m_table.Attach());
    ASSERT_TRUE(m_table.SetShownAlarm(13'300'000'000'999));
    EXPECT_EQ(Object().substr(20, 8), I64(13'300'000'000'999));
    ASSERT_TRUE(m_table.SetShownAlarm(0));
    EXPECT_EQ(Object().substr(20, 8), I64(0));
}

TEST_F(AlarmTableTest, ASecondAttachUsesTheSameTable)
{
    ASSERT_TRUE(m_table.Attach());
    m_table.AddAlarm("A", 4, "T", 10, 3);
    m_table.SetShownAlarm(10);
    AlarmTable viewer(m_scope.Prefix());
    ASSERT_TRUE(viewer.Attach());
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    ASSERT_TRUE(viewer.Read(records, shown));
    EXPECT_EQ(records, (std::vector<AlarmTableRecord>{{"A", "T", 4, 3, 10}}));
    EXPECT_EQ(shown, 10);
}

TEST_F(AlarmTableTest, TableOfAnotherVersionIsNotUsed)
{
    SharedMapping other;
    ASSERT_EQ(other.Attach(m_scope.Prefix() + "KXSW", Layout::kSize, SharedCreate::OpenOrCreate,
                           SharedAccess::Group),
              AttachResult::Attached);
    StoreI32(other.Data(), 3);
    EXPECT_FALSE(m_table.Attach());
    EXPECT_FALSE(m_table.IsValid());
    EXPECT_FALSE(m_table.AddAlarm("A", 0, "", 1, 1));
    EXPECT_FALSE(m_table.RemoveAlarm(1));
    EXPECT_FALSE(m_table.SetShownAlarm(1));
    EXPECT_EQ(LoadI32(other.Data() + Layout::kCountAt), 0);
}

TEST_F(AlarmTableTest, TooSmallTableOfAnotherProgramIsNotUsed)
{
    SharedMapping other;
    ASSERT_EQ(other.Attach(m_scope.Prefix() + "KXSW", 100, SharedCreate::OpenOrCreate,
                           SharedAccess::Group),
              AttachResult::Attached);
    StoreI32(other.Data(), 2);
    EXPECT_FALSE(m_table.Attach());
}

TEST_F(AlarmTableTest, CountsOutsideTheTableAreKeptWithinIt)
{
    ASSERT_TRUE(m_table.Attach());
    SharedMapping other;
    ASSERT_EQ(other.Attach(m_scope.Prefix() + "KXSW", Layout::kSize, SharedCreate::OpenOrCreate,
                           SharedAccess::Group),
              AttachResult::Attached);
    StoreI32(other.Data() + Layout::kCountAt, 5000);
    EXPECT_TRUE(m_table.AddAlarm("A", 0, "", 1, 1));
    EXPECT_FALSE(m_table.RemoveAlarm(12345));
    StoreI32(other.Data() + Layout::kCountAt, -7);
    EXPECT_TRUE(m_table.AddAlarm("B", 0, "", 2, 1));
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(RecordAt(Object(), 0).substr(0, 2), Field("B", 2));
}

} // namespace
