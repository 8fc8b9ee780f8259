// Fixed-field texts of the shared-memory layouts.
#include "links/FixedText.h"

#include <algorithm>
#include <cstring>

std::string_view CutOnCharacter(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the
    // character that does not fit.
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xc0) == 0x80)
        --end;
    return text.substr(0, end);
}

void StoreFixedText(std::span<uint8_t> field, std::string_view text, size_t maxBytes)
{
    std::fill(field.begin(), field.end(), uint8_t{0});
    if (field.empty())
        return;
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    std::string_view cut = CutOnCharacter(text, std::min(maxBytes, field.size() - 1));
    for (size_t i = 0; i < cut.size(); ++i) {
        auto byte = static_cast<uint8_t>(cut[i]);
        field[i] = byte < 0x20 || byte == 0x7f ? uint8_t{' '} : byte;
    }
}

std::string LoadFixedText(std::span<const uint8_t> field)
{
    const void* end = std::memchr(field.data(), 0, field.size());
    size_t length = end == nullptr ? field.size() : static_cast<const uint8_t*>(end) - field.data();
    return std::string(reinterpret_cast<const char*>(field.data()), length);
}
