// Walks a tagged entry list of a telegram payload: entries of u16 data
// length, u16 tag and data, packed without gaps. Every read is bounded by the
// list, so a malformed payload can never be read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

class TagReader;

// One entry; its readers answer nothing when the data is too short for the
// field, and the decoders then skip the entry.
class TagEntry {
public:
    TagEntry(uint16_t tag, std::span<const uint8_t> data) : m_tag(tag), m_data(data) {}

    uint16_t Tag() const { return m_tag; }
    std::span<const uint8_t> Data() const { return m_data; }

    std::optional<uint8_t> Byte(size_t offset) const;
    std::optional<uint16_t> U16(size_t offset) const;
    std::optional<uint32_t> U32(size_t offset) const;
    std::optional<int32_t> I32(size_t offset) const;
    // The bytes from offset up to the first NUL or the end of the data, at
    // most maxBytes of them; nothing when offset lies beyond the data.
    std::optional<std::string> Text(size_t offset, size_t maxBytes) const;
    // The entry's data read as a list (the data of a 0x07E4 entry).
    std::optional<TagReader> Nested() const;

    // The kind (first u16) equals `kind`.
    bool HasKind(uint16_t kind) const { return U16(0) == kind; }

private:
    uint16_t m_tag;
    std::span<const uint8_t> m_data;
};

class TagReader {
public:
    static constexpr size_t kEntryHeaderSize = 4;

    // Nothing when the list is rejected: its first entry has tag 0 and length
    // 0. An empty list opens and has no entries.
    static std::optional<TagReader> Open(std::span<const uint8_t> list);

    // The next visible entry. An entry is visible while more than four bytes
    // remain from its start; one whose data would run past the end of the
    // list ends the walk.
    std::optional<TagEntry> Next();
    // Back to the first entry.
    void Rewind() { m_position = 0; }

private:
    explicit TagReader(std::span<const uint8_t> list) : m_list(list) {}

    std::span<const uint8_t> m_list;
    size_t m_position = 0;
};
