// The numbers behind the trend view: alarms of the database's view per local
// hour or day of their arrival, split by the priority of their alarm
// settings. Built in one pass over the view and kept current one arriving
// alarm at a time.
#pragma once

#include <array>
#include <cstdint>
#include <map>

class AlarmDatabase;
class AlarmRecord;
class SortKeySource;

enum class TrendStep { Hour, Day };

// Priorities 0 to 5, then alarms without settings.
inline constexpr int kTrendPriorities = 7;
using PriorityCounts = std::array<int64_t, kTrendPriorities>;

class TrendCounts {
public:
    explicit TrendCounts(TrendStep step) : m_step(step) {}

    TrendStep Step() const { return m_step; }
    void Clear();
    // `priorities` gives the settings' priority under the sort code 102.
    void Build(AlarmDatabase& database, SortKeySource& priorities);
    void Add(int64_t arrivalMs, int64_t priority);
    void Add(const AlarmRecord& record, SortKeySource& priorities);

    // Start of the bucket (stored milliseconds, a local hour or midnight) ->
    // alarms per priority.
    const std::map<int64_t, PriorityCounts>& Buckets() const { return m_buckets; }
    int64_t Total() const { return m_total; }

    // The local hour or day that holds a stored time, as [start, end).
    static int64_t BucketStart(int64_t ms, TrendStep step);
    static int64_t BucketEnd(int64_t start, TrendStep step);

private:
    TrendStep m_step;
    std::map<int64_t, PriorityCounts> m_buckets;
    // Arrivals come mostly in order: the last bucket is found without a
    // calendar conversion or a search.
    int64_t m_lastStart = 0;
    int64_t m_lastEnd = 0;
    PriorityCounts* m_last = nullptr;
    int64_t m_total = 0;
};
