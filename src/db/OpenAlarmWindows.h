// Which alarm the open alarm window shows. Pruning passes over that record
// so that a window never loses the alarm it is asking the operator about;
// the alarm window logic implements this.
#pragma once

#include <cstdint>

class OpenAlarmWindows {
public:
    virtual ~OpenAlarmWindows() = default;

    // Whether an open alarm window shows the alarm with this arrival time.
    virtual bool IsShownInAlarmWindow(int64_t timeArrival) const = 0;
};
