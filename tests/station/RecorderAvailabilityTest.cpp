// Availability figures from the record of state changes, against figures
// computed by hand: station downtime after an orderly end and after a kill
// counts as unknown; and the record file across runs and its bound.
#include "station/RecorderAvailability.h"

#include "config/Timestamp.h"
#include "station/RecorderOverview.h"
#include "station/RecorderStateLog.h"
#include "testsupport/ScopedTimeZone.h"
#include "testsupport/TempDir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

constexpr int64_t kHour = 3'600'000;
constexpr int64_t kMinute = 60'000;

using Kind = StateLogLine::Kind;

class AvailabilityTest : public ::testing::Test {
protected:
    int64_t Day() const { return Timestamp::FromLocalFields(5, 3, 2024, 0, 0, 0, 0)->ToMs(); }
    int64_t At(double hours) const { return Day() + static_cast<int64_t>(hours * kHour); }

    StateLogLine Line(Kind kind, double hours) const { return StateLogLine::Mark(kind, At(hours)); }
    StateLogLine Rec(double hours, RecorderState state, std::string ip = "10.0.0.1") const
    {
        return {Kind::Recorder, At(hours), state, 0, std::move(ip)};
    }

    // Runs on 5 March: online, late, missed, back; killed at noon after an
    // "alive" line; started again at 14:00, missed at 20:00, ended at 22:00.
    std::vector<StateLogLine> ADay() const
    {
        return {Line(Kind::Start, 0),
                Rec(0, RecorderState::Online),
                Rec(0, RecorderState::Missed, "10.0.0.2"),
                Rec(6, RecorderState::Late),
                Rec(6.5, RecorderState::Missed),
                Rec(8, RecorderState::Online),
                Line(Kind::Alive, 12),
                Line(Kind::Start, 14),
                Rec(14, RecorderState::Online),
                Rec(20, RecorderState::Missed),
                Line(Kind::End, 22)};
    }

    ScopedTimeZone m_zone{"Europe/Berlin"};
};

} // namespace

TEST_F(AvailabilityTest, ADayAddsUpAsComputedByHand)
{
    Availability day = AvailabilityOf(ADay(), "10.0.0.1", 0, At(0), At(24), At(48));
    EXPECT_EQ(day.upMs, 16 * kHour + 30 * kMinute);  // 0-6.5, 8-12, 14-20
    EXPECT_EQ(day.downMs, 3 * kHour + 30 * kMinute); // 6.5-8, 20-22
    EXPECT_EQ(day.unknownMs, 4 * kHour);             // 12-14 killed, 22-24 ended
    ASSERT_TRUE(day.Percent());
    EXPECT_DOUBLE_EQ(*day.Percent(), 82.5);
    EXPECT_EQ(day.outages, (std::vector<Outage>{{At(6.5), At(8)}, {At(20), At(22)}}));
}

TEST_F(AvailabilityTest, PeriodsCutTheTimeline)
{
    struct Case {
        double from, to, now;
        int64_t up, down, unknown;
    };
    for (const Case& c :
         {Case{7, 9, 48, 1 * kHour, 1 * kHour, 0}, Case{11, 15, 48, 2 * kHour, 0, 2 * kHour},
          Case{-24, 0, 48, 0, 0, 24 * kHour},
          Case{0, 10, 9, 7 * kHour + 30 * kMinute, 90 * kMinute, kHour}}) {
        Availability a = AvailabilityOf(ADay(), "10.0.0.1", 0, At(c.from), At(c.to), At(c.now));
        EXPECT_EQ(a.upMs, c.up) << c.from;
        EXPECT_EQ(a.downMs, c.down) << c.from;
        EXPECT_EQ(a.unknownMs, c.unknown) << c.from;
    }
    Availability other = AvailabilityOf(ADay(), "10.0.0.2", 0, At(0), At(24), At(48));
    EXPECT_EQ(other.downMs, 12 * kHour);
    EXPECT_DOUBLE_EQ(*other.Percent(), 0.0);
    EXPECT_FALSE(AvailabilityOf(ADay(), "10.0.0.3", 0, At(0), At(24), At(48)).Percent());
}

TEST_F(AvailabilityTest, MonthsAndDaysFollowLocalTime)
{
    EXPECT_EQ(StartOfDay(At(13.5)), Day());
    int64_t march = StartOfMonth(At(13.5));
    EXPECT_EQ(march, Timestamp::FromLocalFields(1, 3, 2024, 0, 0, 0, 0)->ToMs());
    // The clocks go forward on the last Sunday of March.
    EXPECT_EQ(StartOfNextMonth(march) - march, 31 * 24 * kHour - kHour);
    EXPECT_EQ(StartOfNextMonth(Timestamp::FromLocalFields(9, 12, 2024, 0, 0, 0, 0)->ToMs()),
              Timestamp::FromLocalFields(1, 1, 2025, 0, 0, 0, 0)->ToMs());
}

TEST_F(AvailabilityTest, LinesReadBackAsWrittenAndDamagedOnesAreSkipped)
{
    std::string text;
    for (const StateLogLine& line : ADay())
        text += FormatStateLogLine(line);
    EXPECT_EQ(ParseStateLog(text), ADay());
    std::string damaged = "R 12 9 0 10.0.0.1\nX 5\nS -4\nS 10\nA 9\nR 11 1 0\nE 12 1\n" +
                          FormatStateLogLine(Line(Kind::End, 1)) + "R 99 1 0 cut";
    EXPECT_EQ(ParseStateLog(damaged),
              (std::vector<StateLogLine>{StateLogLine::Mark(Kind::Start, 10), Line(Kind::End, 1)}));
}

TEST_F(AvailabilityTest, RecordFileSurvivesRunsAndAKillCountsAsUnknown)
{
    TempDir dir;
    std::filesystem::path path = dir.Path() / RecorderStateLog::kFileName;
    RecorderStatus status{"Lager", "10.0.0.1", 0, {}, RecorderState::Online};
    {
        RecorderStateLog log(path);
        log.Open(At(0));
        log.OnRecorderState(status, std::nullopt, At(0));
        log.Heartbeat(At(0.5));
        log.Heartbeat(At(0.5) + 1000); // within the minute: no line
        log.Close(At(1));
    }
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    {
        RecorderStateLog log(path);
        log.Open(At(2));
        log.OnRecorderState(status, std::nullopt, At(2));
        log.Heartbeat(At(3));
        // Killed: no end line.
    }
    RecorderStateLog log(path);
    log.Open(At(5));
    EXPECT_EQ(log.Lines().size(), 8u);
    Availability a = AvailabilityOf(log.Lines(), "10.0.0.1", 0, At(0), At(6), At(6));
    EXPECT_EQ(a.upMs, 2 * kHour);      // 0-1, 2-3
    EXPECT_EQ(a.unknownMs, 4 * kHour); // 1-2 ended, 3-5 killed, 5-6 not yet seen
}

TEST_F(AvailabilityTest, OldLinesAreCutAwayKeepingTheStatesInForce)
{
    TempDir dir;
    std::filesystem::path path = dir.Path() / RecorderStateLog::kFileName;
    std::string text;
    for (const StateLogLine& line : ADay())
        text += FormatStateLogLine(line);
    text += FormatStateLogLine(Line(Kind::Start, 30)) +
            FormatStateLogLine(Rec(30, RecorderState::Missed)) + "R 1 broken\n";
    WriteFileBytes(path, text);
    int64_t now = At(31) + RecorderStateLog::kKeepMs;
    RecorderStateLog log(path);
    log.Open(now);
    // The run of 30:00 goes on past the cut with its recorder missed.
    std::vector<StateLogLine> expected = {
        StateLogLine::Mark(Kind::Start, At(31)),
        {Kind::Recorder, At(31), RecorderState::Missed, 0, "10.0.0.1"},
        StateLogLine::Mark(Kind::Start, now)};
    EXPECT_EQ(log.Lines(), expected);
    EXPECT_EQ(ParseStateLog(ReadFileBytes(path)), expected);
}

TEST_F(AvailabilityTest, MonthlyReportListsFiguresAndTheOutagesFromTheChosenLength)
{
    std::vector<RecorderStatus> recorders = {{"Tor", "10.0.0.1", 0, {}, RecorderState::Online},
                                             {"Hof", "10.0.0.2", 0, {}, RecorderState::Missed}};
    ReportRows rows = MonthlyReport(recorders, ADay(), At(0), At(48), 100 * kMinute);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Verfuegbarkeit der Rekorder 03/2024"}));
    // March has 743 hours; 20 of them known for Tor.
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Tor", "10.0.0.1", "82,5 %", "3:30:00",
                                                 "30 d 3:00:00", "2"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"Hof", "10.0.0.2", "0,0 %", "12:00:00",
                                                 "30 d 11:00:00", "1"}));
    EXPECT_EQ(rows[5], (std::vector<std::string>{"Ausfaelle ab 1:40:00"}));
    EXPECT_EQ(rows[7], (std::vector<std::string>{"Tor", "10.0.0.1", "05.03.2024 20:00:00",
                                                 "05.03.2024 22:00:00", "2:00:00"}));
    EXPECT_EQ(rows[8][0], "Hof");
}

TEST_F(AvailabilityTest, StatusBarCountsNameTheStatesThatNeedAttentionFirst)
{
    EXPECT_EQ(RecorderCountsText({0, 0, 0, 0, 0}), "");
    EXPECT_EQ(RecorderCountsText({1, 3, 0, 2, 0}),
              "Rekorder: 2 ausgefallen, 3 online, 1 nie gemeldet");
    EXPECT_EQ(PercentText(99.99), "99,9 %");
    EXPECT_EQ(PercentText(std::nullopt), "-");
}
