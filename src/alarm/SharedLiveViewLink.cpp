#include "alarm/SharedLiveViewLink.h"

#include "links/AlarmTable.h"
#include "links/CommandMailbox.h"
#include "links/ViewerRequestQueue.h"

SharedLiveViewLink::SharedLiveViewLink(AlarmTable& table, ViewerRequestQueue& requests,
                                       CommandMailbox& mailbox)
    : m_table(table), m_requests(requests), m_mailbox(mailbox)
{
}

void SharedLiveViewLink::AddAlarm(std::string_view recorderName, int32_t camera,
                                  std::string_view trackName, int64_t arrival, int32_t priority)
{
    m_table.AddAlarm(recorderName, camera, trackName, arrival, priority);
}

void SharedLiveViewLink::RemoveAlarm(int64_t arrival)
{
    m_table.RemoveAlarm(arrival);
}

void SharedLiveViewLink::SetShownAlarm(int64_t arrival)
{
    m_table.SetShownAlarm(arrival);
}

void SharedLiveViewLink::Notify(StationEvent event)
{
    m_mailbox.Notify(event);
}

bool SharedLiveViewLink::ShowLive(std::string_view recorder, int32_t camera, uint8_t flag,
                                  int index)
{
    return m_requests.ShowLive(recorder, camera, flag, index);
}

bool SharedLiveViewLink::ShowTrackByName(std::string_view recorder, std::string_view trackName,
                                         int32_t camera, int64_t time, uint8_t flag, int index)
{
    return m_requests.ShowTrackByName(recorder, trackName, camera, time, flag, index);
}

bool SharedLiveViewLink::ShowTrackByNumber(std::string_view recorder, int32_t trackNumber,
                                           int32_t camera, int64_t time, uint8_t flag, int index)
{
    return m_requests.ShowTrackByNumber(recorder, trackNumber, camera, time, flag, index);
}

bool SharedLiveViewLink::LoadPreset(std::string_view presetName)
{
    return m_requests.LoadPreset(presetName);
}
