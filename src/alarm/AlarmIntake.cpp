#include "alarm/AlarmIntake.h"

#include "alarm/AlarmCounts.h"
#include "alarm/AlarmDispatcher.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/RecordConfirmation.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "events/RecorderLookup.h"
#include "events/TextFormat.h"
#include "users/UserAccounts.h"

#include <algorithm>
#include <string>
#include <utility>

bool ConfirmedAtOnce(const AlarmSettings* settings)
{
    return settings == nullptr || settings->priority == kPriorityWithoutWindow ||
           settings->showAlarmWindow == 0;
}

bool InMaintenance(const ConfigNode& recorder, int64_t atMs)
{
    int64_t from = Get(recorder, kMaintenanceFrom);
    return from > 0 && from <= atMs && atMs < Get(recorder, kMaintenanceUntil);
}

AlarmIntake::AlarmIntake(ConfigTree& tree, Clock& clock) : m_tree(tree), m_clock(clock) {}

void AlarmIntake::AddListener(NewAlarmListener* listener)
{
    m_listeners.push_back(listener);
}

void AlarmIntake::RemoveListener(NewAlarmListener* listener)
{
    std::erase(m_listeners, listener);
}

void AlarmIntake::Raise(const GuardEvent& event)
{
    // Stored at once, also while another alarm's dispatch runs a dialog
    // whose loop serves the port: only the reactions wait their turn.
    if (m_dispatching) {
        Stored stored;
        if (Store(event, stored))
            m_waiting.push_back(std::move(stored));
        return;
    }
    if (!Store(event, m_current))
        return;
    m_dispatching = true;
    struct Done {
        bool& dispatching;
        ~Done() { dispatching = false; }
    } done{m_dispatching};
    Dispatch(m_current);
    while (!m_waiting.empty()) {
        Stored next = std::move(m_waiting.front());
        m_waiting.pop_front();
        next.recordNumber = CurrentNumber(next);
        if (next.recordNumber >= 0)
            Dispatch(next);
    }
}

bool AlarmIntake::Store(const GuardEvent& event, Stored& stored)
{
    if (event.alarmType == -1 || m_database == nullptr || !m_database->IsOpen())
        return false;
    ConfigLock lock(m_tree);
    stored.event = event;
    AlarmContext& context = stored.context;
    context.settings = LookupAlarmSettings(m_tree, event.alarmType, event.cameraId, event.recorder);
    context.arrival = event.timeArrival;
    context.departure = event.timeDeparture;
    context.alarmType = event.alarmType;
    context.recorderAddress = event.recorder;
    // A recorder that sends no hybrid entry (-1) passed the recorder check
    // as an ordinary one (0); its entry is looked up the same way, once.
    const ConfigNode* recorder =
        FindRecorderEntry(m_tree, event.recorder, std::max(event.hybrid, 0));
    context.recorderName = recorder != nullptr ? Get(*recorder, kRecorderName) : std::string();
    stored.maintenance = recorder != nullptr && InMaintenance(*recorder, event.timeArrival);
    if (stored.maintenance)
        stored.event.addInfo = FormatTr(TrNoop("Wartung: %s"), event.addInfo);
    context.addInfo = stored.event.addInfo;
    context.camera = event.cameraId;
    context.track = event.trackId;

    AlarmRecord& record = m_record;
    record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, event.timeArrival);
    record.SetNumber(AlarmField::TimeDeparture, event.timeDeparture);
    record.SetField(AlarmField::Recorder, event.recorder);
    record.SetNumber(AlarmField::CameraID, event.cameraId);
    record.SetNumber(AlarmField::TrackID, event.trackId);
    record.SetNumber(AlarmField::AlarmType, event.alarmType);
    record.SetField(AlarmField::AddInfo, context.addInfo);
    // Written once, confirmed, rather than written and then updated.
    stored.confirmed =
        stored.maintenance || ConfirmedAtOnce(context.settings ? &*context.settings : nullptr);
    if (stored.confirmed)
        ApplyConfirmation(record, ConfirmKind::Automatic, CurrentUserName(m_tree), m_clock.NowMs());
    int priority = context.settings ? context.settings->priority : -1;
    if (m_counts != nullptr)
        m_counts->Received(event.alarmType, priority);
    if (!m_database->Append(record))
        return false;
    if (m_counts != nullptr)
        m_counts->Stored(event.alarmType, priority);
    stored.recordNumber = m_database->RecordCount() - 1;
    return true;
}

void AlarmIntake::Dispatch(const Stored& stored)
{
    NewAlarm alarm{stored.event, stored.recordNumber, stored.context, stored.confirmed,
                   stored.maintenance};
    // A listener may remove itself or another; the copy keeps the walk valid.
    std::vector<NewAlarmListener*> listeners = m_listeners;
    for (NewAlarmListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            listener->OnNewAlarm(alarm);
    }
}

int AlarmIntake::CurrentNumber(const Stored& stored)
{
    if (m_database == nullptr || !m_database->IsOpen())
        return -1;
    return m_database->FindByArrival(std::to_string(stored.event.timeArrival), stored.recordNumber);
}
