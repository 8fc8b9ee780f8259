// Checks the shipped language files against the code: every German text
// written as a Tr or TrNoop literal under src/ has an English translation, and
// German.txt is the up-to-date identity mapping of English.txt's sources.
#include "config/Translator.h"
#include "testsupport/TempDir.h"

#include <algorithm>
#include <filesystem>
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

TEST(TranslationCoverage, EnglishFileCoversEveryTrLiteral)
{
    Translator english;
    std::filesystem::path englishPath = kSourceDir / "Languages" / "English.txt";
    ASSERT_TRUE(english.LoadFile(englishPath)) << english.LastError();
    ASSERT_FALSE(english.Pairs().empty());

    std::set<std::string> missing;
    size_t scannedFiles = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSourceDir / "src")) {
        std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        ++scannedFiles;
        for (const std::string& text : FindTrLiterals(ReadFileBytes(entry.path()))) {
            bool translated = std::any_of(english.Pairs().begin(), english.Pairs().end(),
                                          [&](const auto& pair) { return pair.first == text; });
            if (!translated)
                missing.insert(DescribeText(text) + " (" + entry.path().filename().string() + ")");
        }
    }
    EXPECT_GT(scannedFiles, 0u);
    for (const std::string& text : missing)
        ADD_FAILURE() << "Languages/English.txt lacks " << text;
}

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
