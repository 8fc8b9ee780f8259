// The placeholder table, the values taken from an alarm, expansion in
// ascending name order, and the split of program arguments into words.
#include "alarm/Placeholders.h"

#include "config/Timestamp.h"
#include "testsupport/ScopedTimeZone.h"

#include <gtest/gtest.h>

namespace {

AlarmContext TorContext()
{
    AlarmContext context;
    context.settings = AlarmSettings{};
    context.settings->title = "Alarm!";
    context.settings->message = "Kamerakontakt";
    context.settings->trackName = "Eingang";
    context.recorderName = "Tor";
    context.recorderAddress = "10.0.0.1";
    context.alarmType = 10005;
    context.camera = 0;
    context.track = 4;
    context.addInfo = "Kontakt 3";
    return context;
}

int64_t LocalMs(int day, int month, int year, int hour, int minute, int second)
{
    return Timestamp::FromLocalFields(day, month, year, hour, minute, second, 0)->ToMs();
}

} // namespace

TEST(PlaceholdersTest, TableHoldsThirteenNamesInMenuOrder)
{
    const auto& table = PlaceholderTable();
    EXPECT_EQ(table.size(), 13u);
    EXPECT_EQ(table[0].name, "${KavexStationArrivalTime}");
    EXPECT_EQ(table[0].menuLabel, "&Kavexstation Eingangszeit");
    EXPECT_EQ(table[10].name, "${AddInfo}");
    EXPECT_EQ(table[10].menuLabel, "&Zusaetzliche Informationen");
    EXPECT_EQ(table[12].name, "${ExecProgrammDir}");
    PlaceholderMap map = MakePlaceholderMap(TorContext());
    EXPECT_EQ(map.size(), 13u);
    for (const PlaceholderInfo& info : table)
        EXPECT_TRUE(map.contains(std::string(info.name))) << info.name;
}

TEST(PlaceholdersTest, RecorderNameAndCameraNumberExpandToTor1)
{
    PlaceholderMap map = MakePlaceholderMap(TorContext());
    EXPECT_EQ(ExpandPlaceholders(map, "${RecorderName} ${CameraNumber}"), "Tor 1");
}

TEST(PlaceholdersTest, ValuesComeFromTheAlarmAndItsSettings)
{
    ScopedTimeZone zone("Europe/Berlin");
    AlarmContext context = TorContext();
    context.arrival = LocalMs(1, 3, 2024, 12, 34, 56);
    context.departure = LocalMs(14, 7, 2024, 8, 5, 9);
    PlaceholderMap map = MakePlaceholderMap(context);
    EXPECT_EQ(map["${KavexStationArrivalTime}"], "01.03.2024,12:34:56");
    EXPECT_EQ(map["${RecorderDepartTime}"], "14.07.2024,08:05:09");
    EXPECT_EQ(map["${RecorderIP}"], "10.0.0.1");
    EXPECT_EQ(map["${AlarmType}"], "Kamerakontakt");
    EXPECT_EQ(map["${AlarmTextShort}"], "Alarm!");
    EXPECT_EQ(map["${AlarmTextLong}"], "Kamerakontakt");
    EXPECT_EQ(map["${TrackName}"], "Eingang");
    EXPECT_EQ(map["${TrackID}"], "5");
    EXPECT_EQ(map["${AddInfo}"], "Kontakt 3");
    EXPECT_EQ(map["${WardexDir}"], "");
    EXPECT_EQ(map["${ExecProgrammDir}"], "");
}

TEST(PlaceholdersTest, InsertedTextIsNeverExpandedAgain)
{
    PlaceholderMap map = MakePlaceholderMap(TorContext());
    map["${WardexDir}"] = "/opt/wardex";
    map["${AddInfo}"] = "id=${TrackID} dir=${WardexDir}";
    map["${TrackName}"] = "info=${AddInfo}";
    EXPECT_EQ(ExpandPlaceholders(map, "${AddInfo} ${TrackName} ${WardexDir}"),
              "id=${TrackID} dir=${WardexDir} info=${AddInfo} /opt/wardex");
    // A name that is split by an unknown one still expands after it.
    EXPECT_EQ(ExpandPlaceholders(map, "${${TrackID}}"), "${5}");
}

TEST(PlaceholdersTest, EveryOccurrenceIsReplacedAndUnknownNamesStay)
{
    PlaceholderMap map = MakePlaceholderMap(TorContext());
    EXPECT_EQ(ExpandPlaceholders(map, "${RecorderName}/${RecorderName}/${Unknown}/${RecorderName"),
              "Tor/Tor/${Unknown}/${RecorderName");
    // A value holding its own name does not loop.
    map["${RecorderName}"] = "${RecorderName}!";
    EXPECT_EQ(ExpandPlaceholders(map, "${RecorderName}${RecorderName}"),
              "${RecorderName}!${RecorderName}!");
}

TEST(PlaceholdersTest, ArgumentsSplitAtBlanksAndGroupByQuotes)
{
    EXPECT_EQ(SplitArguments(""), std::vector<std::string>{});
    EXPECT_EQ(SplitArguments("  a  b\tc "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitArguments("--name \"${RecorderName} Nord\" x"),
              (std::vector<std::string>{"--name", "${RecorderName} Nord", "x"}));
    EXPECT_EQ(SplitArguments("a\"b c\"d \"\""), (std::vector<std::string>{"ab cd", ""}));
    EXPECT_EQ(SplitArguments("\"unclosed quote"), (std::vector<std::string>{"unclosed quote"}));
}
