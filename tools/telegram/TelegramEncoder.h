// Writes a complete recorder telegram: the 18-byte little-endian header with
// its checksum (sum of bytes 0..15 modulo 65536), then the payload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct TelegramFields {
    static constexpr uint16_t kAlarmKind = 255;
    static constexpr size_t kHeaderSize = 18;

    uint16_t kind = kAlarmKind;
    uint16_t word2 = 0;
    uint16_t word4 = 0;
    uint16_t typeCode = 0;
    uint32_t detail = 0;
    // Written instead of the true values, to build broken telegrams.
    std::optional<uint32_t> payloadLength;
    std::optional<uint16_t> checksum;
};

std::vector<uint8_t> EncodeTelegram(const TelegramFields& fields,
                                    std::span<const uint8_t> payload = {});

// The checksum of a header's first 16 bytes.
uint16_t HeaderChecksum(std::span<const uint8_t, 16> bytes);
