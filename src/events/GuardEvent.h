// One new alarm as the decoders and the recorder supervision raise it, before
// it is stored, and the one place they hand it to.
#pragma once

#include <cstdint>
#include <string>

struct GuardEvent {
    std::string recorder;
    int64_t timeArrival = -1;
    int64_t timeDeparture = -1;
    int32_t alarmType = -1;
    int32_t cameraId = -1;
    std::string cameraName;
    int32_t trackId = -1;
    std::string trackName;
    std::string addInfo;
    int32_t hybrid = -1;

    friend bool operator==(const GuardEvent&, const GuardEvent&) = default;
};

class GuardEventSink {
public:
    virtual ~GuardEventSink() = default;
    // Stored before the call returns; dispatched then too, unless another
    // alarm's dispatch is still running (its dialogs serve the port), in
    // which case it is dispatched after that one.
    virtual void Raise(const GuardEvent& event) = 0;
};
