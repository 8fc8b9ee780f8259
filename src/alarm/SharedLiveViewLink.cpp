#include "alarm/SharedLiveViewLink.h"

#include "links/AlarmTable.h"
#include "links/CommandMailbox.h"
#include "links/ViewerRequestQueue.h"

#include <string>
#include <utility>

SharedLiveViewLink::SharedLiveViewLink(AlarmTable& table, ViewerRequestQueue& requests,
                                       CommandMailbox& mailbox)
    : m_table(table), m_requests(requests), m_mailbox(mailbox)
{
}

void SharedLiveViewLink::AddAlarm(std::string_view recorderName, int32_t camera,
                                  std::string_view trackName, int64_t arrival, int32_t priority)
{
    Run([this, name = std::string(recorderName), camera, track = std::string(trackName), arrival,
         priority] { return m_table.AddAlarm(name, camera, track, arrival, priority); });
}

void SharedLiveViewLink::RemoveAlarm(int64_t arrival)
{
    Run([this, arrival] { return m_table.RemoveAlarm(arrival); });
}

void SharedLiveViewLink::SetShownAlarm(int64_t arrival)
{
    Run([this, arrival] { return m_table.SetShownAlarm(arrival); });
}

void SharedLiveViewLink::Notify(StationEvent event)
{
    m_mailbox.Notify(event);
}

bool SharedLiveViewLink::ShowLive(std::string_view recorder, int32_t camera, uint8_t flag,
                                  int index)
{
    return Run([this, name = std::string(recorder), camera, flag, index] {
        return m_requests.ShowLive(name, camera, flag, index);
    });
}

bool SharedLiveViewLink::ShowTrackByName(std::string_view recorder, std::string_view trackName,
                                         int32_t camera, int64_t time, uint8_t flag, int index)
{
    return Run(
        [this, name = std::string(recorder), track = std::string(trackName), camera, time, flag,
         index] { return m_requests.ShowTrackByName(name, track, camera, time, flag, index); });
}

bool SharedLiveViewLink::ShowTrackByNumber(std::string_view recorder, int32_t trackNumber,
                                           int32_t camera, int64_t time, uint8_t flag, int index)
{
    return Run([this, name = std::string(recorder), trackNumber, camera, time, flag, index] {
        return m_requests.ShowTrackByNumber(name, trackNumber, camera, time, flag, index);
    });
}

bool SharedLiveViewLink::LoadPreset(std::string_view presetName)
{
    return Run([this, name = std::string(presetName)] { return m_requests.LoadPreset(name); });
}

void SharedLiveViewLink::RetryPending()
{
    while (!m_pending.empty()) {
        if (!m_pending.front()() && IsHeldElsewhere())
            return;
        m_pending.pop_front();
    }
}

bool SharedLiveViewLink::Run(Update update)
{
    if (m_pending.empty()) {
        if (update())
            return true;
        if (!IsHeldElsewhere())
            return false;
    }
    if (m_pending.size() >= kMaxPending)
        m_pending.pop_front();
    m_pending.push_back(std::move(update));
    return true;
}

bool SharedLiveViewLink::IsHeldElsewhere() const
{
    return m_table.IsHeldElsewhere() || m_requests.IsHeldElsewhere();
}
