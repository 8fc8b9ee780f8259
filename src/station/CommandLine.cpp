#include "station/CommandLine.h"

#include <charconv>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

enum class ValueKind {
    Flag,   // any value, or none
    Text,   // a value that is not empty
    Number, // a whole number within the bounds
    Listen, // what ParseMetricsAddress takes
};

struct OptionRule {
    std::string_view name;
    ValueKind kind;
    long long minimum = 0;
    long long maximum = 0;
    // Completes "the value must be ...".
    std::string_view expected;
};

// The options the station reads. An option another part of the station adds
// gets its line here, so that a mistyped value stops the start instead of
// being replaced by the default.
constexpr OptionRule kOptionRules[] = {
    {"port", ValueKind::Number, 0, 65535, "a port number from 0 to 65535 (0: any free port)"},
    {"keepalive", ValueKind::Number, 1, 525600, "a number of minutes from 1 to 525600"},
    {"datadir", ValueKind::Text, 0, 0, "a folder"},
    {"shmprefix", ValueKind::Text, 0, 0, "a name"},
    {"shmgroup", ValueKind::Text, 0, 0, "a group name"},
    {"forward", ValueKind::Text, 0, 0,
     "a host name or address, with :port where needed, or several separated by commas"},
    {"forwardretry", ValueKind::Number, 1, 3600, "a number of seconds from 1 to 3600"},
    {"mailretry", ValueKind::Number, 10, 3'600'000, "a number of milliseconds from 10 to 3600000"},
    {"dbmem", ValueKind::Flag, 0, 0, ""},
    {"verifyaudit", ValueKind::Flag, 0, 0, ""},
    {"auditlog", ValueKind::Text, 0, 0, "a log file"},
    {"hybrid", ValueKind::Flag, 0, 0, ""},
    {"present", ValueKind::Flag, 0, 0, ""},
    {"resetadmin", ValueKind::Flag, 0, 0, ""},
    {"sync", ValueKind::Flag, 0, 0, ""},
    {"metrics", ValueKind::Listen, 0, 0,
     "empty, a port, or a dotted IPv4 address and a port, such as 127.0.0.1:9310"},
};

std::optional<long long> WholeNumber(const std::string& text)
{
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool Fits(const OptionRule& rule, const std::string& value)
{
    switch (rule.kind) {
    case ValueKind::Flag:
        return true;
    case ValueKind::Text:
        return !value.empty();
    case ValueKind::Listen:
        return ParseMetricsAddress(value).has_value();
    case ValueKind::Number:
        break;
    }
    std::optional<long long> number = WholeNumber(value);
    return number && *number >= rule.minimum && *number <= rule.maximum;
}

bool IsDottedAddress(std::string_view text)
{
    for (int parts = 1; parts <= 4; ++parts) {
        size_t dot = text.find('.');
        std::optional<long long> part = WholeNumber(std::string(text.substr(0, dot)));
        if (!part || *part < 0 || *part > 255)
            return false;
        if (dot == std::string_view::npos)
            return parts == 4;
        text.remove_prefix(dot + 1);
    }
    return false;
}

} // namespace

std::optional<MetricsAddress> ParseMetricsAddress(std::string_view value)
{
    MetricsAddress address;
    if (value.empty())
        return address;
    size_t colon = value.rfind(':');
    std::string_view portText = colon == std::string_view::npos ? value : value.substr(colon + 1);
    std::optional<long long> port = WholeNumber(std::string(portText));
    if (!port || *port < 0 || *port > 65535)
        return std::nullopt;
    address.port = static_cast<int>(*port);
    if (colon == std::string_view::npos)
        return address;
    address.host = value.substr(0, colon);
    if (!IsDottedAddress(address.host))
        return std::nullopt;
    return address;
}

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

std::optional<std::string> CommandLine::CheckValues() const
{
    for (const OptionRule& rule : kOptionRules) {
        std::optional<std::string> value = Value(rule.name);
        if (!value || Fits(rule, *value))
            continue;
        return "Wardex: /" + std::string(rule.name) + ":" + *value +
               " is not valid; the value must be " + std::string(rule.expected) + ".";
    }
    return std::nullopt;
}

std::optional<MetricsAddress> CommandLine::Metrics() const
{
    std::optional<std::string> value = Value("metrics");
    return value ? ParseMetricsAddress(*value) : std::nullopt;
}

bool CommandLine::WantsPresentationMode() const
{
    return m_raw.find("/presentation_mode 1") != std::string::npos;
}
