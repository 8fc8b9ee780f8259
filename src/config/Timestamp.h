// The station's one representation of time: signed microseconds since
// 1601-01-01 00:00 UTC. Stored times are the same count in milliseconds;
// local calendar fields follow the zone rules (TZ) valid on each date.
#pragma once

#include "config/SystemTime.h"

#include <compare>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

inline constexpr int64_t kOneSecondUs = 1'000'000;
inline constexpr int64_t kOneDayUs = 86'400'000'000;
// Added before cutting to whole seconds, so that a time rounds to the nearest second.
inline constexpr int64_t kHalfSecondUs = 500'000;
// 1970-01-01 00:00 UTC counted from 1601-01-01 00:00 UTC.
inline constexpr int64_t kUnixEpochSeconds = 11'644'473'600;

enum class FieldsAre { Local, Utc };

enum class WithMs { No, Yes };

// How FormatDate orders a date. Unset formats like DayMonthYear.
enum class DateOrder { Unset = 0, DayMonthYear = 1, MonthDayYear = 2 };

class Timestamp {
public:
    constexpr Timestamp() = default;
    constexpr explicit Timestamp(int64_t us) : m_us(us) {}

    // Out-of-range values saturate instead of overflowing; stored times come
    // from files and may be corrupt.
    static Timestamp FromMs(int64_t ms);
    // Truncates toward zero, dropping the sub-millisecond part.
    int64_t ToMs() const { return m_us / 1000; }

    // Fields outside year 1601-30827, month 1-12, the month's days, hour 0-23,
    // minute and second 0-59, millisecond 0-999 give nothing: they arrive from
    // recorders and must not be normalised into some other date.
    //
    // Local fields use the zone's offset valid on that date, not today's.
    // A local time that does not exist (skipped at the spring change) is read
    // with the offset in force before the gap, so 02:30 becomes 03:30 summer
    // time. A local time that exists twice (autumn change) is the earlier of
    // the two, the summer-time reading.
    static std::optional<Timestamp> FromLocalFields(int day, int month, int year, int hour,
                                                    int minute, int second, int millisecond,
                                                    FieldsAre fieldsAre = FieldsAre::Local);
    static Timestamp FromCalendarSeconds(std::time_t seconds);

    SystemTime ToLocalFields() const;
    // Seconds since 1970-01-01 00:00 UTC, rounded to the nearest second.
    std::time_t ToCalendarSeconds() const;

    int Day() const { return ToLocalFields().day; }
    int Month() const { return ToLocalFields().month; }
    int Year() const { return ToLocalFields().year; }
    int Hour() const { return ToLocalFields().hour; }
    int Minute() const { return ToLocalFields().minute; }
    int Second() const { return ToLocalFields().second; }

    // "YYYY_MM_DD_hh_mm_ss_mmm", used for backup file names.
    std::string FormatStamp() const;
    std::string FormatTime(WithMs withMs) const;
    // A mode other than Unset becomes the process-wide date order; the date is
    // then formatted in the process-wide order.
    std::string FormatDate(DateOrder mode = DateOrder::Unset) const;

    static DateOrder CurrentDateOrder();
    static void SetDateOrder(DateOrder order);

    // Adding saturates at the ends of the range.
    void Add(int64_t us);
    Timestamp Sum(Timestamp other) const;
    bool Less(Timestamp other) const { return m_us < other.m_us; }
    bool Greater(Timestamp other) const { return m_us > other.m_us; }

    constexpr int64_t Count() const { return m_us; }
    friend constexpr auto operator<=>(Timestamp, Timestamp) = default;

private:
    int64_t m_us = 0;
};
