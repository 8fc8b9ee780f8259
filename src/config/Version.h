// The program's version text, set once in the build.
#pragma once

#include <string_view>

// The ProductVersion text, for example "4.1.0".
std::string_view ProductVersion();
