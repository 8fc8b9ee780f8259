// Writing tagged entries in the recorders' little-endian layout.
#include "telegram/EntryListWriter.h"

#include <limits>

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

void PutStamp(std::vector<uint8_t>& out, const StampFields& stamp)
{
    for (uint16_t field : {stamp.day, stamp.month, stamp.year, stamp.hour, stamp.minute,
                           stamp.second, stamp.millisecond})
        Put16(out, field);
}

} // namespace

EntryListWriter& EntryListWriter::Raw(uint16_t tag, std::span<const uint8_t> data)
{
    if (data.size() > std::numeric_limits<uint16_t>::max())
        m_valid = false;
    return RawWithLength(static_cast<uint16_t>(data.size()), tag, data);
}

EntryListWriter& EntryListWriter::RawWithLength(uint16_t length, uint16_t tag,
                                                std::span<const uint8_t> data)
{
    Put16(m_bytes, length);
    Put16(m_bytes, tag);
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return *this;
}

EntryListWriter& EntryListWriter::Track(uint16_t number, std::string_view name)
{
    std::vector<uint8_t> data;
    Put16(data, 0);
    Put16(data, number);
    data.insert(data.end(), name.begin(), name.end());
    data.push_back(0);
    return Raw(wire::kTagTrack, data);
}

EntryListWriter& EntryListWriter::Camera(uint16_t number, const StampFields& stamp)
{
    std::vector<uint8_t> data;
    Put16(data, 0);
    Put16(data, number);
    PutStamp(data, stamp);
    return Raw(wire::kTagCamera, data);
}

EntryListWriter& EntryListWriter::List(const EntryListWriter& nested)
{
    if (!nested.IsValid())
        m_valid = false;
    return Raw(wire::kTagList, nested.Bytes());
}

EntryListWriter& EntryListWriter::Code(uint16_t value)
{
    std::vector<uint8_t> data;
    Put16(data, value);
    return Raw(wire::kTagCode, data);
}

EntryListWriter& EntryListWriter::Board(uint8_t number, uint8_t type)
{
    const uint8_t data[] = {number, type};
    return Raw(wire::kTagCode, data);
}

EntryListWriter& EntryListWriter::Status(uint16_t word)
{
    std::vector<uint8_t> data;
    Put16(data, word);
    return Raw(wire::kTagStatus, data);
}

EntryListWriter& EntryListWriter::Pair(uint16_t kind, uint16_t value)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    Put16(data, value);
    return Raw(wire::kTagPair, data);
}

EntryListWriter& EntryListWriter::Value16(uint16_t kind, uint16_t value)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    Put16(data, value);
    return Raw(wire::kTagValue, data);
}

EntryListWriter& EntryListWriter::Value32(uint16_t kind, uint32_t value)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    Put32(data, value);
    return Raw(wire::kTagValue, data);
}

EntryListWriter& EntryListWriter::Stamp(uint16_t marker, const StampFields& stamp)
{
    std::vector<uint8_t> data;
    Put16(data, marker);
    PutStamp(data, stamp);
    return Raw(wire::kTagStamp, data);
}

EntryListWriter& EntryListWriter::Flags(uint16_t kind, uint8_t flags)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    data.push_back(flags);
    return Raw(wire::kTagStamp, data);
}

EntryListWriter& EntryListWriter::Input(uint16_t kind, uint16_t value)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    Put16(data, value);
    return Raw(wire::kTagInput, data);
}

EntryListWriter& EntryListWriter::Text(uint16_t kind, std::string_view text, TextEnd end)
{
    std::vector<uint8_t> data;
    Put16(data, kind);
    data.insert(data.end(), text.begin(), text.end());
    if (end == TextEnd::Nul)
        data.push_back(0);
    return Raw(wire::kTagText, data);
}

EntryListWriter& EntryListWriter::SoftwareVersion(int32_t version)
{
    return Value32(wire::kKindVersion, static_cast<uint32_t>(version));
}

EntryListWriter& EntryListWriter::Hybrid(int32_t value)
{
    return Value32(wire::kKindHybrid, static_cast<uint32_t>(value));
}

EntryListWriter& EntryListWriter::Departure(const StampFields& stamp)
{
    return Stamp(wire::kKindDeparture, stamp);
}

EntryListWriter& EntryListWriter::Append(const EntryListWriter& other)
{
    if (!other.IsValid())
        m_valid = false;
    m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
    return *this;
}
