// Builds a recorder telegram payload: tagged entries (u16 data length, u16
// tag, data) packed without gaps, with nested lists and the data layouts
// recorders use for each tag.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace wire {

inline constexpr uint16_t kTagTrack = 0x03E8;
inline constexpr uint16_t kTagCamera = 0x03E9;
inline constexpr uint16_t kTagList = 0x07E4;
inline constexpr uint16_t kTagCode = 0x07FA;
inline constexpr uint16_t kTagStatus = 0x0822;
inline constexpr uint16_t kTagPair = 0x0855;
inline constexpr uint16_t kTagValue = 0x085F;
inline constexpr uint16_t kTagStamp = 0x0869;
inline constexpr uint16_t kTagInput = 0x0873;
inline constexpr uint16_t kTagText = 0x087D;

// Kinds of the entries every alarm telegram may carry at top level.
inline constexpr uint16_t kKindDeparture = 0xFDEA; // in a 0x0869 entry
inline constexpr uint16_t kKindHybrid = 0xFDED;    // in a 0x085F entry
inline constexpr uint16_t kKindVersion = 0xFDEE;   // in a 0x085F entry

// The first recorder software version that sends the entry layout.
inline constexpr int32_t kEntryLayoutVersion = 31303;

} // namespace wire

// Calendar fields as recorders send them (local time of the recorder).
struct StampFields {
    uint16_t day = 1;
    uint16_t month = 1;
    uint16_t year = 2024;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t millisecond = 0;
};

enum class TextEnd { Nul, None };

class EntryListWriter {
public:
    // Any tag with any data.
    EntryListWriter& Raw(uint16_t tag, std::span<const uint8_t> data);
    // An entry whose length field disagrees with the data that follows, for
    // malformed lists.
    EntryListWriter& RawWithLength(uint16_t length, uint16_t tag, std::span<const uint8_t> data);

    // 0x03E8: u16 (unused), u16 track number, NUL-terminated name.
    EntryListWriter& Track(uint16_t number, std::string_view name);
    // 0x03E9: u16 (unused), u16 camera number (0-based), time stamp.
    EntryListWriter& Camera(uint16_t number, const StampFields& stamp = {});
    // 0x07E4: a nested entry list.
    EntryListWriter& List(const EntryListWriter& nested);
    // 0x07FA: a u16 code, or a board's number and type as two bytes.
    EntryListWriter& Code(uint16_t value);
    EntryListWriter& Board(uint8_t number, uint8_t type);
    // 0x0822: a status word.
    EntryListWriter& Status(uint16_t word);
    // 0x0855: u16 kind, u16 value.
    EntryListWriter& Pair(uint16_t kind, uint16_t value);
    // 0x085F: u16 kind, then a u16 or a u32 value.
    EntryListWriter& Value16(uint16_t kind, uint16_t value);
    EntryListWriter& Value32(uint16_t kind, uint32_t value);
    // 0x0869: u16 marker, then a time stamp; or u16 kind, then a flags byte.
    EntryListWriter& Stamp(uint16_t marker, const StampFields& stamp);
    EntryListWriter& Flags(uint16_t kind, uint8_t flags);
    // 0x0873: u16 kind, u16 value.
    EntryListWriter& Input(uint16_t kind, uint16_t value);
    // 0x087D: u16 kind, text.
    EntryListWriter& Text(uint16_t kind, std::string_view text, TextEnd end = TextEnd::Nul);

    // The entries every alarm telegram may carry.
    EntryListWriter& SoftwareVersion(int32_t version);
    EntryListWriter& Hybrid(int32_t value);
    EntryListWriter& Departure(const StampFields& stamp);

    // Appends the bytes of another list as they are (no nesting).
    EntryListWriter& Append(const EntryListWriter& other);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }
    bool IsEmpty() const { return m_bytes.empty(); }
    // False once an entry's data was longer than a length field can hold;
    // its length field then holds the low 16 bits.
    bool IsValid() const { return m_valid; }

private:
    std::vector<uint8_t> m_bytes;
    bool m_valid = true;
};
