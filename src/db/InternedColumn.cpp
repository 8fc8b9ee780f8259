#include "db/InternedColumn.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

// Room for a few distinct texts per record on average, and for a small
// database's table; beyond it a sort reads the file instead.
constexpr size_t kTableBytesPerRecord = 32;
constexpr size_t kTableBytesFree = size_t{1} << 20;

size_t HashOf(std::string_view text)
{
    return std::hash<std::string_view>()(text);
}

} // namespace

bool InternedColumn::Set(size_t number, const char* bytes)
{
    if (number > m_ids.size()) {
        Clear();
        return false;
    }
    m_scratch.clear();
    for (AlarmField field : m_fields) {
        std::string_view text = AlarmRecord::FieldIn(bytes, field);
        m_scratch.push_back(static_cast<char>(text.size()));
        m_scratch.append(text);
    }
    uint32_t id = Intern(m_scratch);
    if (number == m_ids.size())
        m_ids.push_back(id);
    else
        m_ids[number] = id;
    if (m_texts.size() + m_ends.size() * 4 + m_slots.size() * 4 >
        kTableBytesFree + kTableBytesPerRecord * m_ids.size()) {
        Clear();
        return false;
    }
    return true;
}

std::string_view InternedColumn::Combination(uint32_t id) const
{
    uint32_t start = id == 0 ? 0 : m_ends[id - 1];
    return std::string_view(m_texts).substr(start, m_ends[id] - start);
}

uint32_t InternedColumn::Intern(std::string_view combination)
{
    if ((m_ends.size() + 1) * 2 > m_slots.size())
        Grow();
    size_t mask = m_slots.size() - 1;
    for (size_t slot = HashOf(combination) & mask;; slot = (slot + 1) & mask) {
        uint32_t entry = m_slots[slot];
        if (entry == 0) {
            m_texts.append(combination);
            m_ends.push_back(static_cast<uint32_t>(m_texts.size()));
            m_slots[slot] = static_cast<uint32_t>(m_ends.size());
            return static_cast<uint32_t>(m_ends.size() - 1);
        }
        if (Combination(entry - 1) == combination)
            return entry - 1;
    }
}

void InternedColumn::Grow()
{
    std::vector<uint32_t> slots(std::max<size_t>(64, m_slots.size() * 2), 0);
    size_t mask = slots.size() - 1;
    for (uint32_t id = 0; id < m_ends.size(); ++id) {
        size_t slot = HashOf(Combination(id)) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = id + 1;
    }
    m_slots = std::move(slots);
}

void InternedColumn::Restore(uint32_t id, char* bytes) const
{
    std::string_view combination = Combination(id);
    size_t at = 0;
    for (AlarmField field : m_fields) {
        size_t length = static_cast<unsigned char>(combination[at++]);
        char* out = bytes + AlarmRecord::Offset(field);
        std::memcpy(out, combination.data() + at, length);
        std::memset(out + length, AlarmRecord::kPad, AlarmRecord::Capacity(field) - length);
        at += length;
    }
}

size_t InternedColumn::MemoryBytes() const
{
    return m_ids.capacity() * 4 + m_texts.capacity() + m_ends.capacity() * 4 +
           m_slots.capacity() * 4;
}

void InternedColumn::Clear()
{
    std::vector<uint32_t>().swap(m_ids);
    std::string().swap(m_texts);
    std::vector<uint32_t>().swap(m_ends);
    std::vector<uint32_t>().swap(m_slots);
}
