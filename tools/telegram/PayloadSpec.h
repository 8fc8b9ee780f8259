// A short text form of a payload, for the command line of the recorder
// simulator: entries separated by blanks or commas, nested lists in braces.
//
//   {code:6 {code:1 input:1:3 input:2:0}}   track:2:"Spur B"   value:1:0x5
//
// Items: track:N:NAME camera:N code:V board:N:TYPE status:V pair:K:V
// value:K:V (u32) value16:K:V stamp:K:DATE flags:K:BYTE input:K:V
// text:K:TEXT raw:TAG:HEXBYTES, and the shortcuts version:N hybrid:N
// departure:DATE. DATE is YYYY-MM-DDThh:mm:ss[.mmm]; numbers are decimal or
// 0x hexadecimal; a text with blanks is written in double quotes.
#pragma once

#include "telegram/EntryListWriter.h"

#include <optional>
#include <string>
#include <string_view>

// False with a message naming the offending item when the text is malformed.
bool ParsePayloadSpec(std::string_view text, EntryListWriter& out, std::string& error);

// YYYY-MM-DDThh:mm:ss with an optional .mmm.
std::optional<StampFields> ParseStampText(std::string_view text);

// Decimal or 0x hexadecimal, optionally negative, within [min, max].
std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max);
