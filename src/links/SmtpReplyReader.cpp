// Scanning the SMTP reply buffer from its end.
#include "links/SmtpReplyReader.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsDigit(uint8_t byte)
{
    return byte >= '0' && byte <= '9';
}

} // namespace

int SmtpReplyReader::Commit(size_t n)
{
    m_length += std::min(n, FreeBytes());
    int code = FindReplyCode(HeldBytes());
    if (code >= 0) {
        m_length = 0;
        return code;
    }
    if (m_length < kMaxHeld)
        return -1;
    // Full without a final line: make room so that the reply can go on.
    const uint8_t* begin = m_buffer.data();
    const uint8_t* lastLf = nullptr;
    for (const uint8_t* p = begin + m_length; p != begin; --p) {
        if (p[-1] == '\n') {
            lastLf = p - 1;
            break;
        }
    }
    if (lastLf == nullptr) {
        m_length = kLineStartKept;
        return -1;
    }
    size_t dropped = static_cast<size_t>(lastLf - begin) + 1;
    std::memmove(m_buffer.data(), m_buffer.data() + dropped, m_length - dropped);
    m_length -= dropped;
    return -1;
}

int SmtpReplyReader::FindReplyCode(std::span<const uint8_t> bytes)
{
    size_t lastLf = bytes.size();
    while (lastLf > 0 && bytes[lastLf - 1] != '\n')
        --lastLf;
    if (lastLf == 0)
        return -1;
    // bytes[lastLf - 1] is the last LF; a blank before it lies on a complete
    // line.
    for (size_t p = lastLf - 1; p >= 3; --p) {
        if (bytes[p] != ' ' || !IsDigit(bytes[p - 1]) || !IsDigit(bytes[p - 2]) ||
            !IsDigit(bytes[p - 3]))
            continue;
        if (p > 3 && bytes[p - 4] != '\n')
            continue;
        return (bytes[p - 3] - '0') * 100 + (bytes[p - 2] - '0') * 10 + (bytes[p - 1] - '0');
    }
    return -1;
}
