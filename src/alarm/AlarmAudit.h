// What the audit trail keeps of alarms: the fields that identify one, the
// range of a bulk operation, and the recorder supervision's misses and
// returns as the intake stores them.
#pragma once

#include "alarm/AlarmIntake.h"
#include "audit/AuditLine.h"

class AlarmRecord;
class AuditTrail;

// Arrival, recorder, type, camera and the confirmation comment.
AuditDetails AlarmDetails(const AlarmRecord& record);

class SupervisionAudit final : public NewAlarmListener {
public:
    explicit SupervisionAudit(AuditTrail& trail) : m_trail(trail) {}
    void OnNewAlarm(const NewAlarm& alarm) override;

private:
    AuditTrail& m_trail;
};
