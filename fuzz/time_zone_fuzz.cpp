// Fuzzes the local-time conversions under arbitrary TZ values: the hour
// cache must give the fields the C library gives for the same second, and
// local fields that exist must convert back to a time that reads as them.
//
// Input: eight bytes of seconds (little-endian, folded into the years
// 1601 to 30827), then the TZ value. Values naming files outside the zone
// database (absolute paths, "..") are left out: the library would read
// whatever file they name.
#include "config/Timestamp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    uint64_t raw = 0;
    for (int i = 7; i >= 0; --i)
        raw = raw << 8 | data[i];
    std::string zone(reinterpret_cast<const char*>(data + 8), size - 8);
    if (zone.find('\0') != std::string::npos || zone.find("..") != std::string::npos ||
        zone.starts_with('/') || zone.starts_with(":/"))
        return 0;
    setenv("TZ", zone.c_str(), 1);

    // 1601-01-01 to 30827-12-31, in seconds since 1970.
    constexpr int64_t kFirst = -11'644'473'600;
    constexpr int64_t kSpan = 910'692'000'000;
    auto seconds = static_cast<std::time_t>(kFirst + static_cast<int64_t>(raw % kSpan));
    SystemTime fields = Timestamp::FromCalendarSeconds(seconds).ToLocalFields();

    std::tm expected{};
    tzset();
    if (localtime_r(&seconds, &expected) != nullptr &&
        (fields.year != expected.tm_year + 1900 || fields.month != expected.tm_mon + 1 ||
         fields.day != expected.tm_mday || fields.hour != expected.tm_hour ||
         fields.minute != expected.tm_min || fields.second != expected.tm_sec ||
         fields.dayOfWeek != expected.tm_wday))
        std::abort();

    std::optional<Timestamp> back = Timestamp::FromLocalFields(
        fields.day, fields.month, fields.year, fields.hour, fields.minute, fields.second, 0);
    if (back) {
        SystemTime again = back->ToLocalFields();
        if (again.year != fields.year || again.month != fields.month || again.day != fields.day ||
            again.hour != fields.hour || again.minute != fields.minute ||
            again.second != fields.second)
            std::abort();
    }
    return 0;
}
