// The machine's own log (syslog, which the journal collects): a place the
// station writes to but cannot quietly rewrite afterwards.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class SystemLog {
public:
    virtual ~SystemLog() = default;
    // One notice under the identifier "wardex".
    virtual void Notice(std::string_view text) = 0;
};

// syslog(3), opened on first use.
SystemLog& PosixSystemLog();

// The machine's name, as the trail names the station; "localhost" when the
// system has none.
std::string HostName();

// The station's notices in the journal ("journalctl -t wardex -o cat");
// nothing when journalctl is missing or fails.
std::optional<std::string> ReadJournalNotices();
