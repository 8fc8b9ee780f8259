// The checked formatter: one pass over the format that both validates and
// writes, so nothing is emitted for a format that does not fit.
#include "events/TextFormat.h"

#include "config/Translator.h"

#include <cstdio>

namespace {

constexpr size_t kMaxWidthDigits = 3;

std::string FormatInteger(int64_t value, char conversion, bool leftAlign, bool zeroPad, int width)
{
    char digits[32];
    if (conversion == 'x' || conversion == 'X' || conversion == 'u') {
        // Like printf, these show the value's 32-bit unsigned form.
        auto bits = static_cast<unsigned long long>(value);
        if (value >= INT32_MIN && value <= UINT32_MAX)
            bits &= 0xFFFFFFFFull;
        const char* format = conversion == 'x' ? "%llx" : conversion == 'X' ? "%llX" : "%llu";
        std::snprintf(digits, sizeof digits, format, bits);
    } else {
        std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    }
    std::string text = digits;
    if (static_cast<int>(text.size()) >= width)
        return text;
    size_t padding = static_cast<size_t>(width) - text.size();
    if (leftAlign)
        return text + std::string(padding, ' ');
    if (!zeroPad)
        return std::string(padding, ' ') + text;
    size_t sign = !text.empty() && text[0] == '-' ? 1 : 0;
    return text.substr(0, sign) + std::string(padding, '0') + text.substr(sign);
}

} // namespace

std::optional<std::string> FormatChecked(std::string_view format,
                                         std::initializer_list<FormatArg> args)
{
    std::string out;
    const FormatArg* next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        bool leftAlign = false;
        bool zeroPad = false;
        while (i < format.size() && (format[i] == '-' || format[i] == '0')) {
            leftAlign |= format[i] == '-';
            zeroPad |= format[i] == '0';
            ++i;
        }
        int width = 0;
        size_t widthDigits = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            if (++widthDigits > kMaxWidthDigits)
                return std::nullopt;
            width = width * 10 + (format[i] - '0');
            ++i;
        }
        while (i < format.size() && (format[i] == 'h' || format[i] == 'l'))
            ++i;
        if (i >= format.size() || next == args.end())
            return std::nullopt;
        char conversion = format[i++];
        const FormatArg& arg = *next++;
        switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            if (!std::holds_alternative<int64_t>(arg))
                return std::nullopt;
            out += FormatInteger(std::get<int64_t>(arg), conversion, leftAlign, zeroPad, width);
            break;
        case 's': {
            if (!std::holds_alternative<std::string_view>(arg))
                return std::nullopt;
            std::string_view text = std::get<std::string_view>(arg);
            size_t padding = text.size() < static_cast<size_t>(width) ? width - text.size() : 0;
            if (!leftAlign)
                out.append(padding, ' ');
            out += text;
            if (leftAlign)
                out.append(padding, ' ');
            break;
        }
        default:
            return std::nullopt;
        }
    }
    if (next != args.end())
        return std::nullopt;
    return out;
}

namespace textformat_detail {

std::string FormatOrVerbatim(std::string_view format, std::initializer_list<FormatArg> args)
{
    std::optional<std::string> text = FormatChecked(format, args);
    return text ? *text : std::string(format);
}

std::string TranslateAndFormat(std::string_view german, std::initializer_list<FormatArg> args)
{
    std::string translated = Tr(german);
    if (std::optional<std::string> text = FormatChecked(translated, args))
        return *text;
    return FormatOrVerbatim(german, args);
}

std::string TranslateCountAndFormat(std::string_view german, int64_t count,
                                    std::initializer_list<FormatArg> args)
{
    std::string translated = Translator::Global().TranslateCount(german, count);
    if (std::optional<std::string> text = FormatChecked(translated, args))
        return *text;
    return FormatOrVerbatim(german, args);
}

} // namespace textformat_detail
