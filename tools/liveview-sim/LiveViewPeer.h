// The live-view program's side of the shared-memory link: publishes the
// recorder and preset lists, registers its window in the request queue and
// takes the requests out, reads the alarm table and leaves commands for the
// station. Used by liveview-sim and by the tests that play the other program.
#pragma once

#include "links/AlarmTableRecord.h"
#include "links/SharedRecorder.h"
#include "links/ViewerRequest.h"
#include "platform/NamedMutex.h"
#include "platform/SharedMapping.h"
#include "platform/WindowMessages.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class LiveViewPeer {
public:
    // The prefix goes before every object name, as with the station's
    // channels.
    LiveViewPeer(std::string namePrefix, uint32_t window);
    ~LiveViewPeer();
    LiveViewPeer(const LiveViewPeer&) = delete;
    LiveViewPeer& operator=(const LiveViewPeer&) = delete;

    // The lists stay published (their objects held) while the peer lives.
    bool PublishRecorderList(const std::vector<SharedRecorder>& recorders);
    bool PublishPresetList(const std::vector<std::string>& presets);
    // Any bytes, for lists the station must reject.
    bool PublishRawRecorderList(std::span<const uint8_t> bytes);
    bool PublishRawPresetList(std::span<const uint8_t> bytes);

    // Binds the window's socket.
    bool OpenWindow();
    int WindowEndpoint() const { return m_endpoint; }
    uint32_t Window() const { return m_window; }
    // Enters the window into the request queue (creating the queue if the
    // station has not), so that the station posts "KavexNoticiation".
    bool RegisterWindow();
    void UnregisterWindow();
    // The station's window as it entered it in the request queue; 0 for none.
    uint32_t StationWindow();
    // Takes every waiting request out of the queue.
    std::vector<ViewerRequest> TakeRequests();

    bool ReadAlarms(std::vector<AlarmTableRecord>& records, int64_t& shownAlarm);

    // Leave a command in the station's mailbox and post "WardexCommand" to
    // the station's window.
    bool Subscribe();
    bool RequestSelectedAlarm();
    // Posts "KavexNoticiation" to the station's window.
    PostResult NotifyStation();

    ReceiveResult Receive(WindowMessage& message);

private:
    bool Publish(const std::string& mappingName, NamedMutex& mutex, const std::string& mutexName,
                 SharedAccess mutexAccess, SharedMapping& mapping, std::span<const uint8_t> bytes);
    bool OpenQueue();
    bool PushCommand(int32_t command, int32_t argument);

    std::string m_prefix;
    uint32_t m_window;
    int m_endpoint = -1;
    NamedMutex m_recorderMutex;
    SharedMapping m_recorderList;
    NamedMutex m_presetMutex;
    SharedMapping m_presetList;
    NamedMutex m_queueMutex;
    SharedMapping m_queue;
};
