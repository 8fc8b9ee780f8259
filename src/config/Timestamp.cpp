// Conversions between the station's time count, local calendar fields and
// the fixed text forms of times.
#include "config/Timestamp.h"

#include "config/Clock.h"

#include <cstdio>
#include <limits>

namespace {

constexpr int64_t kOneDaySeconds = 86'400;
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

DateOrder processDateOrder = DateOrder::Unset;

int64_t FloorDiv(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return value % divisor < 0 ? quotient - 1 : quotient;
}

int64_t FloorMod(int64_t value, int64_t divisor)
{
    int64_t remainder = value % divisor;
    return remainder < 0 ? remainder + divisor : remainder;
}

int64_t SaturatingAdd(int64_t a, int64_t b)
{
    int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t SaturatingMul(int64_t a, int64_t b)
{
    int64_t product = 0;
    if (!__builtin_mul_overflow(a, b, &product))
        return product;
    return (a < 0) != (b < 0) ? std::numeric_limits<int64_t>::min()
                              : std::numeric_limits<int64_t>::max();
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool FieldsInRange(int day, int month, int year, int hour, int minute, int second, int millisecond)
{
    if (year < kFirstYear || year > kLastYear)
        return false;
    if (month < 1 || month > 12)
        return false;
    if (day < 1 || day > DaysInMonth(month, year))
        return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    return millisecond >= 0 && millisecond <= 999;
}

bool ReadsAs(std::time_t seconds, const std::tm& wanted)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return false;
    return local.tm_year == wanted.tm_year && local.tm_mon == wanted.tm_mon &&
           local.tm_mday == wanted.tm_mday && local.tm_hour == wanted.tm_hour &&
           local.tm_min == wanted.tm_min && local.tm_sec == wanted.tm_sec;
}

long OffsetAt(std::time_t seconds)
{
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return 0;
    return local.tm_gmtoff;
}

// glibc's mktime resolves a time that exists twice with whichever offset its
// previous call ended on, so the answer would depend on history. Every offset
// that could apply is tried instead and the earliest match wins; mktime adds
// the candidate for zones whose rules change more than once within a day.
std::time_t LocalToSeconds(const std::tm& wanted)
{
    std::tm asUtc = wanted;
    std::time_t naive = timegm(&asUtc);
    long offsetBefore = OffsetAt(naive - kOneDaySeconds);
    long offsetAfter = OffsetAt(naive + kOneDaySeconds);

    std::tm request = wanted;
    request.tm_isdst = -1;
    std::time_t fromMktime = mktime(&request);

    const std::time_t candidates[] = {naive - offsetBefore, naive - offsetAfter, fromMktime};
    std::optional<std::time_t> earliest;
    for (std::time_t candidate : candidates) {
        if (ReadsAs(candidate, wanted) && (!earliest || candidate < *earliest))
            earliest = candidate;
    }
    if (earliest)
        return *earliest;
    // Inside the spring gap no instant reads as the fields.
    return naive - offsetBefore;
}

std::string Printf(const char* format, auto... values)
{
    char text[96];
    int length = std::snprintf(text, sizeof text, format, values...);
    if (length < 0)
        return {};
    return std::string(text, static_cast<size_t>(length) < sizeof text ? length : sizeof text - 1);
}

} // namespace

Timestamp Timestamp::Now()
{
    return FromMs(NowMs());
}

int64_t Timestamp::NowMs()
{
    return Clock::Global().NowMs();
}

Timestamp Timestamp::FromMs(int64_t ms)
{
    return Timestamp(SaturatingMul(ms, 1000));
}

std::optional<Timestamp> Timestamp::FromLocalFields(int day, int month, int year, int hour,
                                                    int minute, int second, int millisecond,
                                                    FieldsAre fieldsAre)
{
    if (!FieldsInRange(day, month, year, hour, minute, second, millisecond))
        return std::nullopt;

    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    std::time_t seconds = fieldsAre == FieldsAre::Utc ? timegm(&fields) : LocalToSeconds(fields);
    return Timestamp((seconds + kUnixEpochSeconds) * kOneSecondUs + int64_t{millisecond} * 1000);
}

Timestamp Timestamp::FromCalendarSeconds(std::time_t seconds)
{
    return Timestamp(SaturatingMul(SaturatingAdd(seconds, kUnixEpochSeconds), kOneSecondUs));
}

SystemTime Timestamp::ToLocalFields() const
{
    int64_t seconds = FloorDiv(m_us, kOneSecondUs);
    std::time_t calendarSeconds = seconds - kUnixEpochSeconds;
    std::tm local{};
    if (localtime_r(&calendarSeconds, &local) == nullptr &&
        gmtime_r(&calendarSeconds, &local) == nullptr)
        return {};

    SystemTime fields;
    fields.year = local.tm_year + 1900;
    fields.month = local.tm_mon + 1;
    // 1601-01-01 was a Monday.
    fields.dayOfWeek =
        static_cast<int>(FloorMod(FloorDiv(seconds + local.tm_gmtoff, kOneDaySeconds) + 1, 7));
    fields.day = local.tm_mday;
    fields.hour = local.tm_hour;
    fields.minute = local.tm_min;
    fields.second = local.tm_sec;
    fields.milliseconds = static_cast<int>(FloorMod(m_us, kOneSecondUs) / 1000);
    return fields;
}

std::time_t Timestamp::ToCalendarSeconds() const
{
    return FloorDiv(SaturatingAdd(m_us, kHalfSecondUs), kOneSecondUs) - kUnixEpochSeconds;
}

std::string Timestamp::FormatStamp() const
{
    SystemTime t = ToLocalFields();
    return Printf("%04d_%02d_%02d_%02d_%02d_%02d_%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
}

std::string Timestamp::FormatTime(WithMs withMs) const
{
    SystemTime t = ToLocalFields();
    if (withMs == WithMs::Yes)
        return Printf("%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.milliseconds);
    return Printf("%02d:%02d:%02d", t.hour, t.minute, t.second);
}

std::string Timestamp::FormatDate(DateOrder mode) const
{
    if (mode != DateOrder::Unset)
        processDateOrder = mode;
    SystemTime t = ToLocalFields();
    if (processDateOrder == DateOrder::MonthDayYear)
        return Printf("%02d/%02d/%04d", t.month, t.day, t.year);
    return Printf("%02d.%02d.%04d", t.day, t.month, t.year);
}

DateOrder Timestamp::CurrentDateOrder()
{
    return processDateOrder;
}

void Timestamp::SetDateOrder(DateOrder order)
{
    processDateOrder = order;
}

void Timestamp::Add(int64_t us)
{
    m_us = SaturatingAdd(m_us, us);
}

Timestamp Timestamp::Sum(Timestamp other) const
{
    return Timestamp(SaturatingAdd(m_us, other.m_us));
}
