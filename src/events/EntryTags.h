// Tags of the entries in recorder telegram payloads, and the kinds of the
// entries that every alarm telegram may carry at its top level.
#pragma once

#include <cstdint>

inline constexpr uint16_t kTagTrack = 0x03E8;  // u16 -, u16 track number, NUL-terminated name
inline constexpr uint16_t kTagCamera = 0x03E9; // u16 -, u16 camera number (0-based), time stamp
inline constexpr uint16_t kTagList = 0x07E4;   // nested entry list
inline constexpr uint16_t kTagCode = 0x07FA;   // u16 subsystem, category, board or unit
inline constexpr uint16_t kTagStatus = 0x0822; // u16 status word
inline constexpr uint16_t kTagPair = 0x0855;   // u16 kind, u16 value
inline constexpr uint16_t kTagValue = 0x085F;  // u16 kind, u16 or u32 value
inline constexpr uint16_t kTagStamp = 0x0869;  // u16 marker or kind, time stamp or flags byte
inline constexpr uint16_t kTagInput = 0x0873;  // u16 kind, u16 value
inline constexpr uint16_t kTagText = 0x087D;   // u16 kind, text up to its first NUL

inline constexpr uint16_t kKindDeparture = 0xFDEA;
inline constexpr uint16_t kKindHybrid = 0xFDED;
inline constexpr uint16_t kKindVersion = 0xFDEE;

// Recorders from this software version on send the entry layout.
inline constexpr int32_t kEntryLayoutVersion = 31303;
