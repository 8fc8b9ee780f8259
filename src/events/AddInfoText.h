// Text rules shared by the decoders when they build the AddInfo of an event:
// trimming, the protocol error text, the FAILINFO prefix and the
// normalisation that also limits a text to 127 bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Longest AddInfo after NormaliseAddInfo.
inline constexpr size_t kMaxNormalisedAddInfo = 127;

// Removes every trailing `c`.
void TrimEnd(std::string& text, char c);

// Shortens text to at most maxBytes without splitting a UTF-8 sequence.
void CutAtCharBoundary(std::string& text, size_t maxBytes);

// "Fehler: Interner Protokollfehler!", translated.
std::string ProtocolErrorText();

// The translated "FAILINFO!", a blank, the text and a blank.
std::string FailInfoPrefix(std::string_view text);

// Drops every blank followed by another blank and the final character (the
// texts that reach this end in a blank); a longer result is cut to 123
// bytes followed by " ...".
std::string NormaliseAddInfo(std::string_view text);
