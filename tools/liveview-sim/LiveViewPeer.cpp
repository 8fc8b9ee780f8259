// The live-view program's side of the link, built on the station's layouts
// and its own reading of the same objects.
#include "liveview-sim/LiveViewPeer.h"

#include "links/AlarmTable.h"
#include "links/CKXSHMPresetList.h"
#include "links/CommandMailbox.h"
#include "links/LittleEndian.h"
#include "links/LiveViewMessages.h"
#include "links/SharedLayouts.h"
#include "links/SharedRecorderList.h"
#include "links/ViewerRequestQueue.h"
#include "platform/NamedMutexLock.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <unistd.h>

using QueueLayout = RequestQueueLayout;

LiveViewPeer::LiveViewPeer(std::string namePrefix, uint32_t window)
    : m_prefix(std::move(namePrefix)), m_window(window)
{
}

LiveViewPeer::~LiveViewPeer()
{
    if (m_endpoint >= 0)
        ::close(m_endpoint);
}

bool LiveViewPeer::PublishRecorderList(const std::vector<SharedRecorder>& recorders)
{
    return PublishRawRecorderList(SharedRecorderList::Encode(recorders));
}

bool LiveViewPeer::PublishPresetList(const std::vector<std::string>& presets)
{
    return PublishRawPresetList(CKXSHMPresetList::Encode(presets));
}

bool LiveViewPeer::PublishRawRecorderList(std::span<const uint8_t> bytes)
{
    return Publish(SharedRecorderList::kMappingName, m_recorderMutex,
                   SharedRecorderList::kMutexName, SharedAccess::Group, m_recorderList, bytes);
}

bool LiveViewPeer::PublishRawPresetList(std::span<const uint8_t> bytes)
{
    return Publish(CKXSHMPresetList::kMappingName, m_presetMutex, CKXSHMPresetList::kMutexName,
                   SharedAccess::Group, m_presetList, bytes);
}

bool LiveViewPeer::Publish(const std::string& mappingName, NamedMutex& mutex,
                           const std::string& mutexName, SharedAccess mutexAccess,
                           SharedMapping& mapping, std::span<const uint8_t> bytes)
{
    if (!mutex.IsOpen() && !mutex.Open(m_prefix + mutexName, mutexAccess))
        return false;
    NamedMutexLock lock(mutex);
    if (!lock.IsLocked())
        return false;
    // An object can only grow while others may map it; a new one is made
    // when the old one is too small and nobody else holds it.
    mapping.Detach();
    if (mapping.Attach(m_prefix + mappingName, bytes.size(), SharedCreate::OpenOrCreate,
                       SharedAccess::Group) != AttachResult::Attached)
        return false;
    std::memset(mapping.Data(), 0, mapping.Size());
    std::memcpy(mapping.Data(), bytes.data(), bytes.size());
    return true;
}

bool LiveViewPeer::OpenWindow()
{
    if (m_endpoint >= 0)
        return true;
    m_endpoint = OpenWindowEndpoint(m_window);
    return m_endpoint >= 0;
}

bool LiveViewPeer::OpenQueue()
{
    if (m_queue.IsAttached())
        return true;
    if (!m_queueMutex.IsOpen() &&
        !m_queueMutex.Open(m_prefix + ViewerRequestQueue::kMutexName, SharedAccess::Group))
        return false;
    NamedMutexLock lock(m_queueMutex);
    return lock.IsLocked() && m_queue.Attach(m_prefix + ViewerRequestQueue::kMappingName,
                                             QueueLayout::kSize, SharedCreate::OpenOrCreate,
                                             SharedAccess::Group) == AttachResult::Attached;
}

bool LiveViewPeer::RegisterWindow()
{
    if (!OpenQueue())
        return false;
    NamedMutexLock lock(m_queueMutex);
    if (!lock.IsLocked())
        return false;
    StoreI32(m_queue.Data() + QueueLayout::kViewerWindowAt, static_cast<int32_t>(m_window));
    return true;
}

void LiveViewPeer::UnregisterWindow()
{
    if (!m_queue.IsAttached())
        return;
    NamedMutexLock lock(m_queueMutex);
    if (lock.IsLocked())
        StoreI32(m_queue.Data() + QueueLayout::kViewerWindowAt, 0);
}

uint32_t LiveViewPeer::StationWindow()
{
    if (!OpenQueue())
        return 0;
    NamedMutexLock lock(m_queueMutex);
    if (!lock.IsLocked())
        return 0;
    return static_cast<uint32_t>(LoadI32(m_queue.Data() + QueueLayout::kStationWindowAt));
}

std::vector<ViewerRequest> LiveViewPeer::TakeRequests()
{
    std::vector<ViewerRequest> requests;
    if (!OpenQueue())
        return requests;
    NamedMutexLock lock(m_queueMutex);
    if (!lock.IsLocked())
        return requests;
    uint8_t* base = m_queue.Data();
    int32_t count = std::clamp(LoadI32(base + QueueLayout::kCountAt), 0, QueueLayout::kCapacity);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* record = base + QueueLayout::kHeaderSize + i * QueueLayout::kRecordSize;
        requests.push_back(DecodeViewerRequest(
            std::span<const uint8_t, QueueLayout::kRecordSize>(record, QueueLayout::kRecordSize)));
    }
    StoreI32(base + QueueLayout::kCountAt, 0);
    return requests;
}

bool LiveViewPeer::ReadAlarms(std::vector<AlarmTableRecord>& records, int64_t& shownAlarm)
{
    AlarmTable table(m_prefix);
    return table.Attach() && table.Read(records, shownAlarm);
}

bool LiveViewPeer::Subscribe()
{
    return PushCommand(static_cast<int32_t>(MailboxCommandCode::Subscribe),
                       static_cast<int32_t>(m_window));
}

bool LiveViewPeer::RequestSelectedAlarm()
{
    return PushCommand(static_cast<int32_t>(MailboxCommandCode::HandleSelectedAlarm), 0);
}

bool LiveViewPeer::PushCommand(int32_t command, int32_t argument)
{
    CommandMailbox mailbox(m_prefix);
    if (!mailbox.Open() || !mailbox.Push({command, argument}))
        return false;
    uint32_t station = StationWindow();
    return station != 0 &&
           PostWindowMessage(station, kStationCommandMessage, 0, 0) == PostResult::Posted;
}

PostResult LiveViewPeer::NotifyStation()
{
    uint32_t station = StationWindow();
    if (station == 0)
        return PostResult::NoWindow;
    return PostWindowMessage(station, kViewerNotificationMessage, 0, 0);
}

ReceiveResult LiveViewPeer::Receive(WindowMessage& message)
{
    if (m_endpoint < 0)
        return ReceiveResult::Failed;
    return ReceiveWindowMessage(m_endpoint, message);
}
