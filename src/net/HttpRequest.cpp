#include "net/HttpRequest.h"

#include <algorithm>

namespace {

bool IsTokenChar(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    return !text.empty() && std::ranges::all_of(text, IsTokenChar);
}

// Visible ASCII only: a target with blanks, controls or bytes above 126 is
// no request line this endpoint could mean.
bool IsVisible(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) { return c > ' ' && c < 127; });
}

bool IsFieldValue(std::string_view text)
{
    return std::ranges::all_of(text, [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte == '\t' || (byte >= ' ' && byte != 127);
    });
}

// The next line without its LF and an optional CR before it.
std::string_view NextLine(std::string_view& rest)
{
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

} // namespace

HttpVerdict HttpRequestReader::Feed(std::span<const char> bytes)
{
    if (m_verdict != HttpVerdict::Incomplete)
        return m_verdict;
    size_t room = kMaxHeadBytes + 1 - m_head.size();
    m_head.append(bytes.data(), std::min(bytes.size(), room));
    // The blank line ends the head: LF LF, or LF CR LF.
    for (; m_scanned < m_head.size(); ++m_scanned) {
        if (m_head[m_scanned] != '\n')
            continue;
        size_t lineEnd = m_scanned;
        if (lineEnd > 0 && m_head[lineEnd - 1] == '\r')
            --lineEnd;
        if (lineEnd == 0 || m_head[lineEnd - 1] == '\n')
            return m_verdict = Judge(std::string_view(m_head).substr(0, m_scanned + 1));
    }
    if (m_head.size() > kMaxHeadBytes)
        m_verdict = HttpVerdict::TooLarge;
    return m_verdict;
}

HttpVerdict HttpRequestReader::Judge(std::string_view head)
{
    std::string_view rest = head;
    std::string_view requestLine = NextLine(rest);
    size_t firstBlank = requestLine.find(' ');
    size_t lastBlank = requestLine.rfind(' ');
    if (firstBlank == std::string_view::npos || lastBlank == firstBlank)
        return HttpVerdict::BadRequest;
    std::string_view method = requestLine.substr(0, firstBlank);
    std::string_view target = requestLine.substr(firstBlank + 1, lastBlank - firstBlank - 1);
    std::string_view version = requestLine.substr(lastBlank + 1);
    if (!IsToken(method) || !IsVisible(target) || !target.starts_with('/') ||
        (version != "HTTP/1.1" && version != "HTTP/1.0"))
        return HttpVerdict::BadRequest;
    for (std::string_view line = NextLine(rest); !line.empty(); line = NextLine(rest)) {
        size_t colon = line.find(':');
        // A folded line (leading blank) is no longer allowed; refusing it
        // keeps one line one field.
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)) ||
            !IsFieldValue(line.substr(colon + 1)))
            return HttpVerdict::BadRequest;
    }
    std::string_view path = target.substr(0, target.find('?'));
    bool known = path == "/metrics" || path == "/health";
    if (!known)
        return HttpVerdict::NotFound;
    if (method != "GET")
        return HttpVerdict::MethodNotAllowed;
    m_target = path == "/metrics" ? HttpTarget::Metrics : HttpTarget::Health;
    return HttpVerdict::Serve;
}

int HttpRequestReader::StatusCode(HttpVerdict verdict)
{
    switch (verdict) {
    case HttpVerdict::Incomplete:
    case HttpVerdict::Serve:
        return 200;
    case HttpVerdict::BadRequest:
        return 400;
    case HttpVerdict::NotFound:
        return 404;
    case HttpVerdict::MethodNotAllowed:
        return 405;
    case HttpVerdict::TooLarge:
        return 431;
    }
    return 400;
}

std::string_view HttpRequestReader::Reason(HttpVerdict verdict)
{
    switch (verdict) {
    case HttpVerdict::Incomplete:
    case HttpVerdict::Serve:
        return "OK";
    case HttpVerdict::BadRequest:
        return "Bad Request";
    case HttpVerdict::NotFound:
        return "Not Found";
    case HttpVerdict::MethodNotAllowed:
        return "Method Not Allowed";
    case HttpVerdict::TooLarge:
        return "Request Header Fields Too Large";
    }
    return "Bad Request";
}
