// The telegram header and its checksum.
#include "telegram/TelegramEncoder.h"

namespace {

void Put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

} // namespace

uint16_t HeaderChecksum(std::span<const uint8_t, 16> bytes)
{
    uint32_t sum = 0;
    for (uint8_t byte : bytes)
        sum += byte;
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<uint8_t> EncodeTelegram(const TelegramFields& fields, std::span<const uint8_t> payload)
{
    std::vector<uint8_t> out;
    out.reserve(TelegramFields::kHeaderSize + payload.size());
    Put16(out, fields.kind);
    Put16(out, fields.word2);
    Put16(out, fields.word4);
    Put16(out, fields.typeCode);
    Put32(out, fields.detail);
    Put32(out, fields.payloadLength.value_or(static_cast<uint32_t>(payload.size())));
    uint16_t checksum = HeaderChecksum(std::span<const uint8_t, 16>(out.data(), 16));
    Put16(out, fields.checksum.value_or(checksum));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}
