// Tests of the translation table: the file format with its end-of-reading
// rules and error messages, the sorted table and its lookup, and layering.
#include "config/Translator.h"

#include "testsupport/TempDir.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Writes text as a quoted field of a translation file.
std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string LineError(int line, const std::string& path, std::string_view reason)
{
    return "Translation File Error in line " + std::to_string(line) + " of File:\n" + path + "\n" +
           std::string(reason);
}

class TranslatorTest : public ::testing::Test {
protected:
    std::string Write(std::string_view name, std::string_view bytes)
    {
        std::string path = m_dir.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    // Loads bytes as the file "t.txt" and returns its path.
    std::string Load(std::string_view bytes, bool expectSuccess = true)
    {
        std::string path = Write("t.txt", bytes);
        EXPECT_EQ(m_translator.LoadFile(path), expectSuccess) << m_translator.LastError();
        return path;
    }

    void ExpectLineError(std::string_view bytes, int line, std::string_view reason)
    {
        std::string path = Load(bytes, false);
        EXPECT_EQ(m_translator.LastError(), LineError(line, path, reason));
        EXPECT_TRUE(m_translator.Pairs().empty());
    }

    TempDir m_dir;
    Translator m_translator;
};

// Reading pairs

TEST_F(TranslatorTest, TranslatesExactSource)
{
    Load("\"Fehler!\" \"Error!\"\n");
    EXPECT_EQ(m_translator.Translate("Fehler!"), "Error!");
}

TEST_F(TranslatorTest, TextWithoutPairIsReturnedUnchanged)
{
    Load("\"Fehler!\" \"Error!\"\n");
    EXPECT_EQ(m_translator.Translate("Warnung!"), "Warnung!");
    EXPECT_EQ(m_translator.Translate("Fehler"), "Fehler");
    EXPECT_EQ(m_translator.Translate("Fehler!!"), "Fehler!!");
    EXPECT_EQ(m_translator.Translate(""), "");
}

TEST_F(TranslatorTest, TextDifferingOnlyInLetterCaseIsNotTranslated)
{
    Load("\"Fehler!\" \"Error!\"\n");
    EXPECT_EQ(m_translator.Translate("fehler!"), "fehler!");
    EXPECT_EQ(m_translator.Translate("FEHLER!"), "FEHLER!");
}

TEST_F(TranslatorTest, EmptyFileSucceedsWithNoPairs)
{
    Load("");
    EXPECT_TRUE(m_translator.Pairs().empty());
}

TEST_F(TranslatorTest, BlanksAndTabsAroundFieldsAreAccepted)
{
    Load(" \t \"a\" \t \"b\"\n\t\"c\"\"d\"\n");
    EXPECT_EQ(m_translator.Translate("a"), "b");
    EXPECT_EQ(m_translator.Translate("c"), "d");
}

TEST_F(TranslatorTest, CrLfLineEndIsAccepted)
{
    Load("\"a\" \"b\"\r\n\"c\" \"d\"\r\n");
    EXPECT_EQ(m_translator.Translate("a"), "b");
    EXPECT_EQ(m_translator.Translate("c"), "d");
    EXPECT_EQ(m_translator.Pairs().size(), 2u);
}

TEST_F(TranslatorTest, LastLineWithoutLineEndIsRead)
{
    Load("\"a\" \"b\"\n\"c\" \"d\"");
    EXPECT_EQ(m_translator.Translate("c"), "d");
    Load("\"e\" \"f\"\r");
    EXPECT_EQ(m_translator.Translate("e"), "f");
}

TEST_F(TranslatorTest, EmptySourceIsNotAdded)
{
    Load("\"\" \"nothing\"\n\"a\" \"b\"\n");
    ASSERT_EQ(m_translator.Pairs().size(), 1u);
    EXPECT_EQ(m_translator.Translate(""), "");
}

TEST_F(TranslatorTest, EmptyTargetIsATranslation)
{
    Load("\"a\" \"\"\n");
    EXPECT_EQ(m_translator.Translate("a"), "");
}

TEST_F(TranslatorTest, FirstOccurrenceOfASourceWins)
{
    Load("\"a\" \"first\"\n\"b\" \"x\"\n\"a\" \"second\"\n\"a\" \"third\"\n");
    EXPECT_EQ(m_translator.Translate("a"), "first");
    EXPECT_EQ(m_translator.Pairs().size(), 2u);
}

TEST_F(TranslatorTest, EscapesInSourceAndTarget)
{
    Load(R"("say \"hi\"" "sag \"hallo\"")"
         "\n"
         R"("back\\slash" "t\tab")"
         "\n"
         R"("two\nlines\r" "x\\n")"
         "\n");
    EXPECT_EQ(m_translator.Translate("say \"hi\""), "sag \"hallo\"");
    EXPECT_EQ(m_translator.Translate("back\\slash"), "t\tab");
    EXPECT_EQ(m_translator.Translate("two\nlines\r"), "x\\n");
    EXPECT_EQ(m_translator.Translate("say \\\"hi\\\""), "say \\\"hi\\\"");
}

TEST_F(TranslatorTest, RawBytesInsideQuotesAreKept)
{
    Load("\"\xC3\x84nderung\tA\rB\" \"Change\"\n");
    EXPECT_EQ(m_translator.Translate("\xC3\x84nderung\tA\rB"), "Change");
}

TEST_F(TranslatorTest, SeveralCrAfterTargetAreAccepted)
{
    Load("\"a\" \"b\"\r\r\n\"c\" \"d\"\n");
    EXPECT_EQ(m_translator.Translate("c"), "d");
}

// Where reading ends

TEST_F(TranslatorTest, CommentAsFirstLineLoadsNothing)
{
    Load(";German texts\n\"a\" \"b\"\n");
    EXPECT_TRUE(m_translator.Pairs().empty());
}

TEST_F(TranslatorTest, CommentAfterBlanksEndsReading)
{
    Load("\"a\" \"b\"\n \t;comment\n\"c\" \"d\"\n");
    EXPECT_EQ(m_translator.Translate("a"), "b");
    EXPECT_EQ(m_translator.Translate("c"), "c");
}

TEST_F(TranslatorTest, EmptyLineEndsReadingAndLaterErrorsAreIgnored)
{
    Load("\"a\" \"b\"\n\n\"c\" \"d\"\nnot a pair\n");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
    EXPECT_EQ(m_translator.Translate("c"), "c");
}

TEST_F(TranslatorTest, LineOfBlanksEndsReading)
{
    Load("\"a\" \"b\"\n \t \n\"c\" \"d\"\n");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

TEST_F(TranslatorTest, LineOfBlanksAtEndOfDataEndsReading)
{
    Load("\"a\" \"b\"\n  ");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

TEST_F(TranslatorTest, EmptyCrLfLineEndsReading)
{
    Load("\"a\" \"b\"\r\n\r\n\"c\" \"d\"\r\n");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

TEST_F(TranslatorTest, CrAfterBlanksEndsReading)
{
    Load("\"a\" \"b\"\n  \r\"c\" \"d\"\n\"e\" \"f\"\n");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

// Errors: each names its line and the file, and empties the table

TEST_F(TranslatorTest, MissingFileFailsWithNotFoundAndKeepsTable)
{
    Load("\"a\" \"b\"\n");
    std::string path = m_dir.File("French.txt");
    EXPECT_FALSE(m_translator.LoadFile(path));
    EXPECT_EQ(m_translator.LastError(), "Language file\n" + path + "\nnot found!");
    EXPECT_EQ(m_translator.Translate("a"), "b");
}

TEST_F(TranslatorTest, FolderFailsLikeMissingFile)
{
    std::string path = m_dir.Path().string();
    EXPECT_FALSE(m_translator.LoadFile(path));
    EXPECT_EQ(m_translator.LastError(), "Language file\n" + path + "\nnot found!");
}

TEST_F(TranslatorTest, InvalidCharAtBeginningOfLine)
{
    ExpectLineError("\"a\" \"b\"\nx\"c\" \"d\"\n", 2, "Invalid char at beginning of the line!");
}

TEST_F(TranslatorTest, UnknownEscapeInSource)
{
    ExpectLineError("\"a\\x\" \"b\"\n", 1, "Unknown escape char!");
}

TEST_F(TranslatorTest, UnknownEscapeInTarget)
{
    ExpectLineError("\"a\" \"b\"\n\"c\" \"d\"\n\"e\" \"f\\0\"\n", 3, "Unknown escape char!");
}

TEST_F(TranslatorTest, InvalidCharInTheMiddleOfLine)
{
    ExpectLineError("\"a\" \"b\"\n\"c\" x \"d\"\n", 2, "Invalid char at the middle of the line!");
}

TEST_F(TranslatorTest, CrBetweenFieldsIsInvalidInTheMiddle)
{
    ExpectLineError("\"a\"\r\n", 1, "Invalid char at the middle of the line!");
}

TEST_F(TranslatorTest, BlankAfterTargetIsInvalidAtEnd)
{
    ExpectLineError("\"a\" \"b\" \n", 1, "Invalid char at the end of line!");
    ExpectLineError("\"a\" \"b\"\n\"c\" \"d\" \r\n", 2, "Invalid char at the end of line!");
}

TEST_F(TranslatorTest, ThirdFieldIsInvalidAtEnd)
{
    ExpectLineError("\"a\" \"b\" \"c\"\n", 1, "Invalid char at the end of line!");
}

TEST_F(TranslatorTest, SourceOnlyIsMissingQuote)
{
    ExpectLineError("\"a\" \"b\"\n\"c\"\n", 2, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, OpenSourceIsMissingQuote)
{
    ExpectLineError("\"abc\n", 1, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, OpenTargetIsMissingQuote)
{
    ExpectLineError("\"a\" \"b\"\n\"c\" \"d\r\n", 2, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, EscapedClosingQuoteIsMissingQuote)
{
    ExpectLineError("\"a\" \"b\\\"\n", 1, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, BackslashAtLineEndIsMissingQuote)
{
    ExpectLineError("\"a\" \"b\\", 1, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, OpenQuoteOnLastLineWithoutLineEndIsMissingQuote)
{
    ExpectLineError("\"a\" \"b\"\n\"c\" \"d", 2, "Missing '\"' in line!");
}

TEST_F(TranslatorTest, ErrorDropsPairsOfEarlierLines)
{
    ExpectLineError("\"a\" \"b\"\n\"c\" \"d\"\n?\n", 3, "Invalid char at beginning of the line!");
    EXPECT_EQ(m_translator.Translate("a"), "a");
}

TEST_F(TranslatorTest, ErrorEmptiesPairsOfEarlierFile)
{
    EXPECT_TRUE(m_translator.LoadFile(Write("good.txt", "\"a\" \"b\"\n")));
    std::string bad = Write("bad.txt", "\"c\" \"d\"\n\"e\"\n");
    EXPECT_FALSE(m_translator.LoadFile(bad));
    EXPECT_TRUE(m_translator.Pairs().empty());
    EXPECT_EQ(m_translator.Translate("a"), "a");
    EXPECT_EQ(m_translator.LastError(), LineError(2, bad, "Missing '\"' in line!"));
}

// Line length

std::string PairLineOfLength(size_t length)
{
    std::string line = "\"a\" \"";
    line.append(length - line.size() - 1, 'x');
    return line + "\"";
}

TEST_F(TranslatorTest, LineOfMaximumLengthIsRead)
{
    std::string line = PairLineOfLength(Translator::kMaxLineBytes);
    ASSERT_EQ(line.size(), 300u);
    Load(line + "\n");
    EXPECT_EQ(m_translator.Translate("a").size(), 294u);
    Load(line + "\r\n");
    Load(line);
}

TEST_F(TranslatorTest, CrAfterLineOfMaximumLengthIsStillParsed)
{
    std::string line = "\"a\"" + std::string(Translator::kMaxLineBytes - 3, ' ');
    ExpectLineError(line + "\r\n", 1, "Invalid char at the middle of the line!");
}

TEST_F(TranslatorTest, LongerLineIsRejectedWithItsNumber)
{
    std::string line = PairLineOfLength(Translator::kMaxLineBytes + 1);
    ExpectLineError("\"b\" \"c\"\n" + line + "\n", 2, "Line too long!");
    ExpectLineError("\"b\" \"c\"\n" + line + "\r\n", 2, "Line too long!");
    ExpectLineError(line, 1, "Line too long!");
}

TEST_F(TranslatorTest, VeryLongLineIsRejected)
{
    std::string text = "\"a\" \"b\"\n\"c\" \"" + std::string(1 << 20, 'x') + "\"\n";
    ExpectLineError(text, 2, "Line too long!");
}

TEST_F(TranslatorTest, LongLineThatEndsReadingIsNoError)
{
    Load("\"a\" \"b\"\n;" + std::string(1000, '-') + "\n");
    Load("\"c\" \"d\"\n" + std::string(1000, ' ') + "\n");
    EXPECT_EQ(m_translator.Pairs().size(), 2u);
}

TEST_F(TranslatorTest, LongLineAfterEndOfReadingIsIgnored)
{
    Load("\"a\" \"b\"\n\n" + PairLineOfLength(500) + "\n");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

// Order and lookup

TEST_F(TranslatorTest, PairsAreSortedByUnsignedBytes)
{
    Load("\"\xC3\x84pfel\" \"apples\"\n\"Zebra\" \"zebra\"\n\"apple\" \"Apfel\"\n\"\x7F\" "
         "\"del\"\n");
    std::vector<std::string> sources;
    for (const auto& pair : m_translator.Pairs())
        sources.push_back(pair.first);
    EXPECT_EQ(sources, (std::vector<std::string>{"Zebra", "apple", "\x7F", "\xC3\x84pfel"}));
    EXPECT_EQ(m_translator.Translate("\xC3\x84pfel"), "apples");
    EXPECT_EQ(m_translator.Translate("\x7F"), "del");
}

class TranslatorLookupTest : public TranslatorTest, public ::testing::WithParamInterface<int> {};

// Sources spread over the whole byte range, written in scrambled order, so
// the sort and the search must agree on how bytes compare.
std::string SourceNumber(int i)
{
    std::string source;
    source += static_cast<char>((i * 97 + 13) % 256);
    source += "src" + std::to_string(i);
    source += static_cast<char>((i * 31) % 256);
    return source;
}

TEST_P(TranslatorLookupTest, FindsEveryPairAndNothingElse)
{
    const int count = GetParam();
    std::string text;
    for (int k = 0; k < count; ++k) {
        int i = (k * 7919) % count;
        text += Quote(SourceNumber(i)) + " " + Quote("target " + std::to_string(i)) + "\n";
    }
    Load(text);
    ASSERT_EQ(m_translator.Pairs().size(), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(m_translator.Translate(SourceNumber(i)), "target " + std::to_string(i)) << i;
        std::string near = SourceNumber(i);
        near.pop_back();
        EXPECT_EQ(m_translator.Translate(near), near);
        EXPECT_EQ(m_translator.Translate(SourceNumber(i) + "x"), SourceNumber(i) + "x");
    }
    const auto& pairs = m_translator.Pairs();
    std::string beforeAll = pairs.front().first.substr(0, pairs.front().first.size() - 1);
    std::string afterAll = pairs.back().first + "\xFF";
    EXPECT_EQ(m_translator.Translate(beforeAll), beforeAll);
    EXPECT_EQ(m_translator.Translate(afterAll), afterAll);
}

INSTANTIATE_TEST_SUITE_P(TableSizes, TranslatorLookupTest, ::testing::Values(1, 2, 3, 1000));

// Layering of language file and fallback

TEST_F(TranslatorTest, LanguageFileTakesPrecedenceOverFallback)
{
    std::string language = Write("French.txt", "\"Fehler!\" \"Erreur!\"\n");
    std::string fallback = Write("English.txt", "\"Fehler!\" \"Error!\"\n\"Ja\" \"Yes\"\n");
    EXPECT_TRUE(m_translator.LoadLanguage(language, fallback));
    EXPECT_EQ(m_translator.Translate("Fehler!"), "Erreur!");
    EXPECT_EQ(m_translator.Translate("Ja"), "Yes");
}

TEST_F(TranslatorTest, LoadLanguageEmptiesTableFirst)
{
    Load("\"old\" \"alt\"\n");
    EXPECT_TRUE(m_translator.LoadLanguage(Write("German.txt", "\"a\" \"a\"\n"), {}));
    EXPECT_EQ(m_translator.Translate("old"), "old");
    EXPECT_EQ(m_translator.Pairs().size(), 1u);
}

TEST_F(TranslatorTest, MissingLanguageFileSkipsFallback)
{
    Load("\"old\" \"alt\"\n");
    std::string language = m_dir.File("Klingon.txt");
    std::string fallback = Write("English.txt", "\"Ja\" \"Yes\"\n");
    EXPECT_FALSE(m_translator.LoadLanguage(language, fallback));
    EXPECT_EQ(m_translator.LastError(), "Language file\n" + language + "\nnot found!");
    EXPECT_TRUE(m_translator.Pairs().empty());
}

TEST_F(TranslatorTest, BadLanguageFileSkipsFallback)
{
    std::string language = Write("French.txt", "\"Ja\" \"Oui\"\n\"Nein\"\n");
    std::string fallback = Write("English.txt", "\"Ja\" \"Yes\"\n");
    EXPECT_FALSE(m_translator.LoadLanguage(language, fallback));
    EXPECT_EQ(m_translator.LastError(), LineError(2, language, "Missing '\"' in line!"));
    EXPECT_TRUE(m_translator.Pairs().empty());
}

TEST_F(TranslatorTest, BadFallbackEmptiesTable)
{
    std::string language = Write("French.txt", "\"Ja\" \"Oui\"\n");
    std::string fallback = Write("English.txt", "\"Nein\" \"No\"\n\"x\" \"y\"z\n");
    EXPECT_FALSE(m_translator.LoadLanguage(language, fallback));
    EXPECT_EQ(m_translator.LastError(), LineError(2, fallback, "Invalid char at the end of line!"));
    EXPECT_TRUE(m_translator.Pairs().empty());
}

TEST_F(TranslatorTest, MissingFallbackKeepsLanguagePairs)
{
    std::string language = Write("French.txt", "\"Ja\" \"Oui\"\n");
    std::string fallback = m_dir.File("English.txt");
    EXPECT_FALSE(m_translator.LoadLanguage(language, fallback));
    EXPECT_EQ(m_translator.LastError(), "Language file\n" + fallback + "\nnot found!");
    EXPECT_EQ(m_translator.Translate("Ja"), "Oui");
}

TEST_F(TranslatorTest, SameFallbackAsLanguageAddsNothing)
{
    std::string english = Write("English.txt", "\"Ja\" \"Yes\"\n\"Nein\" \"No\"\n");
    EXPECT_TRUE(m_translator.LoadLanguage(english, english));
    EXPECT_EQ(m_translator.Pairs().size(), 2u);
}

TEST_F(TranslatorTest, FileOnTopAddsOnlyMissingSourcesInOrder)
{
    EXPECT_TRUE(m_translator.LoadFile(Write("one.txt", "\"b\" \"1\"\n\"d\" \"1\"\n")));
    EXPECT_TRUE(m_translator.LoadFile(
        Write("two.txt", "\"e\" \"2\"\n\"d\" \"2\"\n\"a\" \"2\"\n\"c\" \"2\"\n\"a\" \"3\"\n")));
    std::vector<Translator::Pair> expected{
        {"a", "2"}, {"b", "1"}, {"c", "2"}, {"d", "1"}, {"e", "2"}};
    EXPECT_EQ(m_translator.Pairs(), expected);
}

// The process-wide table

TEST(TranslatorGlobal, TrLooksUpTheGlobalTable)
{
    TempDir dir;
    std::string path = dir.File("English.txt");
    WriteFileBytes(path, "\"Fehler!\" \"Error!\"\n");
    Translator& global = Translator::Global();
    EXPECT_EQ(&global, &Translator::Global());
    global.Clear();
    EXPECT_EQ(Tr("Fehler!"), "Fehler!");
    ASSERT_TRUE(global.LoadFile(path));
    EXPECT_EQ(Tr("Fehler!"), "Error!");
    EXPECT_EQ(Tr("Warnung"), "Warnung");
    global.Clear();
}

// Counted texts in the shipped languages, by each language's plural rule.
TEST(TranslatorCount, EachLanguageHasItsFormForTheCount)
{
    const char* const rows[][4] = {
        {"German", "%d Rekorder im Filter", "1", "%d Rekorder im Filter"},
        {"English", "%d Rekorder im Filter", "1", "%d recorder in the filter"},
        {"English", "%d Rekorder im Filter", "0", "%d recorders in the filter"},
        {"French", "%d Rekorder im Filter", "0", "%d enregistreur dans le filtre"},
        {"French", "%d Rekorder im Filter", "2", "%d enregistreurs dans le filtre"},
        {"French", "Rekorder bearbeiten", "1", "Modifier l'enregistreur"},
        {"Polish", "Rekorder bearbeiten", "1", "Edycja rejestratora"},
        {"Polish", "Rekorder bearbeiten", "22", "Edycja rejestratorów"},
        {"French", "%d Alarme im Filter", "0", "%d alarme dans le filtre"},
        {"English", "%d/%d Rekordern aus Kavex uebernommen.", "1",
         "%d/%d recorder taken over from Kavex."},
        {"Spanish", "%d/%d Rekordern aus Kavex uebernommen.", "2",
         "%d/%d videograbadores importados de Kavex."}};
    std::filesystem::path folder = std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages";
    for (const auto& [language, text, count, expected] : rows) {
        Translator translator;
        ASSERT_TRUE(translator.LoadLanguage(folder / (std::string(language) + ".txt"),
                                            folder / "English.txt"));
        EXPECT_EQ(translator.TranslateCount(text, std::stoi(count)), expected) << language << count;
    }
}

} // namespace
