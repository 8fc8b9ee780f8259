// Turns each alarm telegram into a GuardEvent: the common fields, the check
// that the recorder is known and the decoder of the alarm type; the events
// it raises go to the sink.
#pragma once

#include "events/ArrivalCounter.h"
#include "events/CameraStateTable.h"
#include "events/DecodeContext.h"
#include "net/ForwardingAllowList.h"
#include "net/TelegramSink.h"

#include <cstdint>
#include <span>
#include <string_view>

class Clock;
class ConfigTree;
class GuardEventSink;

class EventDecoder final : public TelegramSink {
public:
    static constexpr int32_t kCameraRestoredType = 10900;
    static constexpr int32_t kSignalRestoredType = 10950;

    EventDecoder(ConfigTree& tree, Clock& clock, GuardEventSink& sink);

    // telegram is the 18-byte header and the payload; originIp the address
    // text of the recorder that produced it.
    TelegramOutcome DecodeTelegram(std::span<const uint8_t> telegram,
                                   std::string_view originIp) override;

    // Program/Configuration/System/strForwardAllowed decides.
    bool AcceptsForwardingFrom(std::string_view peerAddress) override;

    // The source of every alarm's arrival time, shared with the supervision.
    ArrivalCounter& Arrivals() { return m_arrivals; }

private:
    // Resets the event and fills what every telegram carries.
    void FillCommonFields(DecodeContext& context, std::string_view originIp);
    Dispatch DecodeType(DecodeContext& context);
    Dispatch DecodeCameraState(DecodeContext& context, CameraStateTable& table,
                               int32_t restoredType);

    ConfigTree& m_tree;
    Clock& m_clock;
    GuardEventSink& m_sink;
    ArrivalCounter m_arrivals;
    CameraStateTable m_cameraFailures;
    CameraStateTable m_sensorCardSignals;
    ForwardingAllowList m_forwardingStations;
    uint64_t m_programVersion = 0;
    bool m_forwardingChecked = false;
};
