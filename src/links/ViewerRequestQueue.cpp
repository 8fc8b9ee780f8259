// The request queue: every access runs under "KXPWMutex"; the notification
// is posted after the mutex is released.
#include "links/ViewerRequestQueue.h"

#include "links/LittleEndian.h"
#include "links/LiveViewMessages.h"
#include "platform/NamedMutexLock.h"
#include "platform/WindowMessages.h"

#include <cstring>
#include <utility>

using Layout = RequestQueueLayout;

ViewerRequestQueue::ViewerRequestQueue(std::string namePrefix) : m_prefix(std::move(namePrefix)) {}

ViewerRequestQueue::~ViewerRequestQueue() = default;

bool ViewerRequestQueue::Register(uint32_t stationWindow)
{
    m_valid = false;
    m_mapping.Detach();
    if (!m_mutex.Open(m_prefix + kMutexName, SharedAccess::Group))
        return false;
    {
        NamedMutexLock lock(m_mutex);
        if (!lock.IsLocked())
            return false;
        if (m_mapping.Attach(m_prefix + kMappingName, Layout::kSize, SharedCreate::OpenOrCreate,
                             SharedAccess::Group) != AttachResult::Attached)
            return false;
        StoreI32(m_mapping.Data() + Layout::kStationWindowAt, static_cast<int32_t>(stationWindow));
    }
    m_valid = true;
    ViewerRequest changed;
    changed.request = static_cast<int32_t>(ViewerRequestKind::RegistrationChanged);
    Queue(changed);
    return true;
}

void ViewerRequestQueue::Unregister()
{
    if (!m_valid)
        return;
    WriteStationWindow(0);
    ViewerRequest changed;
    changed.request = static_cast<int32_t>(ViewerRequestKind::RegistrationChanged);
    Queue(changed);
    m_valid = false;
    m_mapping.Detach();
    m_mutex.Close();
}

bool ViewerRequestQueue::ShowLive(std::string_view recorderAddress, int32_t camera, uint8_t flag,
                                  int index)
{
    ViewerRequest request;
    request.request = static_cast<int32_t>(ViewerRequestKind::ShowLive);
    request.camera = camera;
    request.recorderAddress = recorderAddress;
    request.flag = flag;
    request.index = index;
    return Queue(request);
}

bool ViewerRequestQueue::ShowTrackByName(std::string_view recorderAddress,
                                         std::string_view trackName, int32_t camera, int64_t time,
                                         uint8_t flag, int index)
{
    ViewerRequest request;
    request.request = static_cast<int32_t>(ViewerRequestKind::ShowTrack);
    request.camera = camera;
    request.recorderAddress = recorderAddress;
    request.trackName = trackName;
    request.time = time;
    request.flag = flag;
    request.index = index;
    return Queue(request);
}

bool ViewerRequestQueue::ShowTrackByNumber(std::string_view recorderAddress, int32_t trackNumber,
                                           int32_t camera, int64_t time, uint8_t flag, int index)
{
    ViewerRequest request;
    request.request = static_cast<int32_t>(ViewerRequestKind::ShowTrack);
    request.camera = camera;
    request.recorderAddress = recorderAddress;
    request.trackNumber = trackNumber;
    request.time = time;
    request.flag = flag;
    request.index = index;
    return Queue(request);
}

bool ViewerRequestQueue::LoadPreset(std::string_view presetName)
{
    ViewerRequest request;
    request.request = static_cast<int32_t>(ViewerRequestKind::LoadPreset);
    request.presetName = presetName;
    return Queue(request);
}

bool ViewerRequestQueue::Queue(const ViewerRequest& request)
{
    if (!m_valid)
        return false;
    ViewerRequestBytes bytes = EncodeViewerRequest(request);
    int32_t viewerWindow = 0;
    {
        NamedMutexLock lock(m_mutex);
        if (!lock.IsLocked())
            return false;
        uint8_t* base = m_mapping.Data();
        int32_t count = LoadI32(base + Layout::kCountAt);
        // A count outside the queue, written by another program, is a full
        // queue too: the live-view program owns taking records out.
        if (count < 0 || count >= Layout::kCapacity)
            return false;
        std::memcpy(base + Layout::kHeaderSize + static_cast<size_t>(count) * Layout::kRecordSize,
                    bytes.data(), bytes.size());
        StoreI32(base + Layout::kCountAt, count + 1);
        viewerWindow = LoadI32(base + Layout::kViewerWindowAt);
    }
    if (viewerWindow != 0)
        PostWindowMessage(static_cast<uint32_t>(viewerWindow), kViewerNotificationMessage, 0, 0);
    return true;
}

void ViewerRequestQueue::WriteStationWindow(uint32_t window)
{
    NamedMutexLock lock(m_mutex);
    if (lock.IsLocked())
        StoreI32(m_mapping.Data() + Layout::kStationWindowAt, static_cast<int32_t>(window));
}
