// The alarm table "KXSW": the station's open alarms, written by the station
// and read by the live-view program. At most 1000 records; a further alarm
// replaces the one that arrived first.
#pragma once

#include "links/AlarmTableRecord.h"
#include "platform/NamedMutex.h"
#include "platform/SharedMapping.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class AlarmTable {
public:
    static constexpr const char* kMappingName = "KXSW";
    static constexpr const char* kMutexName = "KXSWMutex";

    // The prefix goes before every object name (tests keep apart that way).
    explicit AlarmTable(std::string namePrefix = {});

    // Opens the table or creates it empty; false (the table stays invalid)
    // when it cannot be mapped or another program laid it out in another
    // version.
    bool Attach();
    void Detach();
    bool IsValid() const { return m_valid; }
    // Another program kept the mutex past its wait bound at the last access.
    bool IsHeldElsewhere() const { return m_mutex.IsHeldElsewhere(); }

    // Texts longer than their fields are cut.
    bool AddAlarm(std::string_view recorderName, int32_t camera, std::string_view trackName,
                  int64_t arrival, int32_t priority);
    // Removes the first record with this arrival time; false when none has it.
    bool RemoveAlarm(int64_t arrival);
    // The arrival time of the alarm in the most recently opened alarm window,
    // 0 for none.
    bool SetShownAlarm(int64_t arrival);

    // What the live-view program sees: the records in use, in insertion order.
    [[nodiscard]] bool Read(std::vector<AlarmTableRecord>& records, int64_t& shownAlarm);

    static AlarmTableRecord DecodeRecord(const uint8_t* record);

private:
    // The count in the header, kept within the table: it is written by
    // other programs too.
    int32_t CountInUse() const;
    uint8_t* Record(int32_t index) const;
    // Whether the table still holds what this station left in it.
    bool ArrivalsHold(int32_t count) const;
    void ReadArrivals(int32_t count);
    // Files the record into m_oldestFirst by its arrival time.
    void FileByArrival(int32_t index);
    bool ArrivesBefore(int32_t first, int32_t second) const;

    std::string m_prefix;
    NamedMutex m_mutex;
    SharedMapping m_mapping;
    bool m_valid = false;
    // The arrival times of the records as this station left them, and the
    // records oldest first (equal times by position): a full table gives up
    // its oldest record without reading 116 KB of shared records for every
    // alarm. m_lastWritten is the record checked against the table before
    // they are trusted.
    std::vector<int64_t> m_arrivals;
    std::deque<int32_t> m_oldestFirst;
    int32_t m_lastWritten = -1;
};
