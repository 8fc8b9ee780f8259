#include "alarm/WindowPlacement.h"

WindowPoint PlaceAlarmWindow(WindowPoint last, Pinning pinning, WindowSize size, WorkArea area)
{
    if (last.x == kNoLastPosition)
        return {area.left, area.top};
    if (pinning == Pinning::Pinned)
        return last;
    WindowPoint next{last.x + kCascadeStep, last.y};
    if (next.x + size.width > area.right) {
        next.x = area.left;
        next.y += kCascadeStep;
    }
    if (next.y + size.height > area.bottom)
        next.y = area.top;
    return next;
}
