#include "ui/WindowClock.h"

#include "config/Clock.h"

namespace {

Clock* g_windowClock = nullptr;

} // namespace

Clock& WindowClock()
{
    if (g_windowClock != nullptr)
        return *g_windowClock;
    static Clock systemClock(SystemClockSource());
    return systemClock;
}

void SetWindowClock(Clock* clock)
{
    g_windowClock = clock;
}
