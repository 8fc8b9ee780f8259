// The simulator's example telegram of every alarm type: a detail word and a
// payload in the payload text form, chosen so that the station shows a
// meaningful alarm, plus variants worth trying.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

struct TypePreset {
    uint16_t code;
    std::string_view description;
    uint32_t detail;
    // The detail word is a bit mask, shown in hexadecimal.
    bool detailIsMask;
    std::string_view payload;
    // Other options worth trying with this type, or empty.
    std::string_view variants;
};

std::span<const TypePreset> TypePresets();
// The preset of a code, or null for a code without one.
const TypePreset* FindTypePreset(uint16_t code);
