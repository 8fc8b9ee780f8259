// Start-up decisions on the configuration: adapting settings saved by an
// older program version, and the language of a first start.
#pragma once

#include "config/ConfigTree.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Adapts a configuration saved by a program whose version number is below
// `currentVersion`, then records that number in Program / iVersion. Holds
// the tree's lock. Returns whether anything was upgraded; a version number
// of 0 (unknown) changes nothing.
bool UpgradeConfiguration(ConfigTree& tree, int currentVersion);

// The language name for a primary language number of the user's interface
// (English 9, Spanish 10, French 12, Italian 16, Dutch 19, Polish 21).
std::optional<std::string> LanguageForPrimaryId(int primaryLanguage);

// The translation file of a language name from the configuration, always
// inside `languagesDir`: a name that is no plain file name (empty, with a
// slash or a control byte, or starting with a dot) stands for "German".
std::filesystem::path LanguageFile(const std::filesystem::path& languagesDir,
                                   std::string_view language);

// The candidate when its translation file exists in `languagesDir`, else
// "German".
std::string ChooseFirstStartLanguage(const std::optional<std::string>& candidate,
                                     const std::filesystem::path& languagesDir);
