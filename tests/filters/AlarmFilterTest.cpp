// A new filter's defaults and the "Aktuell:" descriptions of the dialog.
#include "filters/AlarmFilter.h"

#include "../db/DbTestSupport.h"
#include "config/Translator.h"
#include "testsupport/ScopedTimeZone.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

namespace {

Timestamp Local(int day, int month, int year, int hour, int minute, int second)
{
    return *Timestamp::FromLocalFields(day, month, year, hour, minute, second, 0);
}

} // namespace

TEST(AlarmFilter, NewFilterOnAnEmptyDatabase)
{
    TempDir dir;
    DbFixture db(dir.Path());
    ASSERT_TRUE(db.Open());
    AlarmFilter filter = AlarmFilter::NewFilter(*db.database);
    AlarmFilter expected;
    expected.lastDays = 14;
    EXPECT_EQ(filter, expected);
    EXPECT_EQ(filter.mode, AlarmFilter::kModeRange);
    EXPECT_EQ(filter.link, AlarmFilter::kLinkAnd);
    EXPECT_FALSE(filter.useArrivalTime);
}

TEST(AlarmFilter, NewFilterSpansTheOldestToTheNewestAlarm)
{
    TempDir dir;
    DbFixture db(dir.Path());
    WriteRecordFile(db.DbPath(), 5, 12'000'000'000'000);
    ASSERT_TRUE(db.Open());
    AlarmFilter filter = AlarmFilter::NewFilter(*db.database);
    EXPECT_EQ(filter.rangeStart.ToMs(), 12'000'000'000'000);
    EXPECT_EQ(filter.rangeEnd.ToMs(), 12'000'000'000'004);
    EXPECT_EQ(filter.lastDays, 14);
    EXPECT_EQ(filter.activeParts, 0);
}

TEST(AlarmFilter, DescribesARangeByTheChosenTime)
{
    ScopedTimeZone zone("Europe/Berlin");
    AlarmFilter filter;
    filter.rangeStart = Local(5, 3, 2006, 7, 8, 9);
    filter.rangeEnd = Local(1, 7, 2006, 23, 0, 59);
    EXPECT_EQ(filter.DescribeTime(0),
              "Zeit-Versand: zw. 05.03.2006 07:08:09 und 01.07.2006 23:00:59");
    filter.useArrivalTime = true;
    EXPECT_EQ(filter.DescribeTime(0),
              "Zeit-Eingang: zw. 05.03.2006 07:08:09 und 01.07.2006 23:00:59");
}

TEST(AlarmFilter, DescribesLastDaysFromNow)
{
    ScopedTimeZone zone("Europe/Berlin");
    AlarmFilter filter;
    filter.mode = AlarmFilter::kModeLastDays;
    filter.lastDays = 2;
    int64_t now = Local(10, 4, 2021, 12, 30, 0).ToMs();
    EXPECT_EQ(filter.DescribeTime(now), "Zeit-Versand: Alarme seit 08.04.2021 12:30:00");
}

TEST(AlarmFilter, DescribesRecordersAndTypesWithTheirCounts)
{
    AlarmFilter filter;
    EXPECT_EQ(filter.DescribeRecorders(), "0 Rekorder im Filter");
    filter.recorders = {{"a", -1}, {"b", -1}};
    EXPECT_EQ(filter.DescribeRecorders(), "2 Rekorder im Filter");
    EXPECT_EQ(filter.DescribeTypes(), "0 Alarme im Filter");
    filter.alarmTypes = {10000};
    EXPECT_EQ(filter.DescribeTypes(), "1 Alarm im Filter");
    filter.alarmTypes = {10000, 10001, 10002};
    EXPECT_EQ(filter.DescribeTypes(), "3 Alarme im Filter");
}

TEST(AlarmFilter, DescriptionsPassThroughTheTranslationTable)
{
    TempDir dir;
    WriteFileBytes(dir.File("English.txt"), "\"%d Alarme im Filter\" \"%d alarms in the filter\"\n"
                                            "\"Zeit-Eingang\" \"Time received\"\n"
                                            "\"%d Rekorder im Filter\" \"%s broken\"\n");
    ASSERT_TRUE(Translator::Global().LoadLanguage(dir.File("English.txt"), {}));
    AlarmFilter filter;
    filter.alarmTypes = {1, 2};
    filter.useArrivalTime = true;
    EXPECT_EQ(filter.DescribeTypes(), "2 alarms in the filter");
    // A translated format that does not fit its values falls back to German.
    EXPECT_EQ(filter.DescribeRecorders(), "0 Rekorder im Filter");
    EXPECT_EQ(filter.DescribeTime(0).substr(0, 14), "Time received:");
    Translator::Global().Clear();
}
