#include "alarm/AlarmAudit.h"

#include "audit/AuditTrail.h"
#include "db/AlarmRecord.h"
#include "events/EventDecoder.h"
#include "events/RecorderSupervision.h"

#include <string>

AuditDetails AlarmDetails(const AlarmRecord& record)
{
    return {{"arrival", IsoLocalTime(record.Number(AlarmField::TimeArrival))},
            {"recorder", std::string(record.Field(AlarmField::Recorder))},
            {"type", std::to_string(record.Int(AlarmField::AlarmType))},
            {"camera", std::to_string(record.Int(AlarmField::CameraID))},
            {"comment", std::string(record.Field(AlarmField::ConfirmComment))}};
}

void SupervisionAudit::OnNewAlarm(const NewAlarm& alarm)
{
    const GuardEvent& event = alarm.event;
    if (event.alarmType == RecorderSupervision::kMissedSignalType)
        m_trail.Record("recorder-missed", event.recorder,
                       {{"expected", IsoLocalTime(event.timeDeparture)}});
    else if (event.alarmType == EventDecoder::kSignalRestoredType)
        m_trail.Record("recorder-back", event.recorder,
                       {{"arrival", IsoLocalTime(event.timeArrival)}});
}
