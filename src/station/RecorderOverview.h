// What the recorder overview shows, without widgets: each recorder's state
// and signal times from the state board, its alarms that await an operator,
// its availability today and over the last 30 days from the state record;
// the counts for the status bar; and the monthly availability report.
#pragma once

#include "events/RecorderStateBoard.h"
#include "station/RecorderAvailability.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class AlarmDatabase;

struct RecorderOverviewRow {
    RecorderStatus status;
    int64_t openAlarms = 0;
    std::optional<double> today;
    std::optional<double> last30Days;

    friend bool operator==(const RecorderOverviewRow&, const RecorderOverviewRow&) = default;
};

class RecorderOverview {
public:
    static constexpr int64_t kAvailabilityEveryMs = 60'000;

    // The log and the database may be null (the figures are then empty).
    RecorderOverview(const RecorderStateBoard& board, const std::vector<StateLogLine>* log,
                     AlarmDatabase* database);

    // Reads the board and the open alarms; the availability figures are
    // worked out again when a state changed, else once a minute, so that
    // test messages alone cost no pass over the record.
    void Refresh(int64_t nowMs);
    const std::vector<RecorderOverviewRow>& Rows() const { return m_rows; }

private:
    const RecorderStateBoard& m_board;
    const std::vector<StateLogLine>* m_log;
    AlarmDatabase* m_database;
    std::vector<RecorderOverviewRow> m_rows;
    std::map<RecorderKey, Availability> m_today;
    std::map<RecorderKey, Availability> m_last30Days;
    int64_t m_availabilityAtMs = 0;
    uint64_t m_stateChangesSeen = 0;
};

// "Rekorder: 3 online, 1 verspaetet, ..." with the states that occur,
// translated; empty without recorders.
std::string RecorderCountsText(const std::array<int, kRecorderStateCount>& counts);

// A percentage as the overview shows it ("99,5 %"), "-" for none.
std::string PercentText(const std::optional<double>& percent);

// The monthly availability report as rows of fields (the window writes them
// as CSV): a heading, per recorder its figures for the month of `monthMs`,
// then every outage of at least `minOutageMs`. Texts translated.
using ReportRows = std::vector<std::vector<std::string>>;
ReportRows MonthlyReport(const std::vector<RecorderStatus>& recorders,
                         const std::vector<StateLogLine>& log, int64_t monthMs, int64_t nowMs,
                         int64_t minOutageMs);
