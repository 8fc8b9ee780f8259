#include "filters/FilterMatcher.h"

#include "config/Clock.h"
#include "events/RecorderLookup.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kDayMs = 86'400'000;
// The end of a range is widened by one second.
constexpr int64_t kRangeEndSlackMs = 1000;

} // namespace

void FilterMatcher::BeginPass()
{
    m_inPass = true;
    m_passNowMs = m_clock.NowMs();
    m_recorders.clear();
}

void FilterMatcher::EndPass()
{
    m_inPass = false;
    m_recorders.clear();
}

const FilterRecorder* FilterMatcher::FilterRecorderFor(std::string_view address)
{
    if (m_inPass) {
        auto it = m_recorders.find(address);
        if (it != m_recorders.end())
            return it->second;
    }
    std::string name = FindRecorderName(m_tree, address, 0).value_or(std::string());
    auto found = std::find_if(m_filter.recorders.begin(), m_filter.recorders.end(),
                              [&](const FilterRecorder& r) { return r.name == name; });
    const FilterRecorder* recorder = found == m_filter.recorders.end() ? nullptr : &*found;
    if (m_inPass)
        m_recorders.emplace(std::string(address), recorder);
    return recorder;
}

bool FilterMatcher::TimeHolds(const AlarmRecord& record) const
{
    int64_t time = record.Number(m_filter.useArrivalTime ? AlarmField::TimeArrival
                                                         : AlarmField::TimeDeparture);
    if (m_filter.mode == AlarmFilter::kModeLastDays) {
        int64_t now = m_inPass ? m_passNowMs : m_clock.NowMs();
        return time >= now - int64_t{m_filter.lastDays} * kDayMs;
    }
    int64_t end = m_filter.rangeEnd.ToMs();
    end = end > std::numeric_limits<int64_t>::max() - kRangeEndSlackMs
              ? std::numeric_limits<int64_t>::max()
              : end + kRangeEndSlackMs;
    return m_filter.rangeStart.ToMs() <= time && time <= end;
}

bool FilterMatcher::RecorderHolds(const AlarmRecord& record)
{
    const FilterRecorder* found = FilterRecorderFor(record.Field(AlarmField::Recorder));
    if (found == nullptr)
        return false;
    int32_t camera = record.Int(AlarmField::CameraID);
    auto mask = static_cast<uint32_t>(found->cameraMask);
    if (mask == 0)
        return camera == -1;
    // A camera outside 0 to 31 has no bit in the mask.
    bool bit = camera >= 0 && camera <= 31 && ((mask >> camera) & 1u) != 0;
    return bit || mask >= AlarmFilter::kAllCameras;
}

bool FilterMatcher::TypeHolds(const AlarmRecord& record) const
{
    int32_t type = record.Int(AlarmField::AlarmType);
    return std::find(m_filter.alarmTypes.begin(), m_filter.alarmTypes.end(), type) !=
           m_filter.alarmTypes.end();
}

bool FilterMatcher::Matches(const AlarmRecord& record)
{
    if (m_filter.onlyConfirmed || m_filter.onlyUnconfirmed) {
        bool confirmed = record.Number(AlarmField::Confirmed) != 0 ||
                         record.Number(AlarmField::AutoConfirmed) != 0;
        if ((m_filter.onlyConfirmed && !confirmed) || (m_filter.onlyUnconfirmed && confirmed))
            return false;
    }
    bool orLink = m_filter.link == AlarmFilter::kLinkOr;
    // An inactive part never decides: it holds under AND and fails under OR.
    auto part = [&](int32_t bit, auto&& holds) {
        if ((m_filter.activeParts & bit) == 0)
            return !orLink;
        return holds();
    };
    // Under OR the first part that holds decides, under AND the first that fails.
    if (part(AlarmFilter::kTimePart, [&] { return TimeHolds(record); }) == orLink)
        return orLink;
    if (part(AlarmFilter::kRecorderPart, [&] { return RecorderHolds(record); }) == orLink)
        return orLink;
    return part(AlarmFilter::kTypePart, [&] { return TypeHolds(record); });
}
