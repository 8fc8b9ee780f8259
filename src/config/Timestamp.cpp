// Conversions between the station's time count, local calendar fields and
// the fixed text forms of times.
#include "config/Timestamp.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

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

// The zone's offsets, read once per hour of time and kept: glibc's mktime
// stats the zone file on every call, and even localtime_r takes a lock and
// searches the transitions. An hour whose first and last second have the
// same offset has no change inside it (zones change at most once an hour),
// so every second of it reads as its UTC fields shifted by that offset.
class ZoneCache {
public:
    struct Hour {
        int64_t hour = std::numeric_limits<int64_t>::min();
        bool known = false;
        long offsetAtStart = 0;
        long offsetAtEnd = 0;
    };

    // The hour's entry, for the zone of the last FollowZone.
    const Hour& At(std::time_t seconds)
    {
        int64_t hour = FloorDiv(seconds, kSecondsPerHour);
        Hour& slot = m_hours[static_cast<size_t>(FloorMod(hour, kSlots))];
        if (slot.hour != hour) {
            slot.hour = hour;
            std::tm start{};
            std::tm end{};
            std::time_t first = hour * kSecondsPerHour;
            std::time_t last = first + kSecondsPerHour - 1;
            slot.known =
                localtime_r(&first, &start) != nullptr && localtime_r(&last, &end) != nullptr;
            slot.offsetAtStart = start.tm_gmtoff;
            slot.offsetAtEnd = end.tm_gmtoff;
        }
        return slot;
    }

    // Every offset in force within a day of the hour of `naive`.
    struct Window {
        int64_t hour = std::numeric_limits<int64_t>::min();
        size_t count = 0;
        std::array<long, 8> offsets{};
    };

    const Window& OffsetsAround(std::time_t naive)
    {
        int64_t hour = FloorDiv(naive, kSecondsPerHour);
        Window& window = m_windows[static_cast<size_t>(FloorMod(hour, kWindowSlots))];
        if (window.hour == hour)
            return window;
        window = Window{};
        window.hour = hour;
        auto add = [&window](long offset) {
            auto end = window.offsets.begin() + static_cast<ptrdiff_t>(window.count);
            if (std::find(window.offsets.begin(), end, offset) == end &&
                window.count < window.offsets.size())
                window.offsets[window.count++] = offset;
        };
        // One hour more on each side covers every second of the hour.
        for (int64_t at = hour - 25; at <= hour + 25; ++at) {
            const Hour& entry = At(at * kSecondsPerHour);
            if (!entry.known)
                continue;
            add(entry.offsetAtStart);
            add(entry.offsetAtEnd);
        }
        return window;
    }

    // Forgets every hour when TZ changed since the last call, as tzset would.
    void FollowZone()
    {
        const char* zone = getenv("TZ");
        bool same = m_started &&
                    (zone == nullptr ? !m_zone.has_value() : m_zone.has_value() && *m_zone == zone);
        if (same)
            return;
        tzset();
        m_started = true;
        m_zone = zone == nullptr ? std::nullopt : std::optional<std::string>(zone);
        m_hours.fill(Hour{});
        m_windows.fill(Window{});
    }

private:
    static constexpr int64_t kSecondsPerHour = 3'600;
    static constexpr int64_t kSlots = 4'096;
    static constexpr int64_t kWindowSlots = 256;

    bool m_started = false;
    std::optional<std::string> m_zone;
    std::array<Hour, kSlots> m_hours{};
    std::array<Window, kWindowSlots> m_windows{};
};

ZoneCache& Zone()
{
    thread_local ZoneCache cache;
    return cache;
}

// Each conversion looks at TZ once.
ZoneCache& CurrentZone()
{
    ZoneCache& cache = Zone();
    cache.FollowZone();
    return cache;
}

// Days since 1970-01-01 to the proleptic Gregorian date (H. Hinnant's method).
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day)
{
    days += 719'468;
    int64_t era = FloorDiv(days, 146'097);
    int64_t dayOfEra = days - era * 146'097;
    int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// 1970-01-01 counted to the proleptic Gregorian date; timegm without its
// normalising search.
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    int64_t era = FloorDiv(year, 400);
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

// What localtime_r gives: the fields and the offset in force.
bool LocalTime(std::time_t seconds, std::tm& local)
{
    const ZoneCache::Hour& hour = Zone().At(seconds);
    if (!hour.known || hour.offsetAtStart != hour.offsetAtEnd)
        return localtime_r(&seconds, &local) != nullptr;
    int64_t shifted = seconds + hour.offsetAtStart;
    int64_t days = FloorDiv(shifted, kOneDaySeconds);
    int64_t secondOfDay = shifted - days * kOneDaySeconds;
    int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    local = std::tm{};
    local.tm_year = static_cast<int>(year - 1900);
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = static_cast<int>(secondOfDay / 3'600);
    local.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    local.tm_sec = static_cast<int>(secondOfDay % 60);
    local.tm_gmtoff = hour.offsetAtStart;
    return true;
}

bool ReadsAs(std::time_t seconds, const std::tm& wanted)
{
    std::tm local{};
    if (!LocalTime(seconds, local))
        return false;
    return local.tm_year == wanted.tm_year && local.tm_mon == wanted.tm_mon &&
           local.tm_mday == wanted.tm_mday && local.tm_hour == wanted.tm_hour &&
           local.tm_min == wanted.tm_min && local.tm_sec == wanted.tm_sec;
}

long OffsetAt(std::time_t seconds)
{
    std::tm local{};
    if (!LocalTime(seconds, local))
        return 0;
    return local.tm_gmtoff;
}

// The earliest instant that reads as the fields. Any such instant lies
// within a day of the fields read as UTC, so every offset in force in that
// window is a candidate. glibc's mktime is not asked: it resolves a time
// that exists twice with whichever offset its previous call ended on, and
// stats the zone file on every call.
std::time_t LocalToSeconds(const std::tm& wanted)
{
    // The fields are in range, so no normalising is needed.
    std::time_t naive =
        DaysFromCivil(int64_t{wanted.tm_year} + 1900, wanted.tm_mon + 1, wanted.tm_mday) *
            kOneDaySeconds +
        wanted.tm_hour * 3'600 + wanted.tm_min * 60 + wanted.tm_sec;
    const ZoneCache::Window& window = CurrentZone().OffsetsAround(naive);
    long offsetBefore = OffsetAt(naive - kOneDaySeconds);
    std::optional<std::time_t> earliest;
    for (size_t i = 0; i < window.count; ++i) {
        std::time_t candidate = naive - window.offsets[i];
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
    CurrentZone();
    if (!LocalTime(calendarSeconds, local) && gmtime_r(&calendarSeconds, &local) == nullptr)
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
