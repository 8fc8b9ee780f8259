// What alarm handling tells the live-view program and asks of it: its alarm
// list, the alarm shown in the alarm window, event notices to subscribers,
// and requests to show live pictures, recorded tracks and presets.
#pragma once

#include "links/LiveViewMessages.h"

#include <cstdint>
#include <string_view>

class LiveViewLink {
public:
    // The index of a request that is not part of a context view.
    static constexpr int kNoIndex = -1;

    virtual ~LiveViewLink() = default;

    virtual void AddAlarm(std::string_view recorderName, int32_t camera, std::string_view trackName,
                          int64_t arrival, int32_t priority) = 0;
    virtual void RemoveAlarm(int64_t arrival) = 0;
    // 0: no alarm is shown.
    virtual void SetShownAlarm(int64_t arrival) = 0;
    virtual void Notify(StationEvent event) = 0;

    // Each returns whether the request was queued.
    virtual bool ShowLive(std::string_view recorder, int32_t camera, uint8_t flag, int index) = 0;
    virtual bool ShowTrackByName(std::string_view recorder, std::string_view trackName,
                                 int32_t camera, int64_t time, uint8_t flag, int index) = 0;
    virtual bool ShowTrackByNumber(std::string_view recorder, int32_t trackNumber, int32_t camera,
                                   int64_t time, uint8_t flag, int index) = 0;
    virtual bool LoadPreset(std::string_view presetName) = 0;

    // Tries again what found the live-view program's side busy; the main
    // window's timer calls it.
    virtual void RetryPending() {}
};
