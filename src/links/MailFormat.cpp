#include "links/MailFormat.h"

#include "links/Base64.h"

#include <array>
#include <cstdio>

#include <unistd.h>

namespace {

// The longest encoded word is 75 characters: "=?UTF-8?B?" and "?=" leave
// 63 for base64, that is 45 bytes of text.
constexpr size_t kWordBytes = 45;
constexpr size_t kQpLine = 76;
constexpr size_t kMaxLine = 998;

bool IsPrintableAscii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7e)
            return false;
    }
    return true;
}

bool IsContinuationByte(unsigned char c)
{
    return (c & 0xc0) == 0x80;
}

} // namespace

std::string EncodeHeaderText(std::string_view text)
{
    // "=?" in plain text would be read as the start of an encoded word.
    if (IsPrintableAscii(text) && text.find("=?") == std::string_view::npos)
        return std::string(text);
    std::string encoded;
    while (!text.empty()) {
        size_t take = std::min(kWordBytes, text.size());
        while (take < text.size() && take > 1 &&
               IsContinuationByte(static_cast<unsigned char>(text[take])))
            --take;
        if (!encoded.empty())
            encoded += "\r\n ";
        encoded += "=?UTF-8?B?" + Base64Encode(text.substr(0, take)) + "?=";
        text.remove_prefix(take);
    }
    return encoded;
}

bool IsSevenBitBody(std::string_view body)
{
    size_t line = 0;
    for (unsigned char c : body) {
        if (c == 0 || c > 0x7f)
            return false;
        line = c == '\n' || c == '\r' ? 0 : line + 1;
        if (line > kMaxLine)
            return false;
    }
    return true;
}

std::string QuotedPrintable(std::string_view body)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(body.size() + body.size() / 4);
    size_t column = 0;
    auto put = [&](std::string_view token) {
        // Room for the token and the "=" of a soft break.
        if (column + token.size() > kQpLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        out += token;
        column += token.size();
    };
    for (size_t i = 0; i < body.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(body[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
            out += "\r\n";
            column = 0;
            continue;
        }
        bool lineEnds = i + 1 == body.size() || body[i + 1] == '\r' || body[i + 1] == '\n';
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
        if (literal) {
            char one = static_cast<char>(c);
            put(std::string_view(&one, 1));
        } else {
            const char token[] = {'=', kHex[c >> 4], kHex[c & 15]};
            put(std::string_view(token, 3));
        }
    }
    return out;
}

std::string MailDate(std::time_t seconds)
{
    // Fixed English names: the header must not follow the locale.
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return "Thu, 01 Jan 1970 00:00:00 +0000";
    long offset = local.tm_gmtoff / 60;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0)
        offset = -offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[static_cast<size_t>(local.tm_wday) % 7], local.tm_mday,
                  kMonths[static_cast<size_t>(local.tm_mon) % 12], local.tm_year + 1900,
                  local.tm_hour, local.tm_min, local.tm_sec, sign, offset / 60, offset % 60);
    return text;
}

std::string NewMessageId(std::string_view from, int64_t nowMs)
{
    static uint64_t count = 0;
    std::string domain;
    size_t at = from.rfind('@');
    if (at != std::string_view::npos) {
        domain = std::string(from.substr(at + 1));
        while (!domain.empty() && domain.back() == '>')
            domain.pop_back();
    }
    bool plain = !domain.empty();
    for (char c : domain) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-'))
            plain = false;
    }
    if (!plain)
        domain = "wardex.invalid";
    return "<" + std::to_string(nowMs) + "." + std::to_string(::getpid()) + "." +
           std::to_string(++count) + "@" + domain + ">";
}
