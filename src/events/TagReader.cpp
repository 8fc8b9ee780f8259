// Bounds-checked reading of tagged entry lists.
#include "events/TagReader.h"

namespace {

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

std::optional<uint8_t> TagEntry::Byte(size_t offset) const
{
    if (offset >= m_data.size())
        return std::nullopt;
    return m_data[offset];
}

std::optional<uint16_t> TagEntry::U16(size_t offset) const
{
    if (m_data.size() < 2 || offset > m_data.size() - 2)
        return std::nullopt;
    return Read16(m_data.data() + offset);
}

std::optional<uint32_t> TagEntry::U32(size_t offset) const
{
    if (m_data.size() < 4 || offset > m_data.size() - 4)
        return std::nullopt;
    const uint8_t* p = m_data.data() + offset;
    return static_cast<uint32_t>(Read16(p)) | static_cast<uint32_t>(Read16(p + 2)) << 16;
}

std::optional<int32_t> TagEntry::I32(size_t offset) const
{
    std::optional<uint32_t> value = U32(offset);
    if (!value)
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::optional<std::string> TagEntry::Text(size_t offset, size_t maxBytes) const
{
    if (offset > m_data.size())
        return std::nullopt;
    std::string text;
    for (size_t i = offset; i < m_data.size() && m_data[i] != 0 && text.size() < maxBytes; ++i)
        text += static_cast<char>(m_data[i]);
    return text;
}

std::optional<TagReader> TagEntry::Nested() const
{
    return TagReader::Open(m_data);
}

std::optional<TagReader> TagReader::Open(std::span<const uint8_t> list)
{
    if (list.size() >= kEntryHeaderSize && Read16(list.data()) == 0 && Read16(list.data() + 2) == 0)
        return std::nullopt;
    return TagReader(list);
}

std::optional<TagEntry> TagReader::Next()
{
    if (m_position >= m_list.size() || m_list.size() - m_position <= kEntryHeaderSize)
        return std::nullopt;
    const uint8_t* start = m_list.data() + m_position;
    size_t length = Read16(start);
    uint16_t tag = Read16(start + 2);
    size_t available = m_list.size() - m_position - kEntryHeaderSize;
    if (length > available) {
        m_position = m_list.size();
        return std::nullopt;
    }
    m_position += kEntryHeaderSize + length;
    return TagEntry(tag, m_list.subspan(m_position - length, length));
}
