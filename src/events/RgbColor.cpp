// Conversion between colours and their nine-character texts.
#include "events/RgbColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr size_t kFieldWidth = 3;

uint8_t ReadField(std::string_view text, size_t offset)
{
    if (offset >= text.size())
        return 0;
    std::string_view field = text.substr(offset, kFieldWidth);
    size_t pos = 0;
    while (pos < field.size() && field[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < field.size() && (field[pos] == '-' || field[pos] == '+')) {
        negative = field[pos] == '-';
        ++pos;
    }
    int value = 0;
    for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos)
        value = value * 10 + (field[pos] - '0');
    if (negative)
        return 0;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

} // namespace

RgbColor ColorFromText(std::string_view text)
{
    return {ReadField(text, 0), ReadField(text, kFieldWidth), ReadField(text, 2 * kFieldWidth)};
}

std::string ColorToText(RgbColor color)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d%3d%3d", color.red, color.green, color.blue);
    return text;
}

namespace {

double Linear(uint8_t component)
{
    double value = component / 255.0;
    return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(RgbColor color)
{
    return 0.2126 * Linear(color.red) + 0.7152 * Linear(color.green) + 0.0722 * Linear(color.blue);
}

} // namespace

double ContrastRatio(RgbColor first, RgbColor second)
{
    double lighter = std::max(Luminance(first), Luminance(second));
    double darker = std::min(Luminance(first), Luminance(second));
    return (lighter + 0.05) / (darker + 0.05);
}

RgbColor ReadableTextOn(RgbColor background)
{
    return ContrastRatio(background, kBlack) >= ContrastRatio(background, kWhite) ? kBlack : kWhite;
}
