// Fuzzes the start-up options: any command line parses, and options handed
// over one argument each (lines of the input) come back with their values,
// blanks included.
#include "links/ForwardingManager.h"
#include "station/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsPlainName(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letter)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CommandLine raw(input);
    raw.IntValue("port", 30000);
    raw.WantsPresentationMode();
    // Forwarding hosts come out whole: none empty, with a comma or a blank at an end.
    for (const std::string& host : ForwardingManager::SplitTargets(raw.ForwardHost().value_or("")))
        if (host.empty() || host.find(',') != std::string::npos || host.front() == ' ' ||
            host.back() == ' ')
            std::abort();

    std::vector<std::string> args = {"wardex"};
    for (size_t start = 0; start <= input.size();) {
        size_t end = std::min(input.find('\n', start), input.size());
        args.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    CommandLine joined = CommandLine::FromArguments(static_cast<int>(argv.size()), argv.data());

    // When every argument is an option with a plain name and a value
    // without quotes, tabs or slashes, each comes back whole.
    std::map<std::string, std::string> expected;
    std::map<std::string, int> seen;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string_view arg = args[i];
        size_t colon = arg.find(':');
        if (!arg.starts_with('/') || colon == std::string_view::npos)
            return 0;
        std::string name(arg.substr(1, colon - 1));
        std::string_view value = arg.substr(colon + 1);
        if (!IsPlainName(name) ||
            value.find_first_of(std::string_view("\"\t\r/\0", 5)) != std::string_view::npos ||
            value.starts_with(' ') || value.ends_with(' '))
            return 0;
        ++seen[name];
        expected[name] = value;
    }
    for (const auto& [name, value] : expected) {
        if (seen[name] == 1 && joined.Value(name) != value)
            std::abort();
    }
    return 0;
}
