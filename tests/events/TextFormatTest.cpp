// The checked formatter and the AddInfo text rules.
#include "events/TextFormat.h"

#include "ScopedTranslation.h"
#include "events/AddInfoText.h"

#include <gtest/gtest.h>

TEST(TextFormat, FormatsTheSupportedConversions)
{
    EXPECT_EQ(FormatText("%d, %i, %s", 3, -4, "x"), "3, -4, x");
    EXPECT_EQ(FormatText("0x%x", 0x8003u), "0x8003");
    EXPECT_EQ(FormatText("%X", 255), "FF");
    EXPECT_EQ(FormatText("%02d:%02d:%02d", 7, 8, 9), "07:08:09");
    EXPECT_EQ(FormatText("%03d|%-3d|%3s", -5, 1, "a"), "-05|1  |  a");
    EXPECT_EQ(FormatText("100%%"), "100%");
    EXPECT_EQ(FormatText("%ld %lld %hd", 1, 2, 3), "1 2 3");
}

TEST(TextFormat, HexShowsNegativeValuesAsThirtyTwoBits)
{
    EXPECT_EQ(FormatText("%x", -1), "ffffffff");
}

TEST(TextFormat, MismatchedFormatIsUsedVerbatim)
{
    EXPECT_EQ(FormatText("%s", 3), "%s");
    EXPECT_EQ(FormatText("%d %d", 3), "%d %d");
    EXPECT_EQ(FormatText("%d", 3, 4), "%d");
    EXPECT_EQ(FormatText("%n", 3), "%n");
    EXPECT_EQ(FormatText("%9999d", 3), "%9999d");
    EXPECT_EQ(FormatText("50%"), "50%");
}

TEST(TextFormat, TranslatedFormatIsUsed)
{
    ScopedTranslation translation({{"Kamera: %d", "Camera: %d"}});
    EXPECT_EQ(FormatTr("Kamera: %d", 4), "Camera: 4");
}

TEST(TextFormat, TranslationWithOtherConversionsFallsBackToGerman)
{
    ScopedTranslation translation(
        {{"Kamera: %d", "Camera: %s"}, {"Spur: %d", "Track: %d %d"}, {"Karte: %d; ", "%n"}});
    EXPECT_EQ(FormatTr("Kamera: %d", 4), "Kamera: 4");
    EXPECT_EQ(FormatTr("Spur: %d", 4), "Spur: 4");
    EXPECT_EQ(FormatTr("Karte: %d; ", 4), "Karte: 4; ");
}

TEST(AddInfoText, TrimEndRemovesOnlyTrailingCharacters)
{
    std::string text = " a, b, , ";
    TrimEnd(text, ' ');
    EXPECT_EQ(text, " a, b, ,");
    TrimEnd(text, ',');
    EXPECT_EQ(text, " a, b, ");
    std::string all = "   ";
    TrimEnd(all, ' ');
    EXPECT_EQ(all, "");
}

TEST(AddInfoText, NormalisationDropsDoubledBlanksAndTheLastCharacter)
{
    EXPECT_EQ(NormaliseAddInfo("a  b   c "), "a b c");
    EXPECT_EQ(NormaliseAddInfo("FAILINFO!  "), "FAILINFO!");
    EXPECT_EQ(NormaliseAddInfo("x"), "");
    EXPECT_EQ(NormaliseAddInfo(""), "");
    EXPECT_EQ(NormaliseAddInfo("ab"), "a");
}

TEST(AddInfoText, NormalisationCutsLongTextsTo127)
{
    std::string text(200, 'x');
    std::string normalised = NormaliseAddInfo(text);
    EXPECT_EQ(normalised.size(), 127u);
    EXPECT_EQ(normalised, std::string(123, 'x') + " ...");
    EXPECT_EQ(NormaliseAddInfo(std::string(128, 'y')), std::string(127, 'y'));
    EXPECT_EQ(NormaliseAddInfo(std::string(129, 'y')), std::string(123, 'y') + " ...");
}

TEST(AddInfoText, CutNeverSplitsAUtf8Character)
{
    // 122 ASCII bytes, then "°" (two bytes) across the cut at 123.
    std::string text = std::string(122, 'x') + "\xC2\xB0" + std::string(20, 'z') + " ";
    std::string normalised = NormaliseAddInfo(text);
    EXPECT_EQ(normalised, std::string(122, 'x') + " ...");

    std::string exact = std::string(121, 'x') + "\xC2\xB0" + std::string(20, 'z') + " ";
    EXPECT_EQ(NormaliseAddInfo(exact), std::string(121, 'x') + "\xC2\xB0 ...");
}

TEST(AddInfoText, FailInfoPrefixIsTranslated)
{
    EXPECT_EQ(FailInfoPrefix("Text"), "FAILINFO! Text ");
    ScopedTranslation translation({{"FAILINFO!", "FAILURE!"}});
    EXPECT_EQ(FailInfoPrefix("Text"), "FAILURE! Text ");
}

TEST(AddInfoText, ProtocolErrorText)
{
    EXPECT_EQ(ProtocolErrorText(), "Fehler: Interner Protokollfehler!");
    ScopedTranslation translation(
        {{"Fehler: Interner Protokollfehler!", "Error: internal protocol error!"}});
    EXPECT_EQ(ProtocolErrorText(), "Error: internal protocol error!");
}
