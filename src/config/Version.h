// The program's version text, set once in the build, and the number that
// configuration upgrades compare against.
#pragma once

#include <string_view>

// The ProductVersion text, for example "4.1.0".
std::string_view ProductVersion();

// Digits before the first "R" or "C" form the first part, digits after it
// the second, padded to two places: "4.0.2 ServicePack A" is 40200. Texts
// without digits, or too long to count, give 0.
int VersionNumber(std::string_view productVersion);
