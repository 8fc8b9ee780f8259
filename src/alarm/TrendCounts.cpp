#include "alarm/TrendCounts.h"

#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "db/SortKeySource.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kPriorityCode = 102;
constexpr int64_t kHourMs = 3'600'000;

// During one pass the settings do not change, so each (recorder, type,
// camera) asks the settings once; a flat table per recorder answers the
// rest without hashing more than the recorder's address.
class PriorityMemo {
public:
    explicit PriorityMemo(SortKeySource& priorities) : m_priorities(priorities) {}

    int64_t Of(const AlarmRecord& record)
    {
        int32_t type = record.Int(AlarmField::AlarmType);
        int32_t camera = record.Int(AlarmField::CameraID);
        if (type < kFirstType || type >= kFirstType + kTypes || camera < -1 ||
            camera >= kCameras - 1)
            return m_priorities.NumberKey(kPriorityCode, record);
        std::string_view recorder = record.Field(AlarmField::Recorder);
        auto found = m_tables.find(recorder);
        if (found == m_tables.end())
            found = m_tables.emplace(std::string(recorder), std::vector<int8_t>(kSlots, kUnknown))
                        .first;
        int8_t& slot =
            found->second[static_cast<size_t>((type - kFirstType) * kCameras + camera + 1)];
        if (slot == kUnknown)
            slot = static_cast<int8_t>(
                std::clamp<int64_t>(m_priorities.NumberKey(kPriorityCode, record), -1, 100));
        return slot;
    }

private:
    static constexpr int32_t kFirstType = 10'000;
    static constexpr int32_t kTypes = 1'100;
    static constexpr int32_t kCameras = 33; // -1 and 0 to 31
    static constexpr size_t kSlots = static_cast<size_t>(kTypes) * kCameras;
    static constexpr int8_t kUnknown = -2;

    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>()(text);
        }
    };

    SortKeySource& m_priorities;
    std::unordered_map<std::string, std::vector<int8_t>, TextHash, std::equal_to<>> m_tables;
};

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
    PriorityMemo memo(priorities);
    AlarmRecord record;
    int count = database.ViewCount();
    for (int position = 0; position < count; ++position) {
        if (database.ReadViewed(position, record))
            Add(record.Number(AlarmField::TimeArrival), memo.Of(record));
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
