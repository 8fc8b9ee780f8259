#include "db/AlarmRecord.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

bool EndsText(char c)
{
    return c == '\0' || c == AlarmRecord::kPad;
}

// Longest prefix of at most max bytes that does not end inside a UTF-8
// sequence. Backs up over at most three continuation bytes; text that is
// not UTF-8 there is cut at max.
size_t CutLength(std::string_view text, size_t max)
{
    if (text.size() <= max)
        return text.size();
    size_t cut = max;
    for (int i = 0; i < 3 && cut > 0; ++i) {
        if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80)
            return cut;
        --cut;
    }
    return (static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80 ? cut : max;
}

void PutText(char* out, size_t capacity, std::string_view text)
{
    size_t length = std::min(text.size(), capacity);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        out[i] = IsControl(c) ? ' ' : static_cast<char>(c);
    }
    std::memset(out + length, AlarmRecord::kPad, capacity - length);
}

} // namespace

int64_t ParseDecimal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate negatively: the negative range is the larger one.
    int64_t value = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value < (kMin + digit) / 10) {
            value = kMin;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            }
            break;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

AlarmRecord::AlarmRecord()
{
    Clear();
}

AlarmRecord AlarmRecord::NewAlarm()
{
    AlarmRecord record;
    record.SetField(AlarmField::Confirmed, "0");
    record.SetField(AlarmField::ConfirmState, "0");
    record.SetField(AlarmField::AutoConfirmed, "0");
    return record;
}

AlarmRecord AlarmRecord::FromBytes(const char* bytes)
{
    AlarmRecord record{Uninitialised{}};
    std::memcpy(record.m_bytes.data(), bytes, kFieldBytes);
    return record;
}

void AlarmRecord::Clear()
{
    m_bytes.fill(kPad);
}

std::string_view AlarmRecord::FieldIn(const char* bytes, AlarmField field)
{
    const char* begin = bytes + Offset(field);
    size_t capacity = Capacity(field);
    size_t length = 0;
    while (length < capacity && !EndsText(begin[length]))
        ++length;
    return {begin, length};
}

void AlarmRecord::SetField(AlarmField field, std::string_view text)
{
    size_t capacity = Capacity(field);
    PutText(m_bytes.data() + Offset(field), capacity, text.substr(0, CutLength(text, capacity)));
}

void AlarmRecord::SetNumber(AlarmField field, int64_t value)
{
    char text[24];
    auto result = std::to_chars(text, text + sizeof text, value);
    SetField(field, std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

int64_t AlarmRecord::Number(AlarmField field) const
{
    return ParseDecimal(Field(field));
}

int32_t AlarmRecord::Int(AlarmField field) const
{
    int64_t value = Number(field);
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

void AlarmRecord::Encode(char* out) const
{
    for (int i = 0; i < kFieldCount; ++i) {
        AlarmField field = static_cast<AlarmField>(i);
        PutText(out + Offset(field), Capacity(field), Field(field));
    }
    out[kFieldBytes] = '\r';
    out[kFieldBytes + 1] = '\n';
}

bool operator==(const AlarmRecord& a, const AlarmRecord& b)
{
    for (int i = 0; i < AlarmRecord::kFieldCount; ++i) {
        AlarmField field = static_cast<AlarmField>(i);
        if (a.Field(field) != b.Field(field))
            return false;
    }
    return true;
}
