// Base64 encoder and decoder.
#include "links/Base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::string Base64Encode(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16 |
                         static_cast<uint8_t>(bytes[i + 1]) << 8 |
                         static_cast<uint8_t>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            text += kAlphabet[(group >> shift) & 0x3f];
    }
    size_t rest = bytes.size() - i;
    if (rest == 0)
        return text;
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2)
        group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    text += kAlphabet[(group >> 18) & 0x3f];
    text += kAlphabet[(group >> 12) & 0x3f];
    text += rest == 2 ? kAlphabet[(group >> 6) & 0x3f] : '=';
    text += '=';
    return text;
}

std::string Base64Decode(std::string_view text)
{
    std::string bytes;
    uint32_t bits = 0;
    int held = 0;
    for (char c : text) {
        if (c == '=')
            break;
        int value = ValueOf(c);
        if (value < 0)
            continue;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes += static_cast<char>((bits >> held) & 0xff);
        }
    }
    return bytes;
}
