// A colour as the station stores it in the configuration tree: nine
// characters, three right-aligned three-digit decimal fields red, green, blue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct RgbColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const RgbColor&) const = default;
};

// Reads characters 0-2, 3-5 and 6-8 as decimal numbers; leading blanks are
// skipped, a field without digits (or missing from a short text) is 0, and a
// value outside 0..255 is clamped, since a component is one byte.
RgbColor ColorFromText(std::string_view text);

// Always nine characters: each component formatted as "%3d".
std::string ColorToText(RgbColor color);

// The contrast ratio of two colours by their relative luminance (WCAG 2),
// from 1 (the same) to 21 (black and white).
double ContrastRatio(RgbColor first, RgbColor second);
inline constexpr RgbColor kBlack{0, 0, 0};
inline constexpr RgbColor kWhite{255, 255, 255};
// Black or white, whichever stands out more: at least 4.58:1 on any colour.
RgbColor ReadableTextOn(RgbColor background);
