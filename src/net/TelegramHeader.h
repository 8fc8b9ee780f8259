// The 18-byte little-endian header in front of every recorder telegram, with
// its checksum (the sum of bytes 0..15 modulo 65536).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct TelegramHeader {
    static constexpr size_t kSize = 18;
    // Larger payloads are refused: the connection is closed instead of
    // buffering without bound.
    static constexpr uint32_t kMaxPayload = 65536;
    static constexpr uint16_t kAlarmKind = 255;

    uint16_t kind = kAlarmKind;
    uint16_t word2 = 0; // not interpreted, forwarded unchanged
    uint16_t word4 = 0; // not interpreted, forwarded unchanged
    uint16_t typeCode = 0;
    uint32_t value = 0; // meaning depends on the type code
    uint32_t payloadLength = 0;
    uint16_t checksum = 0;

    // Reads kSize bytes.
    static TelegramHeader Read(const uint8_t* bytes);
    // Sum of the first 16 bytes of a header.
    static uint16_t Checksum(const uint8_t* bytes);
    // Whether the first kSize bytes carry a matching checksum.
    static bool HasValidChecksum(const uint8_t* bytes);

    // A complete telegram: this header with the payload's length and a
    // matching checksum, followed by the payload.
    std::vector<uint8_t> Encode(std::span<const uint8_t> payload) const;
};
