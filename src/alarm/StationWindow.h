// What alarm handling asks of the station's main window; the main-window
// logic implements it.
#pragma once

class StationWindow {
public:
    virtual ~StationWindow() = default;

    // Re-reads the view into the main alarm list and its status line.
    virtual void RefreshAlarmList() = 0;
    // Shows and activates the presentation window when it exists, else the
    // main window.
    virtual void BringToFront() = 0;
    // Queues the next-alarm request, which later runs NextAlarmWindow.
    virtual void PostNextAlarmRequest() = 0;
};
