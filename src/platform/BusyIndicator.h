// What the desktop shows while a long database operation runs: the wait
// cursor, and a progress display once the main window exists.
#pragma once

#include <cstdint>

class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;

    virtual void SetBusy(bool busy) = 0;
    virtual void ShowProgress(int64_t done, int64_t total) = 0;
};

// Shows nothing; for tools and tests without a desktop.
BusyIndicator& NoBusyIndicator();

// Shows the wait cursor for a scope.
class BusyScope {
public:
    explicit BusyScope(BusyIndicator& indicator) : m_indicator(indicator)
    {
        m_indicator.SetBusy(true);
    }
    ~BusyScope() { m_indicator.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    BusyIndicator& m_indicator;
};
