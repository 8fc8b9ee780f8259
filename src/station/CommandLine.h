// Start-up options of the form /name:value. Names are case-sensitive; a
// value runs to the next blank or tab unless a double quote keeps blanks.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Where the metrics endpoint listens.
struct MetricsAddress {
    static constexpr int kDefaultPort = 9310;
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
};

// "ADDRESS:PORT", "PORT" (on 127.0.0.1) or empty (127.0.0.1:9310); the
// address is a dotted IPv4 address. Nothing for anything else.
std::optional<MetricsAddress> ParseMetricsAddress(std::string_view value);

class CommandLine {
public:
    CommandLine() = default;
    explicit CommandLine(std::string_view raw);

    // Joins the program's arguments as one command line; an argument with a
    // blank in its value gets that value quoted so it stays whole.
    static CommandLine FromArguments(int argc, const char* const* argv);

    bool Has(std::string_view name) const;
    // The option's value; empty for an option given without one.
    std::optional<std::string> Value(std::string_view name) const;
    // The value as a whole number, or `fallback` when absent or not a number.
    int IntValue(std::string_view name, int fallback) const;

    // A message for standard error naming the first option whose value is
    // not what the station needs; nothing when every value is usable.
    // Options the station does not know are left alone.
    std::optional<std::string> CheckValues() const;

    const std::string& Raw() const { return m_raw; }
    // "/forward:HOST": start in forwarding mode towards HOST (a name or
    // address, optionally ":port", or several separated by commas in order
    // of preference); empty for "/forward" alone.
    std::optional<std::string> ForwardHost() const { return Value("forward"); }
    // "/metrics[:ADDRESS:PORT]": serve metrics there; nothing without the
    // option or with a value ParseMetricsAddress refuses.
    std::optional<MetricsAddress> Metrics() const;
    // "/presentation_mode 1" anywhere in the raw command line.
    bool WantsPresentationMode() const;

private:
    std::string m_raw;
    std::map<std::string, std::string, std::less<>> m_options;
};
