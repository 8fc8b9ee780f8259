// Checks the shipped language files against the code: every German text
// written as a Tr or TrNoop literal under src/ has an English translation,
// every other shipped language translates what English translates with the
// same printf conversions, and German.txt is the up-to-date identity mapping
// of English.txt's sources.
#include "config/Translator.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

bool IsIdentifierChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The identifier that ends right before position end, for literal prefixes
// such as u8 or R.
std::string_view IdentifierBefore(std::string_view text, size_t end)
{
    size_t begin = end;
    while (begin > 0 && IsIdentifierChar(text[begin - 1]))
        --begin;
    return text.substr(begin, end - begin);
}

// Reads the ordinary string literal whose opening quote is at pos; returns
// the position after the closing quote (npos when unterminated) and its value.
size_t ReadStringLiteral(std::string_view text, size_t pos, std::string& value)
{
    for (size_t i = pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            return i + 1;
        if (c == '\n')
            return std::string_view::npos;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i == text.size())
            return std::string_view::npos;
        switch (text[i]) {
        case 'n':
            value += '\n';
            break;
        case 't':
            value += '\t';
            break;
        case 'r':
            value += '\r';
            break;
        default: // \" \\ \' \?
            value += text[i];
        }
    }
    return std::string_view::npos;
}

size_t SkipRawStringLiteral(std::string_view text, size_t pos)
{
    size_t open = text.find('(', pos);
    if (open == std::string_view::npos)
        return open;
    std::string closing = ")" + std::string(text.substr(pos + 1, open - pos - 1)) + "\"";
    size_t close = text.find(closing, open);
    return close == std::string_view::npos ? close : close + closing.size();
}

size_t SkipCharLiteral(std::string_view text, size_t pos)
{
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '\'' || text[i] == '\n')
            return i + 1;
    }
    return std::string_view::npos;
}

size_t SkipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() &&
           (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
        ++pos;
    return pos;
}

// The texts of all Tr("...") and TrNoop("...") calls in a C++ source text, with escapes
// resolved and adjacent literals joined. Comments, other string and
// character literals are skipped, so a Tr mentioned in them does not count.
std::vector<std::string> FindTrLiterals(std::string_view text)
{
    std::vector<std::string> found;
    size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (text.substr(pos, 2) == "//") {
            pos = text.find('\n', pos);
            continue;
        }
        if (text.substr(pos, 2) == "/*") {
            size_t end = text.find("*/", pos + 2);
            pos = end == std::string_view::npos ? end : end + 2;
            continue;
        }
        if (c == '"') {
            std::string_view prefix = IdentifierBefore(text, pos);
            if (!prefix.empty() && prefix.back() == 'R') {
                pos = SkipRawStringLiteral(text, pos);
                continue;
            }
            std::string ignored;
            pos = ReadStringLiteral(text, pos, ignored);
            continue;
        }
        if (c == '\'') {
            // After a digit or letter it is a digit separator (1'000) unless
            // the letters are a character literal prefix.
            std::string_view prefix = IdentifierBefore(text, pos);
            bool isLiteral =
                prefix.empty() || prefix == "u8" || prefix == "u" || prefix == "U" || prefix == "L";
            pos = isLiteral ? SkipCharLiteral(text, pos) : pos + 1;
            continue;
        }
        // TrNoop marks a text in a table that is translated when shown.
        bool atNameStart = pos == 0 || !IsIdentifierChar(text[pos - 1]);
        size_t callLength = text.substr(pos, 3) == "Tr("       ? 3
                            : text.substr(pos, 7) == "TrNoop(" ? 7
                                                               : 0;
        if (!atNameStart || callLength == 0) {
            ++pos;
            continue;
        }
        pos += callLength;
        size_t literal = SkipBlanks(text, pos);
        if (literal >= text.size() || text[literal] != '"')
            continue;
        std::string value;
        size_t next = literal;
        while (next < text.size() && text[next] == '"') {
            next = ReadStringLiteral(text, next, value);
            if (next == std::string_view::npos)
                break;
            pos = next;
            next = SkipBlanks(text, next);
        }
        if (next != std::string_view::npos)
            found.push_back(value);
    }
    return found;
}

const std::filesystem::path kSourceDir = WARDEX_SOURCE_DIR;

std::string DescribeText(const std::string& text)
{
    std::string shown;
    for (char c : text)
        shown += c == '\n' ? std::string("\\n") : std::string(1, c);
    return "\"" + shown + "\"";
}

// The scanner

TEST(TrLiteralScanner, FindsLiteralsWithEscapes)
{
    std::string_view code = R"(
        ShowError(Tr("Programminit schlug fehl!"), Tr( "Fehler!" ));
        auto a = Tr("Er sagte \"Nein\"\\Ja\n\tEnde");
    )";
    EXPECT_EQ(FindTrLiterals(code),
              (std::vector<std::string>{"Programminit schlug fehl!", "Fehler!",
                                        "Er sagte \"Nein\"\\Ja\n\tEnde"}));
}

TEST(TrLiteralScanner, JoinsAdjacentLiterals)
{
    std::string_view code = "Tr(\"Erste Zeile\\n\"\n   \"zweite Zeile\")";
    EXPECT_EQ(FindTrLiterals(code), (std::vector<std::string>{"Erste Zeile\nzweite Zeile"}));
}

TEST(TrLiteralScanner, KeepsUtf8Bytes)
{
    EXPECT_EQ(FindTrLiterals("Tr(\"L\xC3\xB6schen\")"),
              (std::vector<std::string>{"L\xC3\xB6schen"}));
}

TEST(TrLiteralScanner, IgnoresCommentsStringsAndOtherNames)
{
    std::string_view code = R"code(
        // Tr("in a line comment")
        /* Tr("in a block comment") */
        std::string s = "Tr(\"inside a string\")";
        auto r = R"x(Tr("inside a raw string"))x";
        char q = '"'; int n = 1'000; Tr("after quote char");
        MyTr("other function"); Tr(variable); Tr(R"(raw text)");
    )code";
    EXPECT_EQ(FindTrLiterals(code), (std::vector<std::string>{"after quote char"}));
}

TEST(TrLiteralScanner, FindsTableMarkers)
{
    std::string_view code = R"(
        {10000, TrNoop("Spur ist voll")}, {10014, TrNoop( "Alarm " "Beginn")},
        MyTrNoop("other function"); TrNoopX("other name"); TrNoop(name);
    )";
    EXPECT_EQ(FindTrLiterals(code), (std::vector<std::string>{"Spur ist voll", "Alarm Beginn"}));
}

TEST(TrLiteralScanner, UrlInStringIsNoComment)
{
    EXPECT_EQ(FindTrLiterals("f(\"http://x\"); Tr(\"Ja\");"), (std::vector<std::string>{"Ja"}));
}

TEST(TrLiteralScanner, UnterminatedLiteralIsNotReported)
{
    EXPECT_TRUE(FindTrLiterals("Tr(\"open").empty());
    EXPECT_TRUE(FindTrLiterals("Tr(\"open\\").empty());
}

// The shipped files

// Every Tr or TrNoop literal under src/, with the name of a file holding it.
std::map<std::string, std::string> TrLiteralsUnderSrc()
{
    std::map<std::string, std::string> literals;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSourceDir / "src")) {
        std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp")) {
            for (std::string& text : FindTrLiterals(ReadFileBytes(entry.path())))
                literals.emplace(std::move(text), entry.path().filename().string());
        }
    }
    return literals;
}

std::set<std::string> Sources(const Translator& translator)
{
    std::set<std::string> sources;
    for (const auto& pair : translator.Pairs())
        sources.insert(pair.first);
    return sources;
}

// The printf conversions of a text in order ("%d", "%02d", "%s", "%%"), and
// the blanks it starts and ends with, which join the pieces of composed texts.
std::vector<std::string> FormatShape(std::string_view text)
{
    std::vector<std::string> shape{std::string(text.substr(0, text.find_first_not_of(' '))),
                                   std::string(text.substr(text.find_last_not_of(' ') + 1))};
    for (size_t pos = text.find('%'); pos != std::string_view::npos; pos = text.find('%', pos)) {
        size_t end = text.find_first_not_of("-+ #0123456789.hlz", pos + 1);
        end = end == std::string_view::npos ? text.size() : end + 1;
        shape.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return shape;
}

TEST(FormatShape, TellsConversionsAndEdgeBlanksApart)
{
    EXPECT_EQ(FormatShape("Karte: %02d, %s %%"), FormatShape("Board: %02d, %s %%"));
    EXPECT_NE(FormatShape("%d von %s"), FormatShape("%s of %d"));
    EXPECT_NE(FormatShape("%ld"), FormatShape("%d"));
    EXPECT_NE(FormatShape("Karte: %d; "), FormatShape("Board: %d;"));
    EXPECT_NE(FormatShape(" (Defaultbenutzer)"), FormatShape("(default user)"));
}

TEST(TranslationCoverage, EnglishFileCoversEveryTrLiteral)
{
    Translator english;
    ASSERT_TRUE(english.LoadFile(kSourceDir / "Languages" / "English.txt")) << english.LastError();
    std::map<std::string, std::string> literals = TrLiteralsUnderSrc();
    ASSERT_FALSE(literals.empty());
    std::set<std::string> translated = Sources(english);
    for (const auto& [text, file] : literals) {
        if (translated.count(text) == 0)
            ADD_FAILURE() << "Languages/English.txt lacks " << DescribeText(text) << " (" << file
                          << ")";
    }
}

// Every shipped language but the generated German.txt; loading one also
// rejects a line over 300 bytes.
std::vector<std::string> ShippedLanguages()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kSourceDir / "Languages")) {
        if (entry.path().extension() == ".txt" && entry.path().stem() != "German")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ShippedLanguage : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::filesystem::path path = kSourceDir / "Languages" / (GetParam() + ".txt");
        ASSERT_TRUE(language.LoadFile(path)) << language.LastError();
        ASSERT_TRUE(english.LoadFile(kSourceDir / "Languages" / "English.txt"));
    }

    Translator language;
    Translator english;
};

TEST_P(ShippedLanguage, TranslatesEveryTrLiteralEnglishTranslates)
{
    std::set<std::string> englishSources = Sources(english);
    std::set<std::string> sources = Sources(language);
    for (const auto& [text, file] : TrLiteralsUnderSrc()) {
        if (englishSources.count(text) != 0 && sources.count(text) == 0)
            ADD_FAILURE() << GetParam() << ".txt lacks " << DescribeText(text) << " (" << file
                          << ")";
    }
}

// A source that English.txt does not know is a German text copied wrongly,
// which no lookup would ever find.
TEST_P(ShippedLanguage, HasNoSourceEnglishLacks)
{
    std::set<std::string> englishSources = Sources(english);
    for (const auto& pair : language.Pairs())
        EXPECT_EQ(englishSources.count(pair.first), 1u) << DescribeText(pair.first);
}

TEST_P(ShippedLanguage, KeepsTheConversionsAndEdgeBlanksOfEachText)
{
    for (const auto& [source, target] : language.Pairs())
        EXPECT_EQ(FormatShape(target), FormatShape(source)) << DescribeText(source);
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguage, ::testing::ValuesIn(ShippedLanguages()),
                         [](const auto& info) { return info.param; });

TEST(TranslationCoverage, GermanFileMapsEnglishSourcesToThemselves)
{
    Translator english;
    Translator german;
    ASSERT_TRUE(english.LoadFile(kSourceDir / "Languages" / "English.txt")) << english.LastError();
    ASSERT_TRUE(german.LoadFile(kSourceDir / "Languages" / "German.txt")) << german.LastError();

    std::vector<Translator::Pair> expected;
    for (const auto& pair : english.Pairs())
        expected.emplace_back(pair.first, pair.first);
    EXPECT_EQ(german.Pairs(), expected) << "run scripts/gen-german";
}

} // namespace
