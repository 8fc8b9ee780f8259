// Every new alarm, from the decoders and the recorder supervision, takes one
// path: its settings and recorder name looked up once, its record stored,
// then the listeners told (the dispatcher first), one alarm at a time.
#pragma once

#include "alarm/AlarmContext.h"
#include "db/AlarmRecord.h"
#include "events/GuardEvent.h"

#include <deque>
#include <vector>

class AlarmCounts;
class AlarmDatabase;
class Clock;
class ConfigNode;
class ConfigTree;

// A new alarm whose record is stored.
struct NewAlarm {
    const GuardEvent& event;
    // The record's number at the time of the call.
    int recordNumber;
    const AlarmContext& context;
    // Neither a window nor a wait: the record was stored confirmed.
    bool storedConfirmed;
    // It arrived within its recorder's maintenance window: stored, marked
    // and confirmed, but not announced.
    bool underMaintenance = false;
};

class NewAlarmListener {
public:
    virtual ~NewAlarmListener() = default;
    virtual void OnNewAlarm(const NewAlarm& alarm) = 0;
};

// No settings entry, priority 5 or no window: confirmed as it is stored.
bool ConfirmedAtOnce(const AlarmSettings* settings);
// The recorder entry's one-off maintenance window (iMaintenanceFrom up to
// iMaintenanceUntil) holds the time.
bool InMaintenance(const ConfigNode& recorder, int64_t atMs);

class AlarmIntake final : public GuardEventSink {
public:
    AlarmIntake(ConfigTree& tree, Clock& clock);
    AlarmIntake(const AlarmIntake&) = delete;
    AlarmIntake& operator=(const AlarmIntake&) = delete;

    // Until a store is set, and after it is taken away, alarms are dropped:
    // the station has no database before it opened one. Not owned.
    void SetStore(AlarmDatabase* database) { m_database = database; }
    // Where received and stored alarms are counted; null for nowhere. Not
    // owned.
    void SetCounts(AlarmCounts* counts) { m_counts = counts; }
    // Told in the order added. Not owned.
    void AddListener(NewAlarmListener* listener);
    void RemoveListener(NewAlarmListener* listener);

    void Raise(const GuardEvent& event) override;

    // Stored alarms whose dispatch waits for the one running.
    size_t Waiting() const { return m_waiting.size(); }

private:
    struct Stored {
        GuardEvent event;
        AlarmContext context;
        int recordNumber = -1;
        bool confirmed = false;
        bool maintenance = false;
    };

    bool Store(const GuardEvent& event, Stored& stored);
    void Dispatch(const Stored& stored);
    // A waiting alarm's number may have moved since it was stored (records
    // deleted meanwhile); -1 when its record is gone.
    int CurrentNumber(const Stored& stored);

    ConfigTree& m_tree;
    Clock& m_clock;
    AlarmDatabase* m_database = nullptr;
    AlarmCounts* m_counts = nullptr;
    std::vector<NewAlarmListener*> m_listeners;
    AlarmRecord m_record;
    Stored m_current;
    bool m_dispatching = false;
    std::deque<Stored> m_waiting;
};
