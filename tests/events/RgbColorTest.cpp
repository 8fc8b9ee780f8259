// Colour texts: reading the three right-aligned fields and writing them back.
#include "events/RgbColor.h"

#include "events/AlarmTypeCatalogue.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorFromText, ReadsRightAlignedFieldsWithBlanksAsZero)
{
    EXPECT_EQ(ColorFromText("255      "), (RgbColor{255, 0, 0}));
    EXPECT_EQ(ColorFromText(" 40   225"), (RgbColor{40, 0, 225}));
    EXPECT_EQ(ColorFromText("178179194"), (RgbColor{178, 179, 194}));
    EXPECT_EQ(ColorFromText("  0  0  0"), (RgbColor{0, 0, 0}));
    EXPECT_EQ(ColorFromText(" 70 70 70"), (RgbColor{70, 70, 70}));
}

TEST(ColorFromText, FieldWithoutDigitsIsZero)
{
    EXPECT_EQ(ColorFromText("abc 12xyz"), (RgbColor{0, 12, 0}));
    EXPECT_EQ(ColorFromText("         "), (RgbColor{0, 0, 0}));
}

TEST(ColorFromText, FieldStopsAtFirstNonDigit)
{
    EXPECT_EQ(ColorFromText("1 2 3 4 5"), (RgbColor{1, 3, 4}));
}

TEST(ColorFromText, ShortTextReadsMissingFieldsAsZero)
{
    EXPECT_EQ(ColorFromText(""), (RgbColor{0, 0, 0}));
    EXPECT_EQ(ColorFromText("255"), (RgbColor{255, 0, 0}));
    EXPECT_EQ(ColorFromText("  1  2"), (RgbColor{1, 2, 0}));
    EXPECT_EQ(ColorFromText("  1  2  3"), (RgbColor{1, 2, 3}));
    EXPECT_EQ(ColorFromText("  1  2 3"), (RgbColor{1, 2, 3}));
}

TEST(ColorFromText, CharactersAfterTheNinthAreIgnored)
{
    EXPECT_EQ(ColorFromText("  1  2  3999"), (RgbColor{1, 2, 3}));
}

TEST(ColorFromText, OutOfRangeFieldsAreClampedToAByte)
{
    EXPECT_EQ(ColorFromText("999256300"), (RgbColor{255, 255, 255}));
    EXPECT_EQ(ColorFromText(" -5 12  7"), (RgbColor{0, 12, 7}));
}

TEST(ColorToText, FormatsEachComponentInThreeCharacters)
{
    EXPECT_EQ(ColorToText({0, 0, 0}), "  0  0  0");
    EXPECT_EQ(ColorToText({255, 0, 0}), "255  0  0");
    EXPECT_EQ(ColorToText({40, 0, 225}), " 40  0225");
    EXPECT_EQ(ColorToText({7, 77, 177}), "  7 77177");
}

TEST(ColorToText, ReadsBackAsTheSameColor)
{
    for (int red = 0; red <= 255; red += 15) {
        for (int green = 0; green <= 255; green += 17) {
            for (int blue = 0; blue <= 255; blue += 51) {
                RgbColor color{static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                               static_cast<uint8_t>(blue)};
                std::string text = ColorToText(color);
                EXPECT_EQ(text.size(), 9u);
                EXPECT_EQ(ColorFromText(text), color) << text;
            }
        }
    }
}

} // namespace

TEST(ReadableTextOn, EveryPriorityColourGetsTextOfAtLeastFourAndAHalfToOne)
{
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kWhite, kWhite), 1.0, 1e-9);
    // Red and orange took white text before, at 4.0:1 and below.
    EXPECT_EQ(ReadableTextOn(PriorityColor(0)), kBlack);
    EXPECT_EQ(ReadableTextOn(PriorityColor(1)), kBlack);
    EXPECT_EQ(ReadableTextOn({25, 25, 25}), kWhite);
    for (int32_t priority = 0; priority < 6; ++priority) {
        RgbColor background = PriorityColor(priority);
        EXPECT_GE(ContrastRatio(background, ReadableTextOn(background)), 4.5) << priority;
    }
}
