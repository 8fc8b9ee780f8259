// printf-style formatting of decoder texts without printf's hazards: the
// conversions are matched against the given values, so a translated format
// from a language file whose conversions do not fit falls back to the German
// one instead of reading arguments that are not there.
//
// Supported: %d %i %u %x %X %s %%, the flags '-' and '0', a width of up to
// three digits, and the length modifiers h, l and ll (ignored).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

using FormatArg = std::variant<int64_t, std::string_view>;

// Nothing when the format's conversions do not match the values in number
// and kind, or the format has a conversion outside the supported set.
std::optional<std::string> FormatChecked(std::string_view format,
                                         std::initializer_list<FormatArg> args);

namespace textformat_detail {

inline FormatArg ToArg(std::string_view text)
{
    return text;
}
inline FormatArg ToArg(const std::string& text)
{
    return std::string_view(text);
}
inline FormatArg ToArg(const char* text)
{
    return std::string_view(text);
}
template <typename T>
requires std::is_integral_v<T> FormatArg ToArg(T value)
{
    return static_cast<int64_t>(value);
}

std::string FormatOrVerbatim(std::string_view format, std::initializer_list<FormatArg> args);
std::string TranslateAndFormat(std::string_view german, std::initializer_list<FormatArg> args);
std::string TranslateCountAndFormat(std::string_view german, int64_t count,
                                    std::initializer_list<FormatArg> args);

} // namespace textformat_detail

// A format used as it stands.
template <typename... Args>
std::string FormatText(std::string_view format, const Args&... args)
{
    return textformat_detail::FormatOrVerbatim(format, {textformat_detail::ToArg(args)...});
}

// A German format passed through the translation table first; write the
// format as TrNoop("...") so the coverage check sees it.
template <typename... Args>
std::string FormatTr(std::string_view germanFormat, const Args&... args)
{
    return textformat_detail::TranslateAndFormat(germanFormat, {textformat_detail::ToArg(args)...});
}

// The same for a text about `count` things, in the language's form for that
// count (Translator::TranslateCount).
template <typename... Args>
std::string FormatTrCount(std::string_view germanFormat, int64_t count, const Args&... args)
{
    return textformat_detail::TranslateCountAndFormat(germanFormat, count,
                                                      {textformat_detail::ToArg(args)...});
}
