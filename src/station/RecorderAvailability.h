// How available each recorder was, from the record of state changes that
// the station keeps ("RecorderStates.log"): a time in which the station did
// not run, or knew nothing of the recorder (never seen, switched off), is
// unknown and counts neither for nor against it.
#pragma once

#include "events/RecorderState.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One line of the record. Lines are written in time order.
struct StateLogLine {
    enum class Kind { Start, Alive, End, Recorder };
    Kind kind = Kind::Alive;
    int64_t atMs = 0;
    RecorderState state = RecorderState::NeverSeen; // Recorder lines
    int32_t hybrid = 0;
    std::string ip;

    // A start, alive or end line.
    static StateLogLine Mark(Kind kind, int64_t atMs)
    {
        StateLogLine line;
        line.kind = kind;
        line.atMs = atMs;
        return line;
    }

    friend bool operator==(const StateLogLine&, const StateLogLine&) = default;
};

std::string FormatStateLogLine(const StateLogLine& line);
// Lines that do not parse (a line cut short by a kill, a damaged file) are
// skipped; so are lines older than the one before them.
std::vector<StateLogLine> ParseStateLog(std::string_view text);

struct Outage {
    int64_t startMs = 0;
    int64_t endMs = 0;

    friend bool operator==(const Outage&, const Outage&) = default;
};

struct Availability {
    int64_t upMs = 0;      // online or late
    int64_t downMs = 0;    // missed
    int64_t unknownMs = 0; // the station not running, never seen, switched off
    // Down stretches, cut to the period asked for.
    std::vector<Outage> outages;

    // Up as a share of up and down, 0 to 100; nothing without either.
    std::optional<double> Percent() const;
};

// Address and Hybrid.
using RecorderKey = std::pair<std::string, int32_t>;

// Each recorder of `keys` over [fromMs, toMs), in one pass over the lines.
// A station that is running at nowMs has the record up to then; a stretch
// after the last line of a run that ended without an "end" line (a kill, a
// crash, a power loss) is unknown from the last line that run wrote.
std::map<RecorderKey, Availability> AvailabilityOfAll(const std::vector<StateLogLine>& lines,
                                                      const std::vector<RecorderKey>& keys,
                                                      int64_t fromMs, int64_t toMs, int64_t nowMs);
// The same for one recorder.
Availability AvailabilityOf(const std::vector<StateLogLine>& lines, std::string_view ip,
                            int32_t hybrid, int64_t fromMs, int64_t toMs, int64_t nowMs);

// Local midnight of the day of `ms`, and of the first of its month.
int64_t StartOfDay(int64_t ms);
int64_t StartOfMonth(int64_t ms);
// The first of the month after the one of `ms`.
int64_t StartOfNextMonth(int64_t ms);
