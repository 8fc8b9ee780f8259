#include "config/ScriptTokenizer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <new>

namespace {

enum class Match { Char, Class, String };

struct Element {
    Match match = Match::Char;
    unsigned char ch = 0;
    // 256 flags, one per byte value, for classes.
    std::array<bool, 256> set{};
    // Negated multi-byte literal: everything up to and including it.
    std::string terminator;
    bool negated = false;
    bool keep = true;
    int min = 1;
    int max = 1; // 0 = unlimited
    bool caseInsensitive = false;

    bool SameAs(const Element& other) const
    {
        return match == other.match && ch == other.ch && set == other.set &&
               terminator == other.terminator && negated == other.negated && keep == other.keep &&
               min == other.min && max == other.max && caseInsensitive == other.caseInsensitive;
    }

    bool Matches(unsigned char byte) const
    {
        bool hit = false;
        switch (match) {
        case Match::Char:
            hit = byte == ch || (caseInsensitive && Fold(byte) == Fold(ch));
            break;
        case Match::Class:
            hit = set[byte];
            break;
        case Match::String:
            return true; // the state itself tracks the terminator
        }
        return hit != negated;
    }

    static unsigned char Fold(unsigned char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    }
};

struct State {
    Element element;
    std::vector<State*> successors;
    int acceptKind = -1;
    int acceptRule = -1; // registration order of the rule that gave the kind
};

class RuleGraph {
public:
    RuleGraph();

    const State& Start() const { return m_start; }

private:
    void AddRule(TokenKind kind, bool caseInsensitive, std::vector<Element> elements);

    State m_start;
    int m_rules = 0;
    std::vector<std::unique_ptr<State>> m_states;
};

using Set = std::array<bool, 256>;

Set MakeSet(std::string_view chars)
{
    Set set{};
    for (unsigned char c : chars)
        set[c] = true;
    return set;
}

Set Union(Set a, const Set& b)
{
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = a[i] || b[i];
    return a;
}

const Set kDigit = MakeSet("0123456789");
const Set kAlpha = MakeSet("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
const Set kIdStart = Union(kAlpha, MakeSet("_"));
const Set kIdChar = Union(kIdStart, kDigit);
const Set kSpace = MakeSet(" \n\r\t");
const Set kHex = Union(kDigit, MakeSet("abcdefABCDEF"));

Element Cls(const Set& set, bool keep, int min, int max)
{
    Element e;
    e.match = Match::Class;
    e.set = set;
    e.keep = keep;
    e.min = min;
    e.max = max;
    return e;
}

Element Chr(char c, bool keep, int min, int max, bool negated = false)
{
    Element e;
    e.match = Match::Char;
    e.ch = static_cast<unsigned char>(c);
    e.keep = keep;
    e.min = min;
    e.max = max;
    e.negated = negated;
    return e;
}

Element NotString(std::string terminator)
{
    Element e;
    e.match = Match::String;
    e.terminator = std::move(terminator);
    e.negated = true;
    e.min = 0;
    e.max = 0;
    return e;
}

constexpr bool kKeep = true;
constexpr bool kDrop = false;
constexpr int kUnlimited = 0;

RuleGraph::RuleGraph()
{
    using K = TokenKind;
    AddRule(K::Identifier, false, {Cls(kIdStart, kKeep, 1, 1), Cls(kIdChar, kKeep, 0, kUnlimited)});
    AddRule(K::String, false,
            {Chr('"', kDrop, 1, 1), Chr('"', kKeep, 0, kUnlimited, true), Chr('"', kDrop, 1, 1)});
    AddRule(K::WhiteSpace, false, {Cls(kSpace, kKeep, 1, kUnlimited)});
    AddRule(K::Integer, true, {Cls(kDigit, kKeep, 1, kUnlimited)});
    AddRule(K::Integer, true, {Chr('-', kKeep, 1, 1), Cls(kDigit, kKeep, 1, kUnlimited)});
    AddRule(K::HexInteger, true,
            {Chr('0', kKeep, 1, 1), Chr('x', kKeep, 1, 1), Cls(kHex, kKeep, 1, kUnlimited)});
    AddRule(K::Fraction, true,
            {Cls(kDigit, kKeep, 1, kUnlimited), Chr('.', kKeep, 1, 1),
             Cls(kDigit, kKeep, 0, kUnlimited)});
    AddRule(K::Fraction, true,
            {Chr('.', kKeep, 1, 1), Cls(kDigit, kKeep, 1, kUnlimited), Chr('f', kKeep, 0, 1)});
    AddRule(K::Fraction, true,
            {Cls(kDigit, kKeep, 1, kUnlimited), Chr('.', kKeep, 0, 1),
             Cls(kDigit, kKeep, 0, kUnlimited), Chr('e', kKeep, 1, 1), Chr('+', kKeep, 0, 1),
             Chr('-', kKeep, 0, 1), Cls(kDigit, kKeep, 1, kUnlimited)});
    AddRule(K::Fraction, true,
            {Chr('.', kKeep, 1, 1), Cls(kDigit, kKeep, 1, kUnlimited), Chr('e', kKeep, 1, 1),
             Chr('+', kKeep, 0, 1), Chr('-', kKeep, 0, 1), Cls(kDigit, kKeep, 1, kUnlimited)});
    AddRule(K::Comment, false, {Chr('/', kKeep, 1, 1), Chr('*', kKeep, 1, 1), NotString("*/")});
    AddRule(K::CloseTag, false,
            {Chr('<', kDrop, 1, 1), Chr('/', kDrop, 1, 1), Chr('>', kKeep, 0, kUnlimited, true),
             Chr('>', kDrop, 1, 1)});
    AddRule(K::OpenTag, false,
            {Chr('<', kDrop, 1, 1), Chr('>', kKeep, 0, kUnlimited, true), Chr('>', kDrop, 1, 1)});
}

void RuleGraph::AddRule(TokenKind kind, bool caseInsensitive, std::vector<Element> elements)
{
    State* state = &m_start;
    std::vector<State*> path;
    for (Element& element : elements) {
        element.caseInsensitive = caseInsensitive;
        State* next = nullptr;
        for (State* successor : state->successors) {
            if (successor->element.SameAs(element)) {
                next = successor;
                break;
            }
        }
        if (next == nullptr) {
            m_states.push_back(std::make_unique<State>());
            next = m_states.back().get();
            next->element = element;
            state->successors.push_back(next);
        }
        path.push_back(next);
        state = next;
    }
    // The last state accepts, and so does every state after which only
    // optional elements remain; the first rule to claim a state keeps it.
    for (size_t i = path.size(); i-- > 0;) {
        if (path[i]->acceptKind < 0) {
            path[i]->acceptKind = static_cast<int>(kind);
            path[i]->acceptRule = m_rules;
        }
        if (path[i]->element.min > 0)
            break;
    }
    ++m_rules;
}

// Looks through optional successors that do not match to their own.
void CollectMatches(const State& state, unsigned char byte, std::vector<const State*>& out)
{
    for (const State* successor : state.successors) {
        if (successor->element.Matches(byte)) {
            if (std::find(out.begin(), out.end(), successor) == out.end())
                out.push_back(successor);
        } else if (successor->element.min == 0) {
            CollectMatches(*successor, byte, out);
        }
    }
}

const RuleGraph& Graph()
{
    static const RuleGraph graph;
    return graph;
}

// One way through the graph for the token under way. Where rules share a
// prefix and then part (the "0" of "0x" and of a number, the "<" of both
// tags), each continuation is followed until it ends; no byte is read twice.
struct Thread {
    const State* state;
    int repeats;
    std::string text;
    // Progress through the terminator of a negated string element.
    size_t partial = 0;
    bool terminated = false;

    bool InOpenString() const { return state->element.match == Match::String && !terminated; }

    bool Accepting() const
    {
        if (state->element.match == Match::String)
            return terminated;
        // An open comment has only optional elements left, but only a
        // closed one is a token.
        for (const State* successor : state->successors) {
            if (successor->element.match == Match::String)
                return false;
        }
        return state->acceptKind >= 0;
    }

    void TakeStringByte(unsigned char byte)
    {
        const std::string& end = state->element.terminator;
        if (byte == static_cast<unsigned char>(end[partial]))
            ++partial;
        else
            partial = byte == static_cast<unsigned char>(end[0]) ? 1 : 0;
        terminated = partial == end.size();
        if (state->element.keep)
            text.push_back(static_cast<char>(byte));
    }
};

class Tokenizer {
public:
    explicit Tokenizer(TokenizeResult& result) : m_result(result) {}

    bool Feed(unsigned char byte, int line, int column);
    bool Finish(int line, int column);

private:
    void Advance(const Thread& from, const State& origin, unsigned char byte,
                 std::vector<Thread>& out) const;
    bool EndToken(int line, int column);
    bool Fail(TokenError error, int line, int column);

    TokenizeResult& m_result;
    std::vector<Thread> m_threads; // empty: at the start state
    std::vector<Thread> m_next;
    int m_tokenLine = 0;
    int m_tokenColumn = 0;
};

bool Tokenizer::Fail(TokenError error, int line, int column)
{
    m_result.error = error;
    m_result.errorLine = line;
    m_result.errorColumn = column;
    return false;
}

bool Tokenizer::EndToken(int line, int column)
{
    Thread* best = nullptr;
    for (Thread& thread : m_threads) {
        if (!thread.Accepting())
            continue;
        if (best == nullptr || thread.state->acceptRule < best->state->acceptRule)
            best = &thread;
    }
    if (best == nullptr)
        return Fail(TokenError::RuleNotFinished, line, column);
    m_result.tokens.push_back({static_cast<TokenKind>(best->state->acceptKind),
                               std::move(best->text), m_tokenLine, m_tokenColumn});
    m_threads.clear();
    return true;
}

void Tokenizer::Advance(const Thread& from, const State& origin, unsigned char byte,
                        std::vector<Thread>& out) const
{
    std::vector<const State*> matches;
    CollectMatches(origin, byte, matches);
    for (const State* state : matches) {
        bool known = std::any_of(out.begin(), out.end(),
                                 [state](const Thread& other) { return other.state == state; });
        if (known)
            continue;
        Thread next{state, 1, from.text};
        if (state->element.match == Match::String)
            next.TakeStringByte(byte);
        else if (state->element.keep)
            next.text.push_back(static_cast<char>(byte));
        out.push_back(std::move(next));
    }
}

bool Tokenizer::Feed(unsigned char byte, int line, int column)
{
    m_next.clear();
    if (m_threads.empty()) {
        Advance(Thread{&Graph().Start(), 0, {}}, Graph().Start(), byte, m_next);
        if (m_next.empty())
            return Fail(TokenError::InvalidCharacter, line, column);
        m_tokenLine = line;
        m_tokenColumn = column;
        std::swap(m_threads, m_next);
        return true;
    }
    for (Thread& thread : m_threads) {
        if (thread.InOpenString()) {
            thread.TakeStringByte(byte);
            m_next.push_back(std::move(thread));
            continue;
        }
        const Element& element = thread.state->element;
        bool roomLeft = element.max == 0 || thread.repeats < element.max;
        if (element.match != Match::String && roomLeft && element.Matches(byte)) {
            ++thread.repeats;
            if (element.keep)
                thread.text.push_back(static_cast<char>(byte));
            m_next.push_back(std::move(thread));
            continue;
        }
        Advance(thread, *thread.state, byte, m_next);
    }
    if (!m_next.empty()) {
        std::swap(m_threads, m_next);
        return true;
    }
    // Every way has ended before this byte: the token is complete (or not),
    // and the byte starts the next one.
    if (!EndToken(line, column))
        return false;
    return Feed(byte, line, column);
}

bool Tokenizer::Finish(int line, int column)
{
    if (m_threads.empty())
        return true;
    return EndToken(line, column);
}

} // namespace

TokenizeResult TokenizeScript(std::string_view text)
{
    TokenizeResult result;
    try {
        Tokenizer tokenizer(result);
        int line = 0;
        int column = 0;
        for (char c : text) {
            auto byte = static_cast<unsigned char>(c);
            if (byte == '\n') {
                ++line;
                column = 0;
            } else {
                ++column;
            }
            if (!tokenizer.Feed(byte, line, column))
                return result;
        }
        tokenizer.Finish(line, column);
    } catch (const std::bad_alloc&) {
        result.error = TokenError::NoMemory;
    }
    return result;
}

std::string ScriptErrorMessage(int code, int line, int column)
{
    static const char* const kNames[] = {"No Error", "No Memory", "Illegal Sequence",
                                         "Rule not finished", "Invalid character"};
    char buffer[128];
    if (code >= 0 && code < 5)
        std::snprintf(buffer, sizeof buffer, "Script error: <%s> Line: %d Column %d\n",
                      kNames[code], line, column);
    else
        std::snprintf(buffer, sizeof buffer, "Unknown Script Error! Line: %d Column %d\n", line,
                      column);
    return buffer;
}
