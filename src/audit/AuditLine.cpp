#include "audit/AuditLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

#include <openssl/evp.h>

namespace {

void AppendJsonString(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

void AppendMember(std::string& out, std::string_view key, std::string_view value)
{
    out.push_back(',');
    AppendJsonString(out, key);
    out.push_back(':');
    AppendJsonString(out, value);
}

// A reader for exactly what the trail writes: strings, whole numbers and one
// nested object of strings. Anything else is refused.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    size_t Position() const { return m_pos; }
    bool AtEnd() const { return m_pos == m_text.size(); }
    bool Take(char c)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    bool Peek(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }

    std::optional<std::string> String()
    {
        if (!Take('"'))
            return std::nullopt;
        std::string out;
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (m_pos >= m_text.size())
                return std::nullopt;
            char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out.push_back(e);
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'u': {
                unsigned value = 0;
                if (m_pos + 4 > m_text.size())
                    return std::nullopt;
                auto [end, error] =
                    std::from_chars(m_text.data() + m_pos, m_text.data() + m_pos + 4, value, 16);
                if (error != std::errc() || end != m_text.data() + m_pos + 4 || value >= 0x80)
                    return std::nullopt;
                m_pos += 4;
                out.push_back(static_cast<char>(value));
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<int64_t> Number()
    {
        int64_t value = 0;
        auto [end, error] =
            std::from_chars(m_text.data() + m_pos, m_text.data() + m_text.size(), value);
        if (error != std::errc())
            return std::nullopt;
        m_pos = static_cast<size_t>(end - m_text.data());
        return value;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

bool IsHex64(std::string_view text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<AuditDetails> ReadDetails(Reader& reader)
{
    AuditDetails details;
    if (!reader.Take('{'))
        return std::nullopt;
    if (reader.Take('}'))
        return details;
    do {
        std::optional<std::string> key = reader.String();
        if (!key || !reader.Take(':'))
            return std::nullopt;
        std::optional<std::string> value = reader.String();
        if (!value)
            return std::nullopt;
        details.emplace_back(std::move(*key), std::move(*value));
    } while (reader.Take(','));
    if (!reader.Take('}'))
        return std::nullopt;
    return details;
}

} // namespace

std::string Sha256Hex(std::string_view bytes)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return {};
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex.push_back(kDigits[digest[i] >> 4]);
        hex.push_back(kDigits[digest[i] & 0xf]);
    }
    return hex;
}

bool IsSecretKey(std::string_view key)
{
    std::string lower(key);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (std::string_view word : {"password", "passwort", "pass", "pwd", "secret", "token"})
        if (lower.find(word) != std::string::npos)
            return true;
    return false;
}

std::string ComposeAuditLine(AuditLine& line)
{
    std::string out = "{\"seq\":" + std::to_string(line.seq);
    AppendMember(out, "time", line.time);
    AppendMember(out, "station", line.station);
    AppendMember(out, "user", line.user);
    AppendMember(out, "kind", line.event.kind);
    AppendMember(out, "subject", line.event.subject);
    out += ",\"details\":{";
    bool first = true;
    for (const auto& [key, value] : line.event.details) {
        if (!first)
            out.push_back(',');
        first = false;
        AppendJsonString(out, key);
        out.push_back(':');
        AppendJsonString(out, IsSecretKey(key) ? kMasked : std::string_view(value));
    }
    out.push_back('}');
    AppendMember(out, "prev", line.prev);
    line.hash = Sha256Hex(out);
    AppendMember(out, "hash", line.hash);
    out.push_back('}');
    return out;
}

std::optional<ParsedAuditLine> ParseAuditLine(std::string_view text)
{
    ParsedAuditLine parsed;
    AuditLine& line = parsed.line;
    Reader reader(text);
    if (!reader.Take('{'))
        return std::nullopt;
    bool haveSeq = false;
    bool havePrev = false;
    size_t hashStart = 0;
    for (bool first = true;; first = false) {
        size_t memberStart = reader.Position();
        if (!first && !reader.Take(','))
            break;
        std::optional<std::string> key = reader.String();
        if (!key || !reader.Take(':'))
            return std::nullopt;
        if (*key == "seq") {
            std::optional<int64_t> seq = reader.Number();
            if (!seq || *seq < 1)
                return std::nullopt;
            line.seq = *seq;
            haveSeq = true;
            continue;
        }
        if (*key == "details") {
            std::optional<AuditDetails> details = ReadDetails(reader);
            if (!details)
                return std::nullopt;
            line.event.details = std::move(*details);
            continue;
        }
        std::optional<std::string> value = reader.String();
        if (!value)
            return std::nullopt;
        if (*key == "time")
            line.time = std::move(*value);
        else if (*key == "station")
            line.station = std::move(*value);
        else if (*key == "user")
            line.user = std::move(*value);
        else if (*key == "kind")
            line.event.kind = std::move(*value);
        else if (*key == "subject")
            line.event.subject = std::move(*value);
        else if (*key == "prev") {
            line.prev = std::move(*value);
            havePrev = true;
        } else if (*key == "hash") {
            line.hash = std::move(*value);
            hashStart = memberStart;
            break;
        }
    }
    if (!reader.Take('}') || !reader.AtEnd() || !haveSeq || !havePrev || hashStart == 0 ||
        !IsHex64(line.prev) || !IsHex64(line.hash))
        return std::nullopt;
    parsed.hashHolds = Sha256Hex(text.substr(0, hashStart)) == line.hash;
    return parsed;
}
