#include "config/Version.h"

#include <cctype>
#include <string>

int VersionNumber(std::string_view productVersion)
{
    std::string first;
    std::string second;
    bool afterMarker = false;
    for (char raw : productVersion) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if (c == 'R' || c == 'C')
            afterMarker = true;
        if (c >= '0' && c <= '9')
            (afterMarker ? second : first).push_back(c);
    }
    while (second.size() < 2)
        second.insert(second.begin(), '0');
    std::string digits = first + second;
    if (first.empty() || digits.size() > 9)
        return 0;
    return std::stoi(digits);
}
