// What alarm handling needs of the presentation window (the separate window
// of presentation and alarm-stack mode); the station implements it, and
// answers as a window that does not exist while there is none.
#pragma once

#include <cstdint>

class PresentationWindow {
public:
    virtual ~PresentationWindow() = default;

    virtual bool Exists() const = 0;
    virtual bool IsActive() const = 0;
    // A new alarm confirmed at once: count it and mark it for redrawing.
    virtual void CountNewAlarm() = 0;
    // A new alarm that waits for an operator, in stack mode: update the item
    // count, redraw and mark.
    virtual void AddNewAlarm() = 0;
    // Stack mode while the window is not active.
    virtual void Open() = 0;
    virtual void Refresh() = 0;
    // The queue rule while the window is active: it opens the next alarm of
    // its own list.
    virtual void ChooseNextAlarm() = 0;
    // Keeps the alarm of an open alarm window selected in its list.
    virtual void SelectAlarm(int64_t arrival) = 0;
};
