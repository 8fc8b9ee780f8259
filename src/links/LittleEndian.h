// Little-endian integers at byte offsets of a shared layout, independent of
// the machine's byte order and of alignment.
#pragma once

#include <cstdint>

inline int32_t LoadI32(const uint8_t* at)
{
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                                static_cast<uint32_t>(at[2]) << 16 |
                                static_cast<uint32_t>(at[3]) << 24);
}

inline int64_t LoadI64(const uint8_t* at)
{
    uint64_t low = static_cast<uint32_t>(LoadI32(at));
    uint64_t high = static_cast<uint32_t>(LoadI32(at + 4));
    return static_cast<int64_t>(low | high << 32);
}

inline void StoreI32(uint8_t* at, int32_t value)
{
    auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

inline void StoreI64(uint8_t* at, int64_t value)
{
    auto bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<uint8_t>(bits >> (8 * i));
}
