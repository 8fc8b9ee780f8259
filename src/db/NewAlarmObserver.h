// Told by the alarm database after it stored the record of a new event; the
// alarm handling implements it, and this call is how alarm dispatch starts.
#pragma once

class NewAlarmObserver {
public:
    virtual ~NewAlarmObserver() = default;

    virtual void OnNewAlarm(int recordNumber) = 0;
};
