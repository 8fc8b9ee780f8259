// The common decoding of every alarm telegram and the table of decoders per
// alarm type.
#include "events/EventDecoder.h"

#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"
#include "events/DeviceStatusDecoders.h"
#include "events/EventTextBuilders.h"
#include "events/GuardEvent.h"
#include "events/RecorderLookup.h"
#include "events/TestMessageDecoder.h"
#include "events/TextFormat.h"
#include "events/TrackEventDecoders.h"

#include <vector>

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint16_t kAlarmKind = 255;

uint16_t Read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Read32(const uint8_t* p)
{
    return static_cast<uint32_t>(Read16(p)) | static_cast<uint32_t>(Read16(p + 2)) << 16;
}

std::optional<int64_t> DepartureMs(const TagEntry& entry)
{
    uint16_t fields[7];
    for (size_t i = 0; i < 7; ++i) {
        std::optional<uint16_t> field = entry.U16(2 + 2 * i);
        if (!field)
            return std::nullopt;
        fields[i] = *field;
    }
    std::optional<Timestamp> stamp =
        Timestamp::FromLocalFields(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5],
                                   fields[6], FieldsAre::Local);
    if (!stamp)
        return std::nullopt;
    return stamp->ToMs();
}

// Camera numbers 1..24 whose bits are set in mask.
std::vector<int> Cameras(uint32_t mask)
{
    std::vector<int> cameras;
    for (int bit = 0; bit < 24; ++bit) {
        if ((mask >> bit) & 1)
            cameras.push_back(bit + 1);
    }
    return cameras;
}

} // namespace

EventDecoder::EventDecoder(ConfigTree& tree, Clock& clock, GuardEventSink& sink)
    : m_tree(tree), m_clock(clock), m_sink(sink)
{
}

bool EventDecoder::AcceptsForwardingFrom(std::string_view peerAddress)
{
    {
        ConfigLock lock(m_tree);
        // Looked up again only when the configuration changed, not for every
        // forwarded telegram.
        ConfigNode* program = m_tree.TopFolder("Program");
        uint64_t version = program != nullptr ? program->Version() : 0;
        if (!m_forwardingChecked || version != m_programVersion) {
            m_forwardingStations.Update(Get(m_tree, kForwardAllowed));
            m_programVersion = version;
            m_forwardingChecked = true;
        }
    }
    return m_forwardingStations.Allows(peerAddress);
}

TelegramOutcome EventDecoder::DecodeTelegram(std::span<const uint8_t> telegram,
                                             std::string_view originIp)
{
    if (telegram.size() < kHeaderSize || Read16(telegram.data()) != kAlarmKind)
        return TelegramOutcome::Decoded;
    DecodeContext context;
    context.typeCode = Read16(telegram.data() + 6);
    context.detail = Read32(telegram.data() + 8);
    // The session hands over exactly the announced payload; a shorter span
    // than announced is read as far as it goes.
    size_t announced = Read32(telegram.data() + 12);
    context.payload =
        telegram.subspan(kHeaderSize, std::min(announced, telegram.size() - kHeaderSize));

    FillCommonFields(context, originIp);
    if (!FindRecorderName(m_tree, context.event.recorder, 0))
        return TelegramOutcome::UnknownRecorder;
    if (DecodeType(context) == Dispatch::Yes)
        m_sink.Raise(context.event);
    if (context.following) {
        context.following->timeArrival = m_arrivals.Next(context.event.timeArrival + 1);
        m_sink.Raise(*context.following);
    }
    return TelegramOutcome::Decoded;
}

void EventDecoder::FillCommonFields(DecodeContext& context, std::string_view originIp)
{
    context.event = GuardEvent{};
    context.event.timeArrival = m_arrivals.Next(m_clock.NowMs());
    context.version = 0;
    std::optional<TagReader> payload = context.OpenPayload();
    while (payload) {
        std::optional<TagEntry> entry = payload->Next();
        if (!entry)
            break;
        if (entry->Tag() == kTagStamp && entry->HasKind(kKindDeparture)) {
            // A stamp that names no valid local time counts as none.
            if (std::optional<int64_t> departure = DepartureMs(*entry))
                context.event.timeDeparture = *departure;
        } else if (entry->Tag() == kTagValue && entry->HasKind(kKindHybrid)) {
            if (std::optional<int32_t> hybrid = entry->I32(2))
                context.event.hybrid = *hybrid;
        } else if (entry->Tag() == kTagValue && entry->HasKind(kKindVersion)) {
            if (std::optional<int32_t> version = entry->I32(2))
                context.version = *version;
        }
    }
    context.event.recorder = std::string(originIp);
    context.event.alarmType = context.typeCode;
}

Dispatch EventDecoder::DecodeType(DecodeContext& context)
{
    switch (context.typeCode) {
    case 10000:
        context.event.trackId = static_cast<int32_t>(context.detail);
        return Dispatch::Yes;
    case 10001:
        context.event.addInfo = Tr("Kritische freie Speicherkapazitaet erreicht!");
        return Dispatch::Yes;
    case 10002:
        context.event.addInfo = Tr("Kritische freie Speicherkapazitaet wieder unterschritten!");
        return Dispatch::Yes;
    case 10003:
        return DecodeStandardTrackBackup(context);
    case 10004:
    case 10005:
    case 10015:
    case 10017:
    case 10021:
    case 10028:
        return DecodeGeneric(context);
    case 10006:
        return DecodeRecordingsStopped(context);
    case 10007:
        return DecodePlayerReport(context);
    case 10011:
        return DecodeContactRecording(context);
    case 10012:
    case 10024:
        return DecodeCamerasStopped(context);
    case 10013:
        return DecodeTracksAndCameras(context, TrackLabelD::Without);
    case 10014:
        return DecodeAlarmStart(context);
    case 10016:
        return DecodeCameraState(context, m_cameraFailures, kCameraRestoredType);
    case 10018:
        return DecodeContactInput(context);
    case 10019:
        return DecodeDeletedTrack(context);
    case 10020:
        return Dispatch::Yes;
    case 10022:
        return DecodeCameraState(context, m_sensorCardSignals, kSignalRestoredType);
    case 10023:
        return DecodeTracksAndCameras(context, TrackLabelD::With);
    case 10025:
        return DecodeSensorBoardInputs(context);
    case 10026:
        return DecodeUpsCommand(context);
    case 10027:
        return DecodeRecorderFault(context);
    case 10029:
        return DecodeAnalysisAlarm(context);
    case 10030:
        return DecodeHousekeeping(context);
    case 10037:
        return Dispatch::No;
    case 10039:
        return DecodeSensorObject(context);
    case 10040:
        return DecodeSystemError(context);
    case 10042:
        return DecodeTestMessage(context, m_tree, m_clock);
    default:
        context.event.alarmType = kUnknownAlarmType;
        context.event.addInfo = FormatText("%s %d", Tr("Unbekannter Alarm"), context.typeCode);
        return Dispatch::Yes;
    }
}

Dispatch EventDecoder::DecodeCameraState(DecodeContext& context, CameraStateTable& table,
                                         int32_t restoredType)
{
    bool isCameraFailure = &table == &m_cameraFailures;
    uint32_t& stored = table.MaskOf(context.event.recorder);
    uint32_t mask = context.detail & CameraStateTable::kCameraMask;
    std::vector<int> restored = Cameras(stored & ~mask);
    std::vector<int> failed = Cameras(~stored & mask);
    if (restored.empty() && failed.empty())
        return Dispatch::No;
    stored = mask;

    if (!restored.empty() && !failed.empty()) {
        GuardEvent saved = context.event;
        context.event.alarmType = restoredType;
        // Both events are stored under their arrival time: the recovery takes
        // the next one from the counter (one more than this telegram's), so
        // neither this pair nor the next telegram share a key.
        context.event.timeArrival = m_arrivals.Next(context.event.timeArrival + 1);
        context.event.addInfo = CameraNumbersText(restored);
        if (isCameraFailure)
            context.event.cameraId = restored.front() - 1;
        m_sink.Raise(context.event);
        context.event = saved;
        context.event.addInfo = CameraNumbersText(failed);
        return Dispatch::Yes;
    }
    if (!restored.empty()) {
        context.event.alarmType = restoredType;
        context.event.addInfo = CameraNumbersText(restored);
        if (isCameraFailure)
            context.event.cameraId = restored.front() - 1;
        return Dispatch::Yes;
    }
    context.event.addInfo = CameraNumbersText(failed);
    if (isCameraFailure)
        context.event.cameraId = failed.front() - 1;
    return Dispatch::Yes;
}
