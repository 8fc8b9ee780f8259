// ClockSource over clock_gettime.
#include "platform/ClockSource.h"

#include <time.h>

namespace {

int64_t Read(clockid_t id, int64_t divisor)
{
    timespec ts{};
    clock_gettime(id, &ts);
    return (static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec) / divisor;
}

class PosixClockSource final : public ClockSource {
public:
    int64_t MonotonicNs() override { return Read(CLOCK_MONOTONIC, 1); }
    int64_t RealtimeUs() override { return Read(CLOCK_REALTIME, 1000); }
};

} // namespace

ClockSource& SystemClockSource()
{
    static PosixClockSource source;
    return source;
}
