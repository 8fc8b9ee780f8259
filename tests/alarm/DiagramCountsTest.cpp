// The bar diagram's and the trend's counts against a plain count over the
// database: the filtered view, every recorder and type, local hours and days
// across a change of summer time, and one arrival added on top.
#include "../db/DbTestSupport.h"
#include "alarm/RecorderTypeCounts.h"
#include "alarm/TrendCounts.h"
#include "config/Timestamp.h"
#include "db/RecordFilter.h"
#include "db/SortKeySource.h"
#include "testsupport/ScopedTimeZone.h"
#include "testsupport/TempDir.h"

#include <ctime>
#include <map>

#include <gtest/gtest.h>

namespace {

// Records of recorder .3 stay out of the view.
class NotRecorderThree final : public RecordFilter {
public:
    bool Matches(const AlarmRecord& record) override
    {
        return record.Field(AlarmField::Recorder) != "10.0.0.3";
    }
};

class TypePriorities final : public SortKeySource {
public:
    SortKeyKind KindOf(int) const override { return SortKeyKind::Number; }
    int64_t NumberKey(int, const AlarmRecord& record) override
    {
        return Of(record.Int(AlarmField::AlarmType));
    }
    void TextKey(int, const AlarmRecord&, std::string&) override {}
    static int64_t Of(int32_t type) { return type % 8; } // 6 and 7: no settings
};

// 2024-03-30 20:00 UTC, a day before the clocks go forward in Berlin.
constexpr int64_t kStartMs = (1'711'828'800LL + kUnixEpochSeconds) * 1000;

class DiagramCountsTest : public ::testing::Test {
protected:
    DiagramCountsTest()
    {
        std::vector<AlarmRecord> records;
        for (int i = 0; i < 600; ++i) {
            std::string recorder = "10.0.0." + std::to_string(i % 4);
            records.push_back(
                MakeRecord(kStartMs + int64_t{i} * 7 * 60'000, 10000 + i % 11, recorder, i % 3));
        }
        WriteFileBytes(db.DbPath(), EncodeRecords(records));
        EXPECT_TRUE(db.Open());
        db.database->SetViewFilter(&filter);
        db.database->SetFilterActive();
    }

    // The local hour or day of a stored time through the C library.
    static std::pair<int, int> LocalKey(int64_t ms, TrendStep step)
    {
        std::time_t seconds = ms / 1000 - kUnixEpochSeconds;
        std::tm local{};
        localtime_r(&seconds, &local);
        int day = local.tm_year * 400 + local.tm_yday;
        return {day, step == TrendStep::Hour ? local.tm_hour : 0};
    }

    ScopedTimeZone zone{"Europe/Berlin"};
    TempDir dir;
    DbFixture db{dir.Path()};
    NotRecorderThree filter;
    TypePriorities priorities;
};

} // namespace

TEST_F(DiagramCountsTest, BarsCountTheViewPerRecorderAndType)
{
    RecorderTypeCounts counts;
    counts.Build(*db.database);
    std::map<std::pair<std::string, int32_t>, int64_t> plain;
    for (const AlarmRecord& record : ReadAll(*db.database)) {
        if (filter.Matches(record))
            ++plain[{std::string(record.Field(AlarmField::Recorder)),
                     record.Int(AlarmField::AlarmType)}];
    }
    ASSERT_EQ(counts.Bars().size(), 3U);
    int64_t sum = 0;
    for (const auto& [key, count] : plain) {
        EXPECT_EQ(counts.Count(key.first, key.second), count) << key.first << " " << key.second;
        sum += count;
    }
    EXPECT_EQ(counts.Total(), sum);
    EXPECT_EQ(counts.Count("10.0.0.3", 10003), 0);

    counts.Add("10.0.0.9", 10042);
    counts.Add("10.0.0.1", 10001);
    EXPECT_EQ(counts.Count("10.0.0.9", 10042), 1);
    int64_t before = plain[{"10.0.0.1", 10001}];
    EXPECT_EQ(counts.Count("10.0.0.1", 10001), before + 1);
    EXPECT_EQ(counts.Bars().back().address, "10.0.0.9");
}

TEST_F(DiagramCountsTest, TrendCountsLocalHoursAndDaysByPriority)
{
    for (TrendStep step : {TrendStep::Hour, TrendStep::Day}) {
        TrendCounts counts(step);
        counts.Build(*db.database, priorities);
        std::map<std::pair<int, int>, PriorityCounts> plain;
        for (const AlarmRecord& record : ReadAll(*db.database)) {
            if (!filter.Matches(record))
                continue;
            int64_t priority = TypePriorities::Of(record.Int(AlarmField::AlarmType));
            ++plain[LocalKey(record.Number(AlarmField::TimeArrival), step)]
                   [static_cast<size_t>(std::min<int64_t>(priority, 6))];
        }
        ASSERT_EQ(counts.Buckets().size(), plain.size());
        for (const auto& [start, perPriority] : counts.Buckets())
            EXPECT_EQ(perPriority, plain[LocalKey(start, step)]) << start;
        // The night the clocks go forward has no 02:00 hour, its day 23 hours.
        if (step == TrendStep::Day) {
            auto day = std::next(counts.Buckets().begin());
            EXPECT_EQ(TrendCounts::BucketEnd(day->first, step) - day->first, 23 * 3'600'000);
        }
    }
}
