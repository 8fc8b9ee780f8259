// Loads translation files line by line with a small state machine and keeps
// the pairs sorted by source, so that a lookup is one binary search.
#include "config/Translator.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// string_view compares through char_traits<char>, which orders bytes as
// unsigned char: UTF-8 umlauts sort after every ASCII text.
bool SourceLess(std::string_view a, std::string_view b)
{
    return a < b;
}

// One line of the file. Only its first bytes are kept, so an overlong line
// costs no memory; what decides whether it ends reading is noted on the way.
struct Line {
    std::string bytes; // without the LF, at most kMaxLineBytes + 1 of them
    size_t length = 0; // all bytes before the LF, a trailing CR not counted
    int firstNonBlank = EOF;
};

enum class ReadResult { Line, EndOfData, ReadFailed };

ReadResult ReadLine(std::FILE* file, Line& line)
{
    line.bytes.clear();
    line.length = 0;
    line.firstNonBlank = EOF;
    size_t count = 0;
    int last = EOF;
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
        if (line.firstNonBlank == EOF && c != ' ' && c != '\t')
            line.firstNonBlank = c;
        if (line.bytes.size() <= Translator::kMaxLineBytes)
            line.bytes.push_back(static_cast<char>(c));
        ++count;
        last = c;
    }
    if (c == EOF && std::ferror(file))
        return ReadResult::ReadFailed;
    if (c == EOF && count == 0)
        return ReadResult::EndOfData;
    line.length = last == '\r' ? count - 1 : count;
    return ReadResult::Line;
}

enum class LineOutcome { Pair, EndOfReading, Error };

bool Unescape(char c, std::string& text)
{
    switch (c) {
    case '"':
        text.push_back('"');
        return true;
    case '\\':
        text.push_back('\\');
        return true;
    case 'n':
        text.push_back('\n');
        return true;
    case 'r':
        text.push_back('\r');
        return true;
    case 't':
        text.push_back('\t');
        return true;
    default:
        return false;
    }
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

LineOutcome ParseLine(std::string_view bytes, Translator::Pair& pair, const char*& reason)
{
    enum class State { Start, Source, SourceEscape, Between, Target, TargetEscape, After };
    State state = State::Start;
    pair.first.clear();
    pair.second.clear();
    for (char c : bytes) {
        switch (state) {
        case State::Start:
            if (IsBlank(c))
                break;
            if (c == ';' || c == '\r')
                return LineOutcome::EndOfReading;
            if (c != '"') {
                reason = "Invalid char at beginning of the line!";
                return LineOutcome::Error;
            }
            state = State::Source;
            break;
        case State::Source:
            if (c == '"')
                state = State::Between;
            else if (c == '\\')
                state = State::SourceEscape;
            else
                pair.first.push_back(c);
            break;
        case State::SourceEscape:
            if (!Unescape(c, pair.first)) {
                reason = "Unknown escape char!";
                return LineOutcome::Error;
            }
            state = State::Source;
            break;
        case State::Between:
            if (IsBlank(c))
                break;
            if (c != '"') {
                reason = "Invalid char at the middle of the line!";
                return LineOutcome::Error;
            }
            state = State::Target;
            break;
        case State::Target:
            if (c == '"')
                state = State::After;
            else if (c == '\\')
                state = State::TargetEscape;
            else
                pair.second.push_back(c);
            break;
        case State::TargetEscape:
            if (!Unescape(c, pair.second)) {
                reason = "Unknown escape char!";
                return LineOutcome::Error;
            }
            state = State::Target;
            break;
        case State::After:
            if (c != '\r') {
                reason = "Invalid char at the end of line!";
                return LineOutcome::Error;
            }
            break;
        }
    }
    if (state == State::After)
        return LineOutcome::Pair;
    if (state == State::Start)
        return LineOutcome::EndOfReading;
    reason = "Missing '\"' in line!";
    return LineOutcome::Error;
}

std::string NotFoundMessage(const std::filesystem::path& path)
{
    return "Language file\n" + path.string() + "\nnot found!";
}

std::string LineErrorMessage(long long lineNumber, const std::filesystem::path& path,
                             std::string_view reason)
{
    std::string message = "Translation File Error in line " + std::to_string(lineNumber) +
                          " of File:\n" + path.string() + "\n";
    message += reason;
    return message;
}

} // namespace

Translator& Translator::Global()
{
    static Translator translator;
    return translator;
}

bool Translator::LoadLanguage(const std::filesystem::path& path,
                              const std::filesystem::path& fallbackPath)
{
    m_pairs.clear();
    m_language = path.stem().string();
    if (!LoadFile(path))
        return false;
    if (fallbackPath.empty())
        return true;
    return LoadFile(fallbackPath);
}

bool Translator::LoadFile(const std::filesystem::path& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        m_lastError = NotFoundMessage(path);
        return false;
    }

    std::vector<Pair> pairs;
    Line line;
    Pair pair;
    for (long long lineNumber = 1;; ++lineNumber) {
        ReadResult read = ReadLine(file.get(), line);
        // A folder opens fine on Linux and only fails to read.
        if (read == ReadResult::ReadFailed) {
            m_lastError = NotFoundMessage(path);
            return false;
        }
        if (read == ReadResult::EndOfData)
            break;
        // Checked before the length, so that a long comment or blank line
        // still ends reading quietly.
        if (line.firstNonBlank == EOF || line.firstNonBlank == ';' || line.firstNonBlank == '\r')
            break;
        if (line.length > kMaxLineBytes)
            return FailAtLine(lineNumber, path, "Line too long!");
        const char* reason = nullptr;
        LineOutcome outcome = ParseLine(line.bytes, pair, reason);
        if (outcome == LineOutcome::EndOfReading)
            break;
        if (outcome == LineOutcome::Error)
            return FailAtLine(lineNumber, path, reason);
        if (!pair.first.empty())
            pairs.push_back(std::move(pair));
    }
    AddPairs(std::move(pairs));
    return true;
}

bool Translator::FailAtLine(long long lineNumber, const std::filesystem::path& path,
                            std::string_view reason)
{
    m_pairs.clear();
    m_lastError = LineErrorMessage(lineNumber, path, reason);
    return false;
}

// Same result as inserting the pairs one by one in file order, skipping
// sources already present, but without moving the table for every pair.
void Translator::AddPairs(std::vector<Pair> pairs)
{
    auto bySource = [](const Pair& a, const Pair& b) { return SourceLess(a.first, b.first); };
    std::stable_sort(pairs.begin(), pairs.end(), bySource);
    auto sameSource = [](const Pair& a, const Pair& b) { return a.first == b.first; };
    pairs.erase(std::unique(pairs.begin(), pairs.end(), sameSource), pairs.end());

    std::vector<Pair> merged;
    merged.reserve(m_pairs.size() + pairs.size());
    auto held = m_pairs.begin();
    auto added = pairs.begin();
    while (held != m_pairs.end() && added != pairs.end()) {
        if (SourceLess(added->first, held->first)) {
            merged.push_back(std::move(*added++));
            continue;
        }
        if (added->first == held->first)
            ++added;
        merged.push_back(std::move(*held++));
    }
    std::move(held, m_pairs.end(), std::back_inserter(merged));
    std::move(added, pairs.end(), std::back_inserter(merged));
    m_pairs = std::move(merged);
}

const Translator::Pair* Translator::Find(std::string_view source) const
{
    auto it = std::lower_bound(
        m_pairs.begin(), m_pairs.end(), source,
        [](const Pair& pair, std::string_view key) { return SourceLess(pair.first, key); });
    if (it == m_pairs.end() || it->first != source)
        return nullptr;
    return &*it;
}

std::string Translator::Translate(std::string_view text) const
{
    const Pair* pair = Find(text);
    return pair ? pair->second : std::string(text);
}

std::string Tr(std::string_view german)
{
    return Translator::Global().Translate(german);
}

namespace {

// The plural category of a count that has a form of its own, by the
// language's rule; empty for the form the plain source is translated to.
std::string_view PluralForm(std::string_view language, int64_t count)
{
    int64_t n = count < 0 ? -count : count;
    if (language == "French")
        return n <= 1 ? "one" : "";
    if (language == "Polish") {
        if (n == 1)
            return "one";
        bool few = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
        return few ? "few" : "";
    }
    return n == 1 ? "one" : "";
}

} // namespace

std::string Translator::TranslateCount(std::string_view text, int64_t count) const
{
    std::string_view form = PluralForm(m_language, count);
    if (!form.empty()) {
        std::string key = std::string(text) + " [" + std::string(form) + "]";
        // German.txt maps every source to itself: no form of its own.
        if (const Pair* pair = Find(key); pair != nullptr && pair->second != key)
            return pair->second;
    }
    return Translate(text);
}
