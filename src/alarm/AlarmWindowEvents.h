// What the operator does in an alarm window, reported by its view to the
// window's logic.
#pragma once

#include "alarm/WindowPlacement.h"

class AlarmWindowEvents {
public:
    virtual ~AlarmWindowEvents() = default;

    // The button "Bestaetigen".
    virtual void OnConfirm() = 0;
    // The close box or the system menu's close: the alarm is postponed.
    virtual void OnClose() = 0;
    virtual void OnMoved(WindowPoint position) = 0;
    virtual void OnResized(int width) = 0;
    // The system menu's minimise and restore with Shift held act on every
    // alarm window.
    virtual void OnMinimiseAll() = 0;
    virtual void OnRestoreAll() = 0;
};
