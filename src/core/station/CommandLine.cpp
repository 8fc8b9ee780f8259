#include "core/station/CommandLine.h"

#include <charconv>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

CommandLine::CommandLine(std::string_view raw) : m_raw(raw)
{
    enum class State { Outside, Name, Value, Quoted };
    State state = State::Outside;
    std::string name;
    std::string value;
    // A later option of the same name replaces an earlier one.
    auto store = [&] {
        if (!name.empty())
            m_options[name] = value;
        name.clear();
        value.clear();
    };

    for (char c : raw) {
        switch (state) {
        case State::Outside:
            if (c == '/')
                state = State::Name;
            break;
        case State::Name:
            if (c == '/') {
                store();
            } else if (c == ':') {
                state = State::Value;
            } else if (IsBlank(c)) {
                store();
                state = State::Outside;
            } else {
                name.push_back(c);
            }
            break;
        case State::Value:
            // A "/" inside a value is part of it, so paths stay whole.
            if (c == '"') {
                state = State::Quoted;
            } else if (IsBlank(c)) {
                store();
                state = State::Outside;
            } else {
                value.push_back(c);
            }
            break;
        case State::Quoted:
            if (c == '"') {
                store();
                state = State::Outside;
            } else {
                value.push_back(c);
            }
            break;
        }
    }
    store();
}

CommandLine CommandLine::FromArguments(int argc, const char* const* argv)
{
    std::string raw;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!raw.empty())
            raw.push_back(' ');
        size_t colon = arg.find(':');
        bool needsQuotes = arg.starts_with('/') && colon != std::string_view::npos &&
                           arg.find_first_of(" \t", colon) != std::string_view::npos &&
                           arg.find('"') == std::string_view::npos;
        if (!needsQuotes) {
            raw += arg;
            continue;
        }
        raw += arg.substr(0, colon + 1);
        raw.push_back('"');
        raw += arg.substr(colon + 1);
        raw.push_back('"');
    }
    return CommandLine(raw);
}

bool CommandLine::Has(std::string_view name) const
{
    return m_options.find(name) != m_options.end();
}

std::optional<std::string> CommandLine::Value(std::string_view name) const
{
    auto it = m_options.find(name);
    if (it == m_options.end())
        return std::nullopt;
    return it->second;
}

int CommandLine::IntValue(std::string_view name, int fallback) const
{
    std::optional<std::string> text = Value(name);
    if (!text || text->empty())
        return fallback;
    int value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size())
        return fallback;
    return value;
}

bool CommandLine::WantsPresentationMode() const
{
    return m_raw.find("/presentation_mode 1") != std::string::npos;
}
