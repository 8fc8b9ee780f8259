// Hands out arrival times that are unique and increasing even when the
// station clock stands still or goes back: the key of every alarm record.
#pragma once

#include <cstdint>

class ArrivalCounter {
public:
    // nowMs, or one more than the last value handed out when nowMs is not
    // greater than it.
    int64_t Next(int64_t nowMs)
    {
        m_last = nowMs > m_last ? nowMs : m_last + 1;
        return m_last;
    }

    int64_t Last() const { return m_last; }

private:
    int64_t m_last = 0;
};
