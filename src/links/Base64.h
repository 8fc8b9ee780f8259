// Base64 with the standard alphabet of RFC 4648, padded with "=", without
// line breaks: the encoding of the SMTP LOGIN exchange.
#pragma once

#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);
// Skips bytes outside the alphabet and stops at the first "="; a trailing
// group of one character carries no whole byte and is dropped.
std::string Base64Decode(std::string_view text);
