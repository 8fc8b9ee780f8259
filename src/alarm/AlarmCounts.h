// Alarms received and stored since the start, per alarm type and priority,
// for the metrics endpoint. Counting is an increment, with the last
// combination's slot kept so that a run of alarms of one kind finds it
// without hashing.
#pragma once

#include <cstdint>
#include <unordered_map>

class MetricsText;

class AlarmCounts {
public:
    // Priority -1: no alarm settings entry applies.
    void Received(int32_t alarmType, int priority) { ++Slot(alarmType, priority).received; }
    void Stored(int32_t alarmType, int priority) { ++Slot(alarmType, priority).stored; }

    uint64_t ReceivedTotal() const;
    uint64_t StoredTotal() const;
    void Write(MetricsText& out) const;

private:
    struct Counts {
        uint64_t received = 0;
        uint64_t stored = 0;
    };
    static uint64_t Key(int32_t alarmType, int priority)
    {
        return (static_cast<uint64_t>(static_cast<uint32_t>(alarmType)) << 32) |
               static_cast<uint32_t>(priority);
    }
    Counts& Slot(int32_t alarmType, int priority);

    // Node-based: a slot stays where it is when others are added.
    std::unordered_map<uint64_t, Counts> m_counts;
    uint64_t m_lastKey = 0;
    Counts* m_last = nullptr;
};
