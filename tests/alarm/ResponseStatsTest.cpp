// Response times: what the station notes for each alarm, and the figures
// over a period checked against percentiles computed by hand.
#include "alarm/ResponseStats.h"

#include "AlarmFixture.h"
#include "alarm/AlarmWindowManager.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kGroupContact = 10004;

class ResponseStatsTest : public AlarmFixture {};

// Five confirmed alarms of priority 0 after 12, 25, 31, 59 and 120 s, one of
// priority 2 after 8 s, one of priority 0 never confirmed.
constexpr std::string_view kLog = "A\t1000000\t0\t10004\t10.0.0.1\n"
                                  "S\t1000000\t1002000\n"
                                  "C\t1000000\t1012000\tanna\n"
                                  "A\t2000000\t0\t10004\t10.0.0.1\n"
                                  "C\t2000000\t2025000\tbernd\n"
                                  "A\t3000000\t0\t10005\t10.0.0.2\n"
                                  "S\t3000000\t3004000\n"
                                  "S\t3000000\t3009000\n"
                                  "C\t3000000\t3031000\tanna\n"
                                  "A\t4000000\t0\t10004\t10.0.0.1\n"
                                  "E\t4000000\n"
                                  "C\t4000000\t4059000\tanna\n"
                                  "A\t5000000\t0\t10004\t10.0.0.1\n"
                                  "E\t5000000\n"
                                  "E\t5000000\n"
                                  "C\t5000000\t5120000\tbernd\n"
                                  "A\t6000000\t2\t10004\t10.0.0.1\n"
                                  "C\t6000000\t6008000\tanna\n"
                                  "A\t7000000\t0\t10004\t10.0.0.1\n"
                                  "garbage\n"
                                  "C\t9000000\t9001000\tnobody\n"
                                  "S\tx\t1\n";

ResponseQuery Query(ResponseGrouping grouping)
{
    ResponseQuery query;
    query.fromMs = 0;
    query.toMs = 8'000'000;
    query.grouping = grouping;
    return query;
}

} // namespace

TEST(NearestRank, PercentilesAsComputedByHand)
{
    struct Row {
        std::vector<int64_t> values;
        int percent;
        std::optional<int64_t> expected;
    };
    const Row rows[] = {
        {{}, 50, std::nullopt},
        {{7}, 90, 7},
        {{15, 20, 35, 40, 50}, 50, 35}, // rank ceil(2.5) = 3
        {{15, 20, 35, 40, 50}, 90, 50}, // rank ceil(4.5) = 5
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 50, 5},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 90, 9},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 90, 10}, // rank ceil(9.9) = 10
        {{1, 2, 3, 4}, 100, 4},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NearestRank(row.values, row.percent), row.expected) << row.percent;
}

TEST_F(ResponseStatsTest, FiguresPerPriorityMatchTheHandComputedOnes)
{
    std::vector<AlarmResponse> alarms = ResponseLog::Parse(kLog);
    ASSERT_EQ(alarms.size(), 7u);
    EXPECT_EQ(alarms[2].shownMs, 3004000); // the first showing counts
    std::vector<ResponseRow> rows = SummariseResponses(alarms, Query(ResponseGrouping::Priority));
    ASSERT_EQ(rows.size(), 3u);
    const ResponseRow& p0 = rows[0];
    EXPECT_EQ(p0.group, "Prio. 1");
    EXPECT_EQ(p0.count, 6);
    EXPECT_EQ(p0.confirmed, 5);
    EXPECT_EQ(p0.steps, 3);
    // 12, 25, 31, 59, 120 s: ranks 3 and 5.
    EXPECT_EQ(p0.medianMs, 31'000);
    EXPECT_EQ(p0.p90Ms, 120'000);
    EXPECT_EQ(p0.maxMs, 120'000);
    EXPECT_EQ(p0.medianShownMs, 2'000); // 2 and 4 s: rank 1
    EXPECT_DOUBLE_EQ(p0.withinShare[0], 2.0 / 6);
    EXPECT_DOUBLE_EQ(p0.withinShare[1], 4.0 / 6);
    EXPECT_DOUBLE_EQ(p0.withinShare[2], 4.0 / 6);
    EXPECT_EQ(rows[1].group, "Prio. 3");
    EXPECT_EQ(rows[1].medianMs, 8'000);
    EXPECT_EQ(rows[2].group, "Gesamt");
    EXPECT_EQ(rows[2].count, 7);
    // 8, 12, 25, 31, 59, 120 s: ranks 3 and 6.
    EXPECT_EQ(rows[2].medianMs, 25'000);
    EXPECT_EQ(rows[2].p90Ms, 120'000);
}

TEST_F(ResponseStatsTest, GroupsAndPeriod)
{
    std::vector<AlarmResponse> alarms = ResponseLog::Parse(kLog);
    struct Row {
        ResponseGrouping grouping;
        int64_t fromMs;
        std::vector<std::pair<std::string, int>> counts;
    };
    const Row rows[] = {
        {ResponseGrouping::Operator,
         0,
         {{"(unbestaetigt)", 1}, {"anna", 4}, {"bernd", 2}, {"Gesamt", 7}}},
        {ResponseGrouping::Recorder, 0, {{"10.0.0.1", 6}, {"10.0.0.2", 1}, {"Gesamt", 7}}},
        {ResponseGrouping::AlarmType, 3'000'000, {{"10004", 4}, {"10005", 1}, {"Gesamt", 5}}},
    };
    for (const Row& row : rows) {
        ResponseQuery query = Query(row.grouping);
        query.fromMs = row.fromMs;
        std::vector<std::pair<std::string, int>> counts;
        for (const ResponseRow& result : SummariseResponses(alarms, query))
            counts.emplace_back(result.group, result.count);
        EXPECT_EQ(counts, row.counts);
    }
}

TEST_F(ResponseStatsTest, CsvHasAHeadingAndSecondsPerRow)
{
    std::vector<AlarmResponse> alarms = ResponseLog::Parse(kLog);
    ResponseQuery query = Query(ResponseGrouping::Priority);
    query.fromMs = 6'000'000;
    std::string csv = ResponseCsv(SummariseResponses(alarms, query), {30, 60, 90});
    EXPECT_EQ(csv, "Gruppe;Anzahl;Bestaetigt;Median (s);90. Perzentil (s);Maximum (s);Median "
                   "angezeigt (s);Eskalationsstufen;Bis 30 s (%);Bis 60 s (%);Bis 90 s (%)\r\n"
                   "Prio. 1;1;0;;;;;0;0.0;0.0;0.0\r\n"
                   "Prio. 3;1;1;8.0;8.0;8.0;;0;100.0;100.0;100.0\r\n"
                   "Gesamt;2;1;8.0;8.0;8.0;;0;50.0;50.0;50.0\r\n");
}

TEST_F(ResponseStatsTest, TheStationNotesShowingConfirmationAndSteps)
{
    Setting(kGroupContact)->Child("Priority")->SetInt(0);
    ConfigNode* folder = FindConfigNode(*tree, {"Program", "Configuration", "Escalation"});
    EscalationSettings settings = ReadEscalationSettings(*folder);
    EscalationStep step;
    step.afterSeconds = 5;
    step.speaker = 0;
    settings.chains[0] = {step};
    WriteEscalationSettings(settings, *folder);
    int64_t arrival = Raise(kGroupContact);
    clock.source.AdvanceMs(6000);
    handling->Tick(clock.NowMs());
    ASSERT_TRUE(handling->Windows().ConfirmAlarm(OnlyWindow()));
    int64_t confirmed = clock.NowMs();
    handling->Tick(confirmed);
    std::vector<AlarmResponse> alarms = ResponseLog::Load(handling->Responses().Path());
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms[0].arrival, arrival);
    EXPECT_EQ(alarms[0].priority, 0);
    EXPECT_EQ(alarms[0].shownMs, arrival);
    EXPECT_EQ(alarms[0].confirmedMs, confirmed);
    EXPECT_EQ(alarms[0].user, "administrator");
    EXPECT_EQ(alarms[0].steps, 1);
}
