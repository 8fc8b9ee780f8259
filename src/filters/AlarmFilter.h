// One alarm list filter as the filter dialog edits it and the view applies
// it: a time window, recorders with a camera mask each and alarm types,
// joined by AND or OR, plus a restriction on the confirmation state.
#pragma once

#include "config/Timestamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class AlarmDatabase;

struct FilterRecorder {
    std::string name;
    // Bit c selects camera number c; 0 only alarms without a camera; a mask
    // of 16777215 or more, taken unsigned, every alarm of the recorder.
    int32_t cameraMask = -1;

    friend bool operator==(const FilterRecorder&, const FilterRecorder&) = default;
};

struct AlarmFilter {
    // Bits of activeParts.
    static constexpr int32_t kTimePart = 1;
    static constexpr int32_t kRecorderPart = 2;
    static constexpr int32_t kTypePart = 4;
    // Values of link and mode.
    static constexpr int32_t kLinkAnd = 0;
    static constexpr int32_t kLinkOr = 1;
    static constexpr int32_t kModeRange = 0;
    static constexpr int32_t kModeLastDays = 1;
    static constexpr int32_t kNewFilterLastDays = 14;
    static constexpr uint32_t kAllCameras = 16'777'215;

    Timestamp rangeStart;
    Timestamp rangeEnd;
    int32_t lastDays = 0;
    bool useArrivalTime = false;
    int32_t mode = kModeRange;
    std::vector<FilterRecorder> recorders;
    std::vector<int32_t> alarmTypes;
    int32_t link = kLinkAnd;
    bool onlyUnconfirmed = false;
    bool onlyConfirmed = false;
    int32_t activeParts = 0;

    // What the button "Neu" starts with: 14 days, no parts, and the range
    // from the oldest to the newest alarm of the database when there is one.
    static AlarmFilter NewFilter(AlarmDatabase& database);

    // The "Aktuell:" lines of the filter dialog, translated.
    std::string DescribeTime(int64_t nowMs) const;
    std::string DescribeRecorders() const;
    std::string DescribeTypes() const;

    // The stored-time range [from, to) its time part admits, for views that
    // follow it; nothing while the part is off.
    std::optional<std::pair<int64_t, int64_t>> TimeRange(int64_t nowMs) const;

    friend bool operator==(const AlarmFilter&, const AlarmFilter&) = default;
};
