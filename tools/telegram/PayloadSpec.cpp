// The payload text form: a tokenizer for words, quotes and braces, and one
// parser per item name.
#include "telegram/PayloadSpec.h"

#include <charconv>
#include <vector>

namespace {

struct Token {
    std::string text;
    bool quoted = false; // part of the word was in quotes, so it is no brace
};

bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string& error)
{
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',') {
            ++i;
            continue;
        }
        if (c == '{' || c == '}') {
            tokens.push_back({std::string(1, c), false});
            ++i;
            continue;
        }
        Token token;
        while (i < text.size()) {
            c = text[i];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == '{' || c == '}')
                break;
            if (c != '"') {
                token.text += c;
                ++i;
                continue;
            }
            size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos) {
                error = "unterminated quote in \"" + std::string(text.substr(i)) + "\"";
                return false;
            }
            token.text += text.substr(i + 1, close - i - 1);
            token.quoted = true;
            i = close + 1;
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

// Splits "a:b:c" into at most `parts` fields; the last takes the rest.
std::vector<std::string_view> Split(std::string_view text, size_t parts)
{
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < parts) {
        size_t colon = text.find(':');
        if (colon == std::string_view::npos)
            break;
        fields.push_back(text.substr(0, colon));
        text.remove_prefix(colon + 1);
    }
    fields.push_back(text);
    return fields;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        uint8_t byte = 0;
        auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != text.data() + i + 2)
            return std::nullopt;
        bytes.push_back(byte);
    }
    return bytes;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, std::string& error)
        : m_tokens(std::move(tokens)), m_error(error)
    {
    }

    bool ParseList(EntryListWriter& out, bool nested)
    {
        while (m_position < m_tokens.size()) {
            const Token& token = m_tokens[m_position++];
            if (!token.quoted && token.text == "}") {
                if (nested)
                    return true;
                return Fail("unmatched \"}\"");
            }
            if (!token.quoted && token.text == "{") {
                EntryListWriter inner;
                if (!ParseList(inner, true))
                    return false;
                out.List(inner);
                continue;
            }
            if (!ParseItem(token.text, out))
                return false;
        }
        if (nested)
            return Fail("missing \"}\"");
        return true;
    }

private:
    bool Fail(std::string message)
    {
        m_error = std::move(message);
        return false;
    }

    bool Number(std::string_view item, std::string_view text, int64_t min, int64_t max,
                int64_t& value)
    {
        std::optional<int64_t> number = ParseNumber(text, min, max);
        if (!number)
            return Fail("bad number \"" + std::string(text) + "\" in \"" + std::string(item) +
                        "\"");
        value = *number;
        return true;
    }

    bool ParseItem(std::string_view item, EntryListWriter& out)
    {
        size_t colon = item.find(':');
        std::string_view name = item.substr(0, colon);
        std::string_view rest = colon == std::string_view::npos ? "" : item.substr(colon + 1);
        auto u16 = [&](std::string_view text, int64_t& value) {
            return Number(item, text, 0, 0xFFFF, value);
        };
        auto fieldCount = [&](size_t count, std::vector<std::string_view>& fields) {
            fields = Split(rest, count);
            if (colon == std::string_view::npos || fields.size() != count)
                return Fail("\"" + std::string(item) + "\" needs " + std::to_string(count) +
                            " value(s) after the name");
            return true;
        };
        std::vector<std::string_view> f;
        int64_t a = 0;
        int64_t b = 0;
        if (name == "track") {
            if (!fieldCount(2, f) || !u16(f[0], a))
                return false;
            out.Track(static_cast<uint16_t>(a), f[1]);
            return true;
        }
        if (name == "camera") {
            if (!fieldCount(1, f) || !u16(f[0], a))
                return false;
            out.Camera(static_cast<uint16_t>(a));
            return true;
        }
        if (name == "code" || name == "status") {
            if (!fieldCount(1, f) || !u16(f[0], a))
                return false;
            if (name == "code")
                out.Code(static_cast<uint16_t>(a));
            else
                out.Status(static_cast<uint16_t>(a));
            return true;
        }
        if (name == "board") {
            if (!fieldCount(2, f) || !Number(item, f[0], 0, 255, a) ||
                !Number(item, f[1], 0, 255, b))
                return false;
            out.Board(static_cast<uint8_t>(a), static_cast<uint8_t>(b));
            return true;
        }
        if (name == "pair" || name == "value16" || name == "input") {
            if (!fieldCount(2, f) || !u16(f[0], a) || !u16(f[1], b))
                return false;
            auto kind = static_cast<uint16_t>(a);
            auto value = static_cast<uint16_t>(b);
            if (name == "pair")
                out.Pair(kind, value);
            else if (name == "value16")
                out.Value16(kind, value);
            else
                out.Input(kind, value);
            return true;
        }
        if (name == "value") {
            if (!fieldCount(2, f) || !u16(f[0], a) || !Number(item, f[1], INT32_MIN, UINT32_MAX, b))
                return false;
            out.Value32(static_cast<uint16_t>(a), static_cast<uint32_t>(b));
            return true;
        }
        if (name == "flags") {
            if (!fieldCount(2, f) || !u16(f[0], a) || !Number(item, f[1], 0, 255, b))
                return false;
            out.Flags(static_cast<uint16_t>(a), static_cast<uint8_t>(b));
            return true;
        }
        if (name == "stamp") {
            if (!fieldCount(2, f) || !u16(f[0], a))
                return false;
            std::optional<StampFields> stamp = ParseStampText(f[1]);
            if (!stamp)
                return Fail("bad date \"" + std::string(f[1]) + "\" (YYYY-MM-DDThh:mm:ss[.mmm])");
            out.Stamp(static_cast<uint16_t>(a), *stamp);
            return true;
        }
        if (name == "departure") {
            std::optional<StampFields> stamp = ParseStampText(rest);
            if (colon == std::string_view::npos || !stamp)
                return Fail("bad date \"" + std::string(rest) + "\" (YYYY-MM-DDThh:mm:ss[.mmm])");
            out.Departure(*stamp);
            return true;
        }
        if (name == "text") {
            if (!fieldCount(2, f) || !u16(f[0], a))
                return false;
            out.Text(static_cast<uint16_t>(a), f[1]);
            return true;
        }
        if (name == "version" || name == "hybrid") {
            if (!fieldCount(1, f) || !Number(item, f[0], INT32_MIN, INT32_MAX, a))
                return false;
            if (name == "version")
                out.SoftwareVersion(static_cast<int32_t>(a));
            else
                out.Hybrid(static_cast<int32_t>(a));
            return true;
        }
        if (name == "raw") {
            if (!fieldCount(2, f) || !u16(f[0], a))
                return false;
            std::optional<std::vector<uint8_t>> bytes = ParseHex(f[1]);
            if (!bytes)
                return Fail("bad hex bytes \"" + std::string(f[1]) + "\"");
            out.Raw(static_cast<uint16_t>(a), *bytes);
            return true;
        }
        return Fail("unknown item \"" + std::string(item) + "\"");
    }

    std::vector<Token> m_tokens;
    size_t m_position = 0;
    std::string& m_error;
};

} // namespace

std::optional<int64_t> ParseNumber(std::string_view text, int64_t min, int64_t max)
{
    bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (magnitude > static_cast<uint64_t>(INT64_MAX))
        return std::nullopt;
    int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<StampFields> ParseStampText(std::string_view text)
{
    // YYYY-MM-DDThh:mm:ss[.mmm]
    auto field = [&](size_t at, size_t width, int64_t max) -> std::optional<uint16_t> {
        if (at + width > text.size())
            return std::nullopt;
        std::optional<int64_t> value = ParseNumber(text.substr(at, width), 0, max);
        if (!value)
            return std::nullopt;
        return static_cast<uint16_t>(*value);
    };
    if ((text.size() != 19 && text.size() != 23) || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != '_') || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    if (text.size() == 23 && text[19] != '.')
        return std::nullopt;
    StampFields stamp;
    auto year = field(0, 4, 9999);
    auto month = field(5, 2, 99);
    auto day = field(8, 2, 99);
    auto hour = field(11, 2, 99);
    auto minute = field(14, 2, 99);
    auto second = field(17, 2, 99);
    auto millisecond = text.size() == 23 ? field(20, 3, 999) : std::optional<uint16_t>(0);
    if (!year || !month || !day || !hour || !minute || !second || !millisecond)
        return std::nullopt;
    stamp.year = *year;
    stamp.month = *month;
    stamp.day = *day;
    stamp.hour = *hour;
    stamp.minute = *minute;
    stamp.second = *second;
    stamp.millisecond = *millisecond;
    return stamp;
}

bool ParsePayloadSpec(std::string_view text, EntryListWriter& out, std::string& error)
{
    std::vector<Token> tokens;
    if (!Tokenize(text, tokens, error))
        return false;
    Parser parser(std::move(tokens), error);
    EntryListWriter list;
    if (!parser.ParseList(list, false))
        return false;
    if (!list.IsValid()) {
        error = "an entry is longer than 65535 bytes";
        return false;
    }
    out.Append(list);
    return true;
}
