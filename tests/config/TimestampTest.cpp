// Timestamp: the stored-millisecond form, local calendar fields under known
// zones (each date with its own offset), the text forms and the arithmetic.
#include "config/Timestamp.h"

#include "config/Clock.h"
#include "testsupport/FakeClockSource.h"
#include "testsupport/ScopedTimeZone.h"

#include <ctime>
#include <limits>
#include <optional>

#include <gtest/gtest.h>

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

// Seconds since 1970 of UTC moments, worked out independently.
constexpr std::time_t k20060701T1000Z = 1'151'748'000;
constexpr std::time_t k20060101T1100Z = 1'136'113'200;
constexpr std::time_t k20060305T110001Z = 1'141'556'401;
constexpr std::time_t k20061029T0030Z = 1'162'081'800;
constexpr std::time_t k20061029T0130Z = 1'162'085'400;
constexpr std::time_t k20060326T0130Z = 1'143'336'600;
constexpr std::time_t k20060701T1600Z = 1'151'769'600;
constexpr std::time_t k20060101T1700Z = 1'136'134'800;

Timestamp Local(int day, int month, int year, int hour, int minute, int second = 0, int ms = 0)
{
    std::optional<Timestamp> stamp =
        Timestamp::FromLocalFields(day, month, year, hour, minute, second, ms);
    EXPECT_TRUE(stamp.has_value());
    return stamp.value_or(Timestamp());
}

Timestamp Utc(std::time_t unixSeconds)
{
    return Timestamp((unixSeconds + kUnixEpochSeconds) * kOneSecondUs);
}

class TimestampTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Timestamp::SetDateOrder(DateOrder::Unset);
        // Without the zone files glibc silently falls back to UTC.
        ASSERT_EQ(Utc(k20060701T1000Z).Hour(), 12) << "zone files (tzdata) are missing";
    }
    void TearDown() override { Timestamp::SetDateOrder(DateOrder::Unset); }

    ScopedTimeZone m_zone{"Europe/Berlin"};
};

TEST_F(TimestampTest, MillisecondRoundTripDropsSubMilliseconds)
{
    Timestamp stamp(12'786'030'001'234'567);
    EXPECT_EQ(stamp.ToMs(), 12'786'030'001'234);
    EXPECT_EQ(Timestamp::FromMs(stamp.ToMs()).Count(), 12'786'030'001'234'000);
}

TEST_F(TimestampTest, ToMsTruncatesTowardZero)
{
    EXPECT_EQ(Timestamp(-1'500).ToMs(), -1);
    EXPECT_EQ(Timestamp(1'999).ToMs(), 1);
}

TEST_F(TimestampTest, FromMsSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(Timestamp::FromMs(kMax).Count(), kMax);
    EXPECT_EQ(Timestamp::FromMs(kMin).Count(), kMin);
    EXPECT_EQ(Timestamp::FromMs(-5).Count(), -5'000);
}

TEST_F(TimestampTest, UtcFieldsCountFrom1601)
{
    EXPECT_EQ(Timestamp::FromLocalFields(1, 1, 1601, 0, 0, 0, 0, FieldsAre::Utc)->Count(), 0);
    EXPECT_EQ(Timestamp::FromLocalFields(1, 1, 1970, 0, 0, 0, 0, FieldsAre::Utc)->Count(),
              kUnixEpochSeconds * kOneSecondUs);
    EXPECT_EQ(Timestamp::FromLocalFields(1, 7, 2006, 10, 0, 0, 250, FieldsAre::Utc)->Count(),
              Utc(k20060701T1000Z).Count() + 250'000);
}

TEST_F(TimestampTest, EachLocalDateUsesTheOffsetValidOnThatDate)
{
    // Whatever the season of the present, summer dates take +2 h, winter dates +1 h.
    EXPECT_EQ(Local(1, 7, 2006, 12, 0), Utc(k20060701T1000Z));
    EXPECT_EQ(Local(1, 1, 2006, 12, 0), Utc(k20060101T1100Z));
    EXPECT_EQ(Local(1, 7, 2006, 12, 0), Utc(k20060701T1000Z));
}

TEST_F(TimestampTest, LocalFieldsFollowTheRulesOfTheirDate)
{
    SystemTime summer = Utc(k20060701T1000Z).ToLocalFields();
    EXPECT_EQ(summer.hour, 12);
    EXPECT_EQ(summer.day, 1);
    EXPECT_EQ(summer.month, 7);
    EXPECT_EQ(summer.year, 2006);
    EXPECT_EQ(Utc(k20060101T1100Z).ToLocalFields().hour, 12);
}

TEST_F(TimestampTest, LocalFieldsRoundTripThroughTheCount)
{
    for (int month = 1; month <= 12; ++month) {
        SystemTime fields = Local(28, month, 2006, 23, 34, 56, 789).ToLocalFields();
        EXPECT_EQ(fields.year, 2006);
        EXPECT_EQ(fields.month, month);
        EXPECT_EQ(fields.day, 28);
        EXPECT_EQ(fields.hour, 23);
        EXPECT_EQ(fields.minute, 34);
        EXPECT_EQ(fields.second, 56);
        EXPECT_EQ(fields.milliseconds, 789);
    }
}

TEST_F(TimestampTest, DayOfWeekCountsFromSunday)
{
    EXPECT_EQ(Local(5, 3, 2006, 12, 0).ToLocalFields().dayOfWeek, 0);
    EXPECT_EQ(Local(6, 3, 2006, 0, 0).ToLocalFields().dayOfWeek, 1);
    EXPECT_EQ(Local(4, 3, 2006, 23, 59, 59, 999).ToLocalFields().dayOfWeek, 6);
    // Local Saturday just after midnight is still Friday in UTC.
    EXPECT_EQ(Local(1, 7, 2006, 0, 30).ToLocalFields().dayOfWeek, 6);
    // Before 1601-01-01 00:00 UTC the count is negative.
    Timestamp firstDay = Local(1, 1, 1601, 0, 0);
    EXPECT_LT(firstDay.Count(), 0);
    EXPECT_EQ(firstDay.ToLocalFields().dayOfWeek, 1);
}

TEST_F(TimestampTest, FieldAccessorsGiveLocalFields)
{
    Timestamp stamp = Local(5, 3, 2006, 7, 8, 9, 10);
    EXPECT_EQ(stamp.Day(), 5);
    EXPECT_EQ(stamp.Month(), 3);
    EXPECT_EQ(stamp.Year(), 2006);
    EXPECT_EQ(stamp.Hour(), 7);
    EXPECT_EQ(stamp.Minute(), 8);
    EXPECT_EQ(stamp.Second(), 9);
}

TEST_F(TimestampTest, FormatStampNamesBackupFiles)
{
    EXPECT_EQ(Local(5, 3, 2006, 7, 8, 9, 10).FormatStamp(), "2006_03_05_07_08_09_010");
}

TEST_F(TimestampTest, FormatTimeWithAndWithoutMilliseconds)
{
    Timestamp stamp = Local(5, 3, 2006, 7, 8, 9, 10);
    EXPECT_EQ(stamp.FormatTime(WithMs::Yes), "07:08:09.010");
    EXPECT_EQ(stamp.FormatTime(WithMs::No), "07:08:09");
}

TEST_F(TimestampTest, FormatDateDefaultsToDayMonthYear)
{
    EXPECT_EQ(Local(5, 3, 2006, 7, 8).FormatDate(), "05.03.2006");
    EXPECT_EQ(Timestamp::CurrentDateOrder(), DateOrder::Unset);
}

TEST_F(TimestampTest, FormatDateModeStaysForLaterCalls)
{
    Timestamp stamp = Local(5, 3, 2006, 7, 8);
    EXPECT_EQ(stamp.FormatDate(DateOrder::MonthDayYear), "03/05/2006");
    EXPECT_EQ(stamp.FormatDate(), "03/05/2006");
    EXPECT_EQ(stamp.FormatDate(DateOrder::DayMonthYear), "05.03.2006");
    EXPECT_EQ(stamp.FormatDate(), "05.03.2006");
}

TEST_F(TimestampTest, CalendarSecondsRoundToTheNearestSecond)
{
    EXPECT_EQ(Local(5, 3, 2006, 12, 0, 0, 600).ToCalendarSeconds(), k20060305T110001Z);
    EXPECT_EQ(Local(5, 3, 2006, 12, 0, 0, 500).ToCalendarSeconds(), k20060305T110001Z);
    EXPECT_EQ(Local(5, 3, 2006, 12, 0, 0, 499).ToCalendarSeconds(), k20060305T110001Z - 1);
    EXPECT_EQ(Timestamp(kMax).ToCalendarSeconds(), kMax / kOneSecondUs - kUnixEpochSeconds);
}

TEST_F(TimestampTest, FromCalendarSecondsIsTheSameMoment)
{
    Timestamp stamp = Timestamp::FromCalendarSeconds(k20060305T110001Z);
    EXPECT_EQ(stamp, Utc(k20060305T110001Z));
    EXPECT_EQ(stamp.FormatTime(WithMs::Yes), "12:00:01.000");
    EXPECT_EQ(stamp.ToCalendarSeconds(), k20060305T110001Z);
}

TEST_F(TimestampTest, RepeatedAutumnHourIsTheEarlierReadingWhateverCameBefore)
{
    // glibc's mktime would pick the offset its previous call ended on.
    Local(1, 7, 2006, 12, 0);
    EXPECT_EQ(Local(29, 10, 2006, 2, 30), Utc(k20061029T0030Z));
    Local(1, 1, 2006, 12, 0);
    EXPECT_EQ(Local(29, 10, 2006, 2, 30), Utc(k20061029T0030Z));
}

TEST_F(TimestampTest, BothReadingsOfTheRepeatedHourKeepTheirCalendarSeconds)
{
    for (std::time_t moment : {k20061029T0030Z, k20061029T0130Z}) {
        Timestamp stamp = Timestamp::FromCalendarSeconds(moment);
        EXPECT_EQ(stamp.FormatTime(WithMs::No), "02:30:00");
        EXPECT_EQ(stamp.ToCalendarSeconds(), moment);
    }
}

TEST_F(TimestampTest, SkippedSpringHourMovesForwardByTheGap)
{
    Local(1, 7, 2006, 12, 0);
    Timestamp inGap = Local(26, 3, 2006, 2, 30);
    EXPECT_EQ(inGap, Utc(k20060326T0130Z));
    EXPECT_EQ(inGap.FormatTime(WithMs::No), "03:30:00");
    Local(1, 1, 2006, 12, 0);
    EXPECT_EQ(Local(26, 3, 2006, 2, 30), Utc(k20060326T0130Z));
}

TEST_F(TimestampTest, AnotherZoneUsesItsOwnOffsets)
{
    ScopedTimeZone newYork("America/New_York");
    EXPECT_EQ(Local(1, 7, 2006, 12, 0), Utc(k20060701T1600Z));
    EXPECT_EQ(Local(1, 1, 2006, 12, 0), Utc(k20060101T1700Z));
    EXPECT_EQ(Utc(k20060701T1600Z).FormatTime(WithMs::No), "12:00:00");
    // US summer time began on the first Sunday of April in 2006.
    EXPECT_EQ(Local(2, 4, 2006, 2, 30).FormatTime(WithMs::No), "03:30:00");
}

TEST_F(TimestampTest, FieldsOutOfRangeGiveNothing)
{
    auto fields = [](int day, int month, int year, int hour, int minute, int second, int ms) {
        return Timestamp::FromLocalFields(day, month, year, hour, minute, second, ms);
    };
    EXPECT_FALSE(fields(5, 0, 2006, 0, 0, 0, 0));
    EXPECT_FALSE(fields(5, 13, 2006, 0, 0, 0, 0));
    EXPECT_FALSE(fields(0, 3, 2006, 0, 0, 0, 0));
    EXPECT_FALSE(fields(31, 4, 2006, 0, 0, 0, 0));
    EXPECT_FALSE(fields(29, 2, 2006, 0, 0, 0, 0));
    EXPECT_TRUE(fields(29, 2, 2004, 0, 0, 0, 0));
    EXPECT_FALSE(fields(29, 2, 1900, 0, 0, 0, 0));
    EXPECT_TRUE(fields(29, 2, 2000, 0, 0, 0, 0));
    EXPECT_FALSE(fields(5, 3, 2006, 24, 0, 0, 0));
    EXPECT_FALSE(fields(5, 3, 2006, 0, 60, 0, 0));
    EXPECT_FALSE(fields(5, 3, 2006, 0, 0, 60, 0));
    EXPECT_FALSE(fields(5, 3, 2006, 0, 0, 0, 1000));
    EXPECT_FALSE(fields(5, 3, 2006, -1, 0, 0, 0));
    EXPECT_FALSE(fields(5, 3, 2006, 0, 0, 0, -1));
    EXPECT_FALSE(fields(31, 12, 1600, 0, 0, 0, 0));
    EXPECT_FALSE(fields(1, 1, 30828, 0, 0, 0, 0));
    EXPECT_FALSE(fields(65535, 65535, 65535, 65535, 65535, 65535, 65535));
    EXPECT_TRUE(fields(31, 12, 30827, 23, 59, 59, 999));
    EXPECT_FALSE(Timestamp::FromLocalFields(5, 13, 2006, 0, 0, 0, 0, FieldsAre::Utc));
}

TEST_F(TimestampTest, ExtremeCountsConvertWithoutOverflow)
{
    EXPECT_GT(Timestamp(kMax).Year(), 30827);
    EXPECT_LT(Timestamp(kMin).Year(), 1601);
    EXPECT_FALSE(Timestamp(kMin).FormatStamp().empty());
    EXPECT_EQ(Timestamp::FromCalendarSeconds(std::numeric_limits<std::time_t>::max()).Count(),
              kMax);
}

TEST_F(TimestampTest, AddMovesTheCount)
{
    Timestamp stamp = Local(5, 3, 2006, 12, 0);
    stamp.Add(kOneDayUs);
    EXPECT_EQ(stamp.Day(), 6);
    stamp.Add(-kOneSecondUs);
    EXPECT_EQ(stamp.FormatTime(WithMs::No), "11:59:59");
}

TEST_F(TimestampTest, AddAndSumSaturateAtTheEnds)
{
    Timestamp stamp(kMax - 1);
    stamp.Add(10);
    EXPECT_EQ(stamp.Count(), kMax);
    EXPECT_EQ(Timestamp(kMin).Sum(Timestamp(-1)).Count(), kMin);
    EXPECT_EQ(Timestamp(40).Sum(Timestamp(2)).Count(), 42);
}

TEST_F(TimestampTest, LessAndGreaterAreStrict)
{
    Timestamp early(-5);
    Timestamp late(7);
    EXPECT_TRUE(early.Less(late));
    EXPECT_FALSE(late.Less(early));
    EXPECT_FALSE(early.Less(early));
    EXPECT_TRUE(late.Greater(early));
    EXPECT_FALSE(late.Greater(late));
    EXPECT_LT(early, late);
    EXPECT_EQ(early, Timestamp(-5));
}

TEST(TimestampNow, NowComesFromTheStationClockInWholeMilliseconds)
{
    FakeClockSource source{1'700'000'000'123'456};
    Clock clock(source);
    Timestamp now = clock.Now();
    EXPECT_EQ(now.Count() % 1000, 0);
    EXPECT_EQ(now.Count(), (1'700'000'000'123 + kUnixEpochSeconds * 1000) * 1000);
    source.AdvanceUs(2'500);
    EXPECT_EQ(clock.Now().ToMs(), 1'700'000'000'125 + kUnixEpochSeconds * 1000);
}

} // namespace

// The conversions keep the zone's offsets per hour; they must read exactly as
// the C library does, through both changes of each year, in zones with
// half-hour summer time, quarter-hour offsets and a skipped day.
TEST_F(TimestampTest, ConversionsAgreeWithTheCLibraryThroughTheYear)
{
    // The earliest instant that reads as the fields, tried with the offsets
    // a day before and after and with mktime's answer.
    auto reference = [](std::tm wanted) {
        std::tm copy = wanted;
        std::time_t naive = timegm(&copy);
        auto offsetAt = [](std::time_t at) {
            std::tm local{};
            localtime_r(&at, &local);
            return local.tm_gmtoff;
        };
        std::tm request = wanted;
        request.tm_isdst = -1;
        std::optional<std::time_t> earliest;
        for (std::time_t candidate : {naive - offsetAt(naive - 86'400),
                                      naive - offsetAt(naive + 86'400), mktime(&request)}) {
            std::tm local{};
            localtime_r(&candidate, &local);
            bool same = local.tm_year == wanted.tm_year && local.tm_mon == wanted.tm_mon &&
                        local.tm_mday == wanted.tm_mday && local.tm_hour == wanted.tm_hour &&
                        local.tm_min == wanted.tm_min;
            if (same && (!earliest || candidate < *earliest))
                earliest = candidate;
        }
        return earliest.value_or(naive - offsetAt(naive - 86'400));
    };
    struct Zone {
        const char* name;
        std::time_t from; // a year of half hours from here
    };
    const Zone zones[] = {
        {"Europe/Berlin", 1'704'067'200},       // 2024
        {"America/New_York", 1'136'073'600},    // 2006
        {"Australia/Lord_Howe", 1'704'067'200}, // 30-minute summer time
        {"Asia/Kathmandu", 1'704'067'200},      // +05:45
        {"Pacific/Apia", 1'293'840'000},        // 2011, 30 December skipped
        {"UTC", 1'704'067'200},
    };
    for (const Zone& zone : zones) {
        SCOPED_TRACE(zone.name);
        ScopedTimeZone scoped(zone.name);
        int mismatches = 0;
        for (std::time_t at = zone.from; at < zone.from + 366 * 86'400 && mismatches < 5;
             at += 1'800) {
            std::tm expected{};
            localtime_r(&at, &expected);
            SystemTime fields = Timestamp::FromCalendarSeconds(at).ToLocalFields();
            bool same = fields.year == expected.tm_year + 1900 &&
                        fields.month == expected.tm_mon + 1 && fields.day == expected.tm_mday &&
                        fields.hour == expected.tm_hour && fields.minute == expected.tm_min &&
                        fields.dayOfWeek == expected.tm_wday;
            // The same fields read back, and the wall clock an hour on, which
            // may fall into a gap or a repeated hour.
            for (int hourOn : {0, 1}) {
                std::tm wanted = expected;
                wanted.tm_hour = (expected.tm_hour + hourOn) % 24;
                std::optional<Timestamp> back = Timestamp::FromLocalFields(
                    wanted.tm_mday, wanted.tm_mon + 1, wanted.tm_year + 1900, wanted.tm_hour,
                    wanted.tm_min, 0, 0);
                same = same && back && back->ToCalendarSeconds() == reference(wanted);
            }
            if (!same) {
                ++mismatches;
                ADD_FAILURE() << "at " << at;
            }
        }
    }
}
