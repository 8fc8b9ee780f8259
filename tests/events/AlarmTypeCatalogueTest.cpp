// The alarm type catalogue: names with and without translation, the
// catalogue walk, priority colours and the factory bar colours.
#include "events/AlarmTypeCatalogue.h"

#include "ExpectedCatalogue.h"
#include "ScopedTranslation.h"
#include "events/AlarmTypeWalk.h"

#include <algorithm>
#include <climits>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace expected;

TEST(AlarmTypeName, EveryNamedCodeHasItsGermanName)
{
    for (const ExpectedName& name : kExpectedNames) {
        EXPECT_EQ(AlarmTypeName(name.code, NameTranslation::German), name.german) << name.code;
        EXPECT_EQ(AlarmTypeName(name.code, NameTranslation::Translated), name.german)
            << "no translation loaded: " << name.code;
    }
}

TEST(AlarmTypeName, NameOfTenThousandTwentyThreeContainsQuotes)
{
    EXPECT_EQ(AlarmTypeName(10023, NameTranslation::German),
              "Sensor schickte Kontakt-Ende-Nachricht im Modus \"Spontan/Start\"");
}

TEST(AlarmTypeName, CodeWithoutNameIsUnknownAlarm)
{
    for (int32_t code : {10027, 10008, 0, -1, 10037, 10043, 11002, 11013, INT32_MIN, INT32_MAX})
        EXPECT_EQ(AlarmTypeName(code, NameTranslation::German), "Unbekannter Alarm") << code;
    EXPECT_EQ(AlarmTypeName(kUnknownAlarmType, NameTranslation::German), "Unbekannter Alarm");
}

TEST(AlarmTypeName, TranslatesOnlyWhenAsked)
{
    ScopedTranslation translation(
        {{"Spur ist voll", "Track full"}, {"Unbekannter Alarm", "Unknown alarm"}});
    EXPECT_EQ(AlarmTypeName(10000, NameTranslation::German), "Spur ist voll");
    EXPECT_EQ(AlarmTypeName(10000, NameTranslation::Translated), "Track full");
    EXPECT_EQ(AlarmTypeName(10027, NameTranslation::Translated), "Unknown alarm");
    EXPECT_EQ(AlarmTypeName(10027, NameTranslation::German), "Unbekannter Alarm");
    // A name the table does not cover stays German.
    EXPECT_EQ(AlarmTypeName(10001, NameTranslation::Translated),
              "Plattenbelegung hat eingestellte Prozentmarke ueberschritten");
}

TEST(AlarmTypeName, TranslationIsLookedUpAtEachCall)
{
    EXPECT_EQ(AlarmTypeName(10014, NameTranslation::Translated), "Alarm Beginn");
    {
        ScopedTranslation translation({{"Alarm Beginn", "Alarm start"}});
        EXPECT_EQ(AlarmTypeName(10014, NameTranslation::Translated), "Alarm start");
    }
    EXPECT_EQ(AlarmTypeName(10014, NameTranslation::Translated), "Alarm Beginn");
}

TEST(CatalogueOrder, HoldsTheThirtyNineCodesInListOrder)
{
    std::span<const int32_t> order = CatalogueOrder();
    EXPECT_EQ(std::vector<int32_t>(order.begin(), order.end()),
              std::vector<int32_t>(std::begin(kExpectedOrder), std::end(kExpectedOrder)));
    EXPECT_EQ(std::set<int32_t>(order.begin(), order.end()).size(), 39u);
}

TEST(AlarmTypeWalk, YieldsThirtyNineCodesInOrderThenEnds)
{
    AlarmTypeWalk walk;
    std::vector<int32_t> codes;
    while (auto step = walk.Next()) {
        codes.push_back(step->code);
        EXPECT_EQ(step->name, ExpectedGermanName(step->code));
        ASSERT_LE(codes.size(), 39u);
    }
    EXPECT_EQ(codes, std::vector<int32_t>(std::begin(kExpectedOrder), std::end(kExpectedOrder)));
    EXPECT_EQ(codes.back(), 10039);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 10007), 0);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 10027), 0);
    EXPECT_FALSE(walk.Next());
}

TEST(AlarmTypeWalk, TranslatesEachNameWhenItIsReached)
{
    AlarmTypeWalk walk;
    EXPECT_EQ(walk.Next()->name, "Spur ist voll");
    ScopedTranslation translation({{"Plattenbelegung hat eingestellte Prozentmarke ueberschritten",
                                    "Disk usage has exceeded the set percentage"}});
    auto step = walk.Next();
    ASSERT_TRUE(step);
    EXPECT_EQ(step->code, 10001);
    EXPECT_EQ(step->name, "Disk usage has exceeded the set percentage");
}

TEST(PriorityColor, EachPriorityHasItsColor)
{
    EXPECT_EQ(PriorityColor(0), (RgbColor{255, 0, 0}));
    EXPECT_EQ(PriorityColor(1), (RgbColor{255, 100, 0}));
    EXPECT_EQ(PriorityColor(2), (RgbColor{255, 150, 0}));
    EXPECT_EQ(PriorityColor(3), (RgbColor{255, 255, 70}));
    EXPECT_EQ(PriorityColor(4), (RgbColor{255, 255, 150}));
    EXPECT_EQ(PriorityColor(5), (RgbColor{255, 255, 255}));
}

TEST(PriorityColor, OtherPrioritiesAreBlack)
{
    for (int32_t priority : {6, -1, 100, INT32_MIN, INT32_MAX})
        EXPECT_EQ(PriorityColor(priority), (RgbColor{0, 0, 0})) << priority;
}

TEST(FactoryBarColors, HoldsFortyColorsInTableOrder)
{
    std::span<const FactoryBarColor> colors = FactoryBarColors();
    ASSERT_EQ(colors.size(), std::size(kExpectedBarColors));
    ASSERT_EQ(colors.size(), 40u);
    for (size_t i = 0; i < colors.size(); ++i) {
        EXPECT_EQ(colors[i].code, kExpectedBarColors[i].code) << i;
        EXPECT_EQ(colors[i].colorText, kExpectedBarColors[i].text) << i;
        EXPECT_EQ(colors[i].colorText.size(), 9u) << i;
    }
}

TEST(FactoryBarColors, CoverTheCatalogueAndTenThousandSeven)
{
    std::set<int32_t> codes;
    for (const FactoryBarColor& color : FactoryBarColors())
        codes.insert(color.code);
    std::set<int32_t> expected(CatalogueOrder().begin(), CatalogueOrder().end());
    expected.insert(10007);
    EXPECT_EQ(codes, expected);
}

TEST(FactoryBarColors, RecorderSupervisionTypesShareOneColor)
{
    std::span<const FactoryBarColor> colors = FactoryBarColors();
    auto colorOf = [&](int32_t code) {
        return std::find_if(colors.begin(), colors.end(),
                            [&](const FactoryBarColor& c) { return c.code == code; })
            ->colorText;
    };
    EXPECT_EQ(colorOf(11011), colorOf(11012));
    EXPECT_EQ(ColorFromText(colorOf(11011)), (RgbColor{230, 203, 254}));
}

} // namespace
