// Response-time figures over the alarms of a period, per priority, alarm
// type, operator or recorder: how many, how fast they were confirmed
// (median, 90th percentile, maximum), how fast first shown, and the share
// confirmed within each target. Percentiles are nearest-rank: the p-th is
// the smallest time that at least p % of the confirmed alarms did not exceed.
#pragma once

#include "alarm/ResponseLog.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class ResponseGrouping { Priority, AlarmType, Operator, Recorder };

struct ResponseRow {
    std::string group;
    int count = 0;
    int confirmed = 0;
    int steps = 0;
    // Milliseconds from arrival to confirmation.
    std::optional<int64_t> medianMs;
    std::optional<int64_t> p90Ms;
    std::optional<int64_t> maxMs;
    // Milliseconds from arrival to the first window.
    std::optional<int64_t> medianShownMs;
    // Confirmed within each target, of all alarms of the row.
    std::array<double, 3> withinShare{};
};

// The nearest-rank percentile of ascending values; none when empty.
std::optional<int64_t> NearestRank(std::span<const int64_t> ascending, int percent);

struct ResponseQuery {
    int64_t fromMs = 0; // arrivals from here
    int64_t toMs = 0;   // up to here, exclusive
    ResponseGrouping grouping = ResponseGrouping::Priority;
    std::array<int32_t, 3> targetSeconds{30, 60, 90};
    // The name of an alarm type as the list shows it.
    std::function<std::string(int32_t)> typeName;
};

// One row per group, ordered by group, then "Gesamt" over all of them.
std::vector<ResponseRow> SummariseResponses(std::span<const AlarmResponse> alarms,
                                            const ResponseQuery& query);

// The rows as CSV (semicolons, a heading line, times in seconds with one
// decimal), as a spreadsheet opens it.
std::string ResponseCsv(std::span<const ResponseRow> rows, const std::array<int32_t, 3>& targets);
