// The built-in default configuration: the bytes of default.script, embedded
// at build time. They are not NUL-terminated; the reader takes the length.
#pragma once

#include <cstddef>
#include <string_view>

extern const unsigned char kDefaultScript[];
extern const size_t kDefaultScriptSize;

// The whole script text, exactly kDefaultScriptSize bytes.
std::string_view DefaultScript();
