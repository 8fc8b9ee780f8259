// Told by the alarm database after it stored the record of a new event; the
// alarm handling implements it, and this call is how alarm dispatch starts.
#pragma once

class AlarmRecord;

class NewAlarmObserver {
public:
    virtual ~NewAlarmObserver() = default;

    // Before the record is stored: an alarm that is confirmed at once can be
    // stored confirmed, written once instead of written and then updated.
    virtual void PrepareNewAlarm(AlarmRecord& record) { (void)record; }
    virtual void OnNewAlarm(int recordNumber) = 0;
};
