// The decoding side of a station on the default configuration.
#include "DecoderFixture.h"

#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"

DecoderFixture::DecoderFixture()
{
    FakePrompt prompt;
    EXPECT_TRUE(m_tree.LoadDefaults(DefaultScript(), prompt));
    AddRecorder(kRecorderIp, kRecorderName);
}

DecoderFixture::~DecoderFixture() = default;

ConfigNode& DecoderFixture::RecorderList()
{
    return *m_tree.TopFolder("Program")->Child("RecorderList");
}

ConfigNode& DecoderFixture::AddRecorder(std::string_view ip, std::string_view name, int32_t hybrid)
{
    ConfigNode* entry = RecorderList().NewEntry(0);
    entry->Child("IP")->SetString(ip);
    entry->Child("Name")->SetString(name);
    entry->Child("Hybrid")->SetInt(hybrid);
    return *entry;
}

std::vector<GuardEvent> DecoderFixture::Decode(uint16_t typeCode, uint32_t detail,
                                               const EntryListWriter& payload, std::string_view ip)
{
    TelegramFields fields;
    fields.typeCode = typeCode;
    fields.detail = detail;
    DecodeBytes(EncodeTelegram(fields, payload.Bytes()), ip);
    std::vector<GuardEvent> events = std::move(m_recorder.events);
    m_recorder.events.clear();
    return events;
}

TelegramOutcome DecoderFixture::DecodeBytes(const std::vector<uint8_t>& telegram,
                                            std::string_view ip)
{
    return m_decoder.DecodeTelegram(telegram, ip);
}

GuardEvent DecoderFixture::DecodeOne(uint16_t typeCode, uint32_t detail,
                                     const EntryListWriter& payload, std::string_view ip)
{
    std::vector<GuardEvent> events = Decode(typeCode, detail, payload, ip);
    EXPECT_EQ(events.size(), 1u) << "type " << typeCode;
    return events.empty() ? GuardEvent{} : events.front();
}

std::string DecoderFixture::AddInfoOf(uint16_t typeCode, uint32_t detail,
                                      const EntryListWriter& payload)
{
    return DecodeOne(typeCode, detail, payload).addInfo;
}

EntryListWriter EntryLayout(const EntryListWriter& entries)
{
    EntryListWriter payload;
    payload.SoftwareVersion(wire::kEntryLayoutVersion);
    payload.Append(entries);
    return payload;
}

EntryListWriter Nest(const EntryListWriter& inner)
{
    EntryListWriter outer;
    outer.List(inner);
    return outer;
}

void PrintTo(const GuardEvent& event, std::ostream* out)
{
    *out << "{Recorder \"" << event.recorder << "\", TimeArrival " << event.timeArrival
         << ", TimeDeparture " << event.timeDeparture << ", AlarmType " << event.alarmType
         << ", CameraID " << event.cameraId << ", CameraName \"" << event.cameraName
         << "\", TrackID " << event.trackId << ", TrackName \"" << event.trackName
         << "\", AddInfo \"" << event.addInfo << "\", Hybrid " << event.hybrid << "}";
}
