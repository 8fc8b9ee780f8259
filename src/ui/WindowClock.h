// The station's clock for windows built several constructors away from the
// station (the configuration sheet's pages): the main window points it at its
// station's clock. Windows built without a main window (tests, screenshots)
// read the system clock.
#pragma once

class Clock;

Clock& WindowClock();
// Null goes back to the system clock.
void SetWindowClock(Clock* clock);
