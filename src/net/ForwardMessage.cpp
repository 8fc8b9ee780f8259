// Encoding and parsing of forwarding messages.
#include "net/ForwardMessage.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kPrefix = "WARDEXFORWARD V0001 Recorder-IP: ";
constexpr std::string_view kMagic = "WARDEXFORWARD ";
constexpr std::string_view kIpLabel = "Recorder-IP: ";
constexpr std::string_view kTypeLabel = "TYPE: ";
constexpr std::string_view kCountLabel = "DATABYTES: ";
constexpr std::string_view kDataLabel = "DATA: ";
constexpr size_t kMagicAt = 0;
constexpr size_t kVersionAt = 15;
constexpr size_t kVersionEnd = 30;
constexpr size_t kIpLabelAt = 20;
constexpr size_t kIpAt = 33;
constexpr size_t kTypeLabelAt = 49;
constexpr size_t kWordAt = 55;
constexpr size_t kCountLabelAt = 60;
constexpr size_t kCountAt = 71;
constexpr size_t kCountEnd = 81;
constexpr size_t kDataLabelAt = 82;

bool Has(const uint8_t* bytes, size_t at, std::string_view literal)
{
    return std::memcmp(bytes + at, literal.data(), literal.size()) == 0;
}

bool IsDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

// Digits from 'from' up to the first non-digit before 'end'; -1 without a
// digit or when the number does not fit in an int.
int ReadNumber(const uint8_t* bytes, size_t from, size_t end)
{
    if (!IsDigit(bytes[from]))
        return -1;
    int64_t value = 0;
    for (size_t i = from; i < end && IsDigit(bytes[i]); ++i) {
        value = value * 10 + (bytes[i] - '0');
        if (value > INT_MAX)
            return -1;
    }
    return static_cast<int>(value);
}

std::string_view Word(ForwardType type)
{
    switch (type) {
    case ForwardType::Data:
        return "DATA ";
    case ForwardType::Ackn:
        return "ACKN ";
    case ForwardType::Shlo:
        return "SHLO ";
    case ForwardType::Rhlo:
        return "RHLO ";
    case ForwardType::Invalid:
        break;
    }
    return {};
}

ForwardType TypeOfWord(const uint8_t* word)
{
    for (ForwardType type :
         {ForwardType::Data, ForwardType::Ackn, ForwardType::Shlo, ForwardType::Rhlo}) {
        if (std::memcmp(word, Word(type).data(), 4) == 0)
            return type;
    }
    return ForwardType::Invalid;
}

} // namespace

bool ForwardMessage::Make(ForwardType type, std::string_view ip, int version)
{
    m_type = ForwardType::Invalid;
    m_count = 0;
    m_payload.clear();
    m_originIp.clear();
    m_bytes.clear();
    if (version > kVersion)
        return false;
    m_type = type;
    m_version = version;
    m_originIp = ip;
    return true;
}

bool ForwardMessage::MakeData(const uint8_t* bytes, int count, std::string_view ip, int version)
{
    if (count > 0 && bytes == nullptr)
        return false;
    if (!Make(ForwardType::Data, ip, version))
        return false;
    m_count = count > 0 ? count : 0;
    m_payload.assign(bytes, bytes + m_count);
    return true;
}

bool ForwardMessage::MakeAckn(std::string_view ip, int version)
{
    return Make(ForwardType::Ackn, ip, version);
}

bool ForwardMessage::MakeShlo(std::string_view ip, int version)
{
    return Make(ForwardType::Shlo, ip, version);
}

bool ForwardMessage::MakeRhlo(std::string_view ip, int version)
{
    return Make(ForwardType::Rhlo, ip, version);
}

std::span<const uint8_t> ForwardMessage::Encode()
{
    m_bytes.clear();
    if (m_version != kVersion || m_type == ForwardType::Invalid)
        return {};
    int count = m_type == ForwardType::Data ? m_count : 0;
    m_bytes.reserve(kHeaderSize + static_cast<size_t>(count));
    m_bytes.assign(kPrefix.begin(), kPrefix.end());
    std::string_view ip = std::string_view(m_originIp).substr(0, kMaxIpLength);
    m_bytes.insert(m_bytes.end(), ip.begin(), ip.end());
    m_bytes.insert(m_bytes.end(), kMaxIpLength - ip.size(), ' ');
    m_bytes.push_back(' ');
    m_bytes.insert(m_bytes.end(), kTypeLabel.begin(), kTypeLabel.end());
    std::string_view word = Word(m_type);
    m_bytes.insert(m_bytes.end(), word.begin(), word.end());
    m_bytes.insert(m_bytes.end(), kCountLabel.begin(), kCountLabel.end());
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010d ", count);
    m_bytes.insert(m_bytes.end(), digits, digits + 11);
    m_bytes.insert(m_bytes.end(), kDataLabel.begin(), kDataLabel.end());
    if (m_type == ForwardType::Data)
        m_bytes.insert(m_bytes.end(), m_payload.begin(), m_payload.end());
    return m_bytes;
}

int ForwardMessage::HeaderSize(int version)
{
    return version == kVersion ? static_cast<int>(kHeaderSize) : -1;
}

bool ForwardMessage::PeekHeader(const uint8_t* bytes, size_t n, int& version, int& count)
{
    if (bytes == nullptr || n < kHeaderSize || !Has(bytes, kMagicAt, kMagic) ||
        !Has(bytes, kIpLabelAt, kIpLabel))
        return false;
    version = ReadNumber(bytes, kVersionAt, kVersionEnd);
    count = ReadNumber(bytes, kCountAt, kCountEnd);
    return true;
}

ForwardType ForwardMessage::Parse(const uint8_t* bytes, size_t n)
{
    m_type = ForwardType::Invalid;
    m_count = 0;
    m_payload.clear();
    m_originIp.clear();
    m_bytes.assign(bytes, bytes + (bytes == nullptr ? 0 : n));
    const uint8_t* b = m_bytes.data();
    if (m_bytes.size() < kHeaderSize || !Has(b, kMagicAt, kMagic))
        return m_type;
    m_version = ReadNumber(b, kVersionAt, kVersionEnd);
    if (m_version != kVersion || !Has(b, kIpLabelAt, kIpLabel))
        return m_type;
    size_t ipEnd = kIpAt;
    while (ipEnd < kIpAt + kMaxIpLength && (IsDigit(b[ipEnd]) || b[ipEnd] == '.'))
        ++ipEnd;
    std::string ip(b + kIpAt, b + ipEnd);
    if (!Has(b, kTypeLabelAt, kTypeLabel))
        return m_type;
    ForwardType type = TypeOfWord(b + kWordAt);
    if (type == ForwardType::Invalid || !Has(b, kCountLabelAt, kCountLabel))
        return m_type;
    int count = ReadNumber(b, kCountAt, kCountEnd);
    if (count < 0 || (type == ForwardType::Data) != (count > 0))
        return m_type;
    if (!Has(b, kDataLabelAt, kDataLabel) || static_cast<size_t>(count) > n - kHeaderSize)
        return m_type;
    m_count = count;
    m_payload.assign(b + kHeaderSize, b + kHeaderSize + count);
    m_originIp = std::move(ip);
    m_type = type;
    return m_type;
}
