// The request queue "KXPW": the station appends requests for the live-view
// program, which takes them out. At most 25 wait; a further request is
// dropped. After each queued request the live-view window, if one is
// registered, gets the message "KavexNoticiation".
#pragma once

#include "links/ViewerRequest.h"
#include "platform/NamedMutex.h"
#include "platform/SharedMapping.h"

#include <cstdint>
#include <string>
#include <string_view>

class ViewerRequestQueue {
public:
    static constexpr const char* kMappingName = "KXPW";
    static constexpr const char* kMutexName = "KXPWMutex";

    explicit ViewerRequestQueue(std::string namePrefix = {});
    ~ViewerRequestQueue();
    ViewerRequestQueue(const ViewerRequestQueue&) = delete;
    ViewerRequestQueue& operator=(const ViewerRequestQueue&) = delete;

    // Opens or creates the queue, enters the station's window and queues
    // "registration changed".
    bool Register(uint32_t stationWindow);
    // Clears the station's window, queues "registration changed" and closes.
    void Unregister();
    bool IsValid() const { return m_valid; }
    // Another program kept the mutex past its wait bound at the last access.
    bool IsHeldElsewhere() const { return m_mutex.IsHeldElsewhere(); }

    // index is 0 to 3, or ViewerRequest::kNoIndex. Each returns whether the
    // request was queued.
    bool ShowLive(std::string_view recorderAddress, int32_t camera, uint8_t flag, int index);
    bool ShowTrackByName(std::string_view recorderAddress, std::string_view trackName,
                         int32_t camera, int64_t time, uint8_t flag, int index);
    bool ShowTrackByNumber(std::string_view recorderAddress, int32_t trackNumber, int32_t camera,
                           int64_t time, uint8_t flag, int index);
    bool LoadPreset(std::string_view presetName);

private:
    bool Queue(const ViewerRequest& request);
    void WriteStationWindow(uint32_t window);

    std::string m_prefix;
    NamedMutex m_mutex;
    SharedMapping m_mapping;
    bool m_valid = false;
};
