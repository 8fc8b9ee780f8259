// Reading and writing recorder telegram headers.
#include "net/TelegramHeader.h"

namespace {

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Write16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Write32(std::vector<uint8_t>& out, uint32_t v)
{
    Write16(out, static_cast<uint16_t>(v));
    Write16(out, static_cast<uint16_t>(v >> 16));
}

} // namespace

TelegramHeader TelegramHeader::Read(const uint8_t* bytes)
{
    TelegramHeader header;
    header.kind = Read16(bytes);
    header.word2 = Read16(bytes + 2);
    header.word4 = Read16(bytes + 4);
    header.typeCode = Read16(bytes + 6);
    header.value = Read32(bytes + 8);
    header.payloadLength = Read32(bytes + 12);
    header.checksum = Read16(bytes + 16);
    return header;
}

uint16_t TelegramHeader::Checksum(const uint8_t* bytes)
{
    unsigned sum = 0;
    for (size_t i = 0; i < 16; ++i)
        sum += bytes[i];
    return static_cast<uint16_t>(sum);
}

bool TelegramHeader::HasValidChecksum(const uint8_t* bytes)
{
    return Checksum(bytes) == Read16(bytes + 16);
}

std::vector<uint8_t> TelegramHeader::Encode(std::span<const uint8_t> payload) const
{
    std::vector<uint8_t> out;
    out.reserve(kSize + payload.size());
    Write16(out, kind);
    Write16(out, word2);
    Write16(out, word4);
    Write16(out, typeCode);
    Write32(out, value);
    Write32(out, static_cast<uint32_t>(payload.size()));
    Write16(out, Checksum(out.data()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}
