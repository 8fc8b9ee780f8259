#include "alarm/TrendCounts.h"

#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "db/SortKeySource.h"

namespace {

constexpr int kPriorityCode = 102;
constexpr int64_t kHourMs = 3'600'000;

} // namespace

int64_t TrendCounts::BucketStart(int64_t ms, TrendStep step)
{
    SystemTime local = Timestamp::FromMs(ms).ToLocalFields();
    int hour = step == TrendStep::Hour ? local.hour : 0;
    std::optional<Timestamp> start =
        Timestamp::FromLocalFields(local.day, local.month, local.year, hour, 0, 0, 0);
    if (!start || start->ToMs() > ms)
        return ms - ms % kHourMs; // outside the calendar's range
    return start->ToMs();
}

int64_t TrendCounts::BucketEnd(int64_t start, TrendStep step)
{
    if (step == TrendStep::Hour)
        return start + kHourMs;
    // A day has 23 to 25 hours; 36 hours on lands inside the next one.
    return BucketStart(start + 36 * kHourMs, TrendStep::Day);
}

void TrendCounts::Clear()
{
    m_buckets.clear();
    m_last = nullptr;
    m_total = 0;
}

void TrendCounts::Build(AlarmDatabase& database, SortKeySource& priorities)
{
    Clear();
    priorities.BeginPass();
    AlarmRecord record;
    int count = database.ViewCount();
    for (int position = 0; position < count; ++position) {
        if (database.ReadViewed(position, record))
            Add(record, priorities);
    }
    priorities.EndPass();
}

void TrendCounts::Add(const AlarmRecord& record, SortKeySource& priorities)
{
    Add(record.Number(AlarmField::TimeArrival), priorities.NumberKey(kPriorityCode, record));
}

void TrendCounts::Add(int64_t arrivalMs, int64_t priority)
{
    if (m_last == nullptr || arrivalMs < m_lastStart || arrivalMs >= m_lastEnd) {
        m_lastStart = BucketStart(arrivalMs, m_step);
        m_lastEnd = BucketEnd(m_lastStart, m_step);
        m_last = &m_buckets.try_emplace(m_lastStart).first->second;
    }
    size_t slot = priority >= 0 && priority < kTrendPriorities - 1
                      ? static_cast<size_t>(priority)
                      : static_cast<size_t>(kTrendPriorities - 1);
    ++(*m_last)[slot];
    ++m_total;
}
