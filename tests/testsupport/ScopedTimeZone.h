// Sets TZ for the lifetime of the object and restores the previous zone, so
// that local-time tests see known offsets whatever the machine's zone.
#pragma once

#include <optional>
#include <string>

#include <stdlib.h>
#include <time.h>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* previous = getenv("TZ"))
            m_previous = previous;
        setenv("TZ", zone, 1);
        // localtime_r does not re-read TZ by itself.
        tzset();
    }
    ~ScopedTimeZone()
    {
        if (m_previous)
            setenv("TZ", m_previous->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_previous;
};
