#include "filters/AlarmFilter.h"

#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "events/TextFormat.h"

namespace {

constexpr int64_t kDayMs = 86'400'000;

std::string DateText(Timestamp time)
{
    return time.FormatDate();
}

std::string TimeText(Timestamp time)
{
    return time.FormatTime(WithMs::No);
}

} // namespace

AlarmFilter AlarmFilter::NewFilter(AlarmDatabase& database)
{
    AlarmFilter filter;
    filter.lastDays = kNewFilterLastDays;
    int count = database.RecordCount();
    AlarmRecord oldest;
    AlarmRecord newest;
    if (count > 0 && database.Read(0, oldest) && database.Read(count - 1, newest)) {
        filter.rangeStart = Timestamp::FromMs(oldest.Number(AlarmField::TimeArrival));
        filter.rangeEnd = Timestamp::FromMs(newest.Number(AlarmField::TimeArrival));
    }
    return filter;
}

std::string AlarmFilter::DescribeTime(int64_t nowMs) const
{
    std::string label = useArrivalTime ? Tr("Zeit-Eingang") : Tr("Zeit-Versand");
    if (mode == kModeLastDays) {
        Timestamp since = Timestamp::FromMs(nowMs - lastDays * kDayMs);
        return FormatTr(TrNoop("%s: Alarme seit %s %s"), label, DateText(since), TimeText(since));
    }
    return FormatTr(TrNoop("%s: zw. %s %s und %s %s"), label, DateText(rangeStart),
                    TimeText(rangeStart), DateText(rangeEnd), TimeText(rangeEnd));
}

std::string AlarmFilter::DescribeRecorders() const
{
    return FormatTrCount(TrNoop("%d Rekorder im Filter"), static_cast<int64_t>(recorders.size()),
                         recorders.size());
}

std::string AlarmFilter::DescribeTypes() const
{
    if (alarmTypes.size() == 1)
        return Tr("1 Alarm im Filter");
    return FormatTrCount(TrNoop("%d Alarme im Filter"), static_cast<int64_t>(alarmTypes.size()),
                         alarmTypes.size());
}

std::optional<std::pair<int64_t, int64_t>> AlarmFilter::TimeRange(int64_t nowMs) const
{
    if ((activeParts & kTimePart) == 0)
        return std::nullopt;
    if (mode == kModeLastDays)
        return std::pair{nowMs - lastDays * kDayMs, nowMs + 1};
    // The end admits one second more, as the filter does.
    return std::pair{rangeStart.ToMs(), rangeEnd.ToMs() + 1001};
}
