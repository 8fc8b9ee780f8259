// The records that still await an operator, kept up to date as records are
// appended, updated and deleted, so that the alarm sound and the queue of
// alarm windows need not read the whole database for every alarm.
//
// The sound follows every record whose ConfirmState is 0 or 1, which
// includes the alarms confirmed automatically; there may be many, so they
// are counted per settings lookup key (recorder, alarm type, camera). The
// queue walks the records whose Confirmed is not "1", in file order.
#pragma once

#include "db/AlarmRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

struct AwaitingGroup {
    std::string recorder;
    int32_t alarmType = 0;
    int32_t cameraId = 0;
    int64_t count = 0;

    friend bool operator==(const AwaitingGroup&, const AwaitingGroup&) = default;
};

class AwaitingIndex {
public:
    // ConfirmState 0 or 1: not acknowledged by an operator.
    static bool AwaitsOperator(const AlarmRecord& record);
    // Confirmed is not "1".
    static bool IsUnconfirmed(const AlarmRecord& record);

    void Clear();
    // `number` must be larger than every record number added before.
    void Add(int number, const AlarmRecord& record);
    void Change(int number, const AlarmRecord& before, const AlarmRecord& after);

    // Ordered by recorder, alarm type, camera.
    std::vector<AwaitingGroup> AwaitingGroups() const;
    int64_t AwaitingCount() const { return m_awaitingCount; }
    // Ascending record numbers.
    const std::vector<int>& Unconfirmed() const { return m_unconfirmed; }
    // The first unconfirmed record, in file order, whose recorder, alarm
    // type and camera `wanted` accepts; it is asked once per distinct
    // combination; `accepted`, when given, is then asked about that record's
    // number and may pass over it. -1 for none.
    using Wanted =
        std::function<bool(const std::string& recorder, int32_t alarmType, int32_t cameraId)>;
    using Accepted = std::function<bool(int number)>;
    int FirstUnconfirmed(const Wanted& wanted, const Accepted& accepted = {}) const;

private:
    using Key = std::tuple<std::string, int32_t, int32_t>;
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };
    static Key KeyOf(const AlarmRecord& record);
    // Each distinct combination gets an id, once.
    uint32_t KeyId(const AlarmRecord& record);
    void Count(uint32_t id, int64_t delta);

    std::unordered_map<Key, uint32_t, KeyHash> m_keyIds;
    std::vector<Key> m_keys;
    // Awaiting records per combination.
    std::vector<int64_t> m_counts;
    // Combination ids in key order; made again when combinations were added.
    mutable std::vector<uint32_t> m_ordered;
    int64_t m_awaitingCount = 0;
    std::vector<int> m_unconfirmed;
    // The combination of each unconfirmed record, beside m_unconfirmed.
    std::vector<uint32_t> m_unconfirmedKeys;
};
