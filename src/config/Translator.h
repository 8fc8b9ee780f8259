// The translation table: German user-interface texts mapped to the texts of
// the chosen language, loaded from the text files in the "Languages" folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Translator {
public:
    using Pair = std::pair<std::string, std::string>; // source, target

    // A line may hold at most this many bytes, not counting its LF and a CR
    // directly before it.
    static constexpr size_t kMaxLineBytes = 300;

    // The process-wide table that Tr() looks texts up in.
    static Translator& Global();

    // Empties the table, loads the language file and, when that succeeded and
    // a fallback is given, the fallback file on top of it.
    [[nodiscard]] bool LoadLanguage(const std::filesystem::path& path,
                                    const std::filesystem::path& fallbackPath);

    // Adds the file's pairs whose sources the table does not hold yet. A file
    // that cannot be opened leaves the table as it was; a file with a syntax
    // error empties it.
    [[nodiscard]] bool LoadFile(const std::filesystem::path& path);

    // The target of the pair whose source equals text exactly, else text.
    std::string Translate(std::string_view text) const;
    // A text about `count` things. German words often read the same for one
    // and many; languages that tell the forms apart translate the source
    // with " [one]" or (Polish) " [few]" appended, by their own rule for the
    // count. Without such a pair, the plain translation.
    std::string TranslateCount(std::string_view text, int64_t count) const;

    const std::string& LastError() const { return m_lastError; }

    // Sorted by source, bytes compared as unsigned values.
    const std::vector<Pair>& Pairs() const { return m_pairs; }

    void Clear()
    {
        m_pairs.clear();
        m_language.clear();
    }

private:
    bool FailAtLine(long long lineNumber, const std::filesystem::path& path,
                    std::string_view reason);
    void AddPairs(std::vector<Pair> pairs);
    const Pair* Find(std::string_view source) const;

    std::vector<Pair> m_pairs;
    std::string m_lastError;
    // The language file's name, which decides the plural rule.
    std::string m_language;
};

// Every German user-interface text is written as a literal passed to this,
// so a test can list them and check that Languages/English.txt covers them.
std::string Tr(std::string_view german);

// Marks a German text in a table that exists before any translation is
// loaded; whoever shows the text passes it through Tr then. The coverage test
// lists these literals like those of Tr.
constexpr std::string_view TrNoop(std::string_view german)
{
    return german;
}
