// The texts of some record fields held in memory for sorting: one id per
// record into a table of the distinct combinations of those texts. A sort
// key that comes from these fields is then computed once per combination,
// and a sort reads nothing from the file. The table stays within a bound per
// record; a column whose texts are too varied gives up (Set returns false).
#pragma once

#include "db/AlarmRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class InternedColumn {
public:
    explicit InternedColumn(std::vector<AlarmField> fields) : m_fields(std::move(fields)) {}

    const std::vector<AlarmField>& Fields() const { return m_fields; }
    // Records with an id: 0 to Size() - 1.
    size_t Size() const { return m_ids.size(); }
    // Takes the texts of record `number` (at most Size()) from its bytes in
    // the file's form. False, with the column emptied, when the distinct
    // texts outgrow the bound.
    bool Set(size_t number, const char* bytes);
    uint32_t IdOf(size_t number) const { return m_ids[number]; }
    const std::vector<uint32_t>& Ids() const { return m_ids; }
    size_t Distinct() const { return m_ends.size(); }
    // Puts the texts of combination `id` into record bytes in the file's
    // form; the other fields stay as they are.
    void Restore(uint32_t id, char* bytes) const;
    // Held in memory, ids and table.
    size_t MemoryBytes() const;
    void Clear();

private:
    std::string_view Combination(uint32_t id) const;
    uint32_t Intern(std::string_view combination);
    void Grow();

    std::vector<AlarmField> m_fields;
    std::vector<uint32_t> m_ids;
    // The distinct combinations back to back, each field as a length byte
    // and its text; m_ends[id] is where combination id ends.
    std::string m_texts;
    std::vector<uint32_t> m_ends;
    // Open addressing: id + 1 per slot, 0 for an empty one.
    std::vector<uint32_t> m_slots;
    std::string m_scratch;
};
