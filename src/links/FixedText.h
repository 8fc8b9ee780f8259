// Texts in fixed, NUL-terminated fields of the shared layouts. Stored texts
// are cut on a UTF-8 character boundary and carry no control bytes; read
// texts never run past their field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Zeroes the field and copies at most maxBytes bytes of text (fewer than the
// field's size), stopping at a NUL; CR, LF and other control bytes become
// blanks.
void StoreFixedText(std::span<uint8_t> field, std::string_view text, size_t maxBytes);

// The bytes before the first NUL, or the whole field when it has none.
std::string LoadFixedText(std::span<const uint8_t> field);

// The longest prefix of at most maxBytes bytes that ends on a character
// boundary.
std::string_view CutOnCharacter(std::string_view text, size_t maxBytes);
