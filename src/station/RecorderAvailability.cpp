// Reading the state record and adding up the time per state.
#include "station/RecorderAvailability.h"

#include "config/Timestamp.h"
#include "events/TextFormat.h"

#include <algorithm>
#include <charconv>

namespace {

bool ParseNumber(std::string_view& rest, int64_t& value)
{
    size_t end = rest.find(' ');
    std::string_view word = rest.substr(0, end);
    auto [ptr, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || ptr != word.data() + word.size() || word.empty())
        return false;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return true;
}

std::optional<StateLogLine> ParseLine(std::string_view text)
{
    if (text.size() < 3 || text[1] != ' ')
        return std::nullopt;
    StateLogLine line;
    switch (text[0]) {
    case 'S':
        line.kind = StateLogLine::Kind::Start;
        break;
    case 'A':
        line.kind = StateLogLine::Kind::Alive;
        break;
    case 'E':
        line.kind = StateLogLine::Kind::End;
        break;
    case 'R':
        line.kind = StateLogLine::Kind::Recorder;
        break;
    default:
        return std::nullopt;
    }
    std::string_view rest = text.substr(2);
    if (!ParseNumber(rest, line.atMs) || line.atMs < 0)
        return std::nullopt;
    if (line.kind != StateLogLine::Kind::Recorder)
        return rest.empty() ? std::optional(line) : std::nullopt;
    int64_t state = 0;
    int64_t hybrid = 0;
    if (!ParseNumber(rest, state) || state < 0 || state >= kRecorderStateCount ||
        !ParseNumber(rest, hybrid) || hybrid < INT32_MIN || hybrid > INT32_MAX || rest.empty())
        return std::nullopt;
    line.state = static_cast<RecorderState>(state);
    line.hybrid = static_cast<int32_t>(hybrid);
    line.ip = std::string(rest);
    return line;
}

enum class Counted { Up, Down, Unknown };

Counted CountedAs(std::optional<RecorderState> state)
{
    if (state == RecorderState::Online || state == RecorderState::Late)
        return Counted::Up;
    if (state == RecorderState::Missed)
        return Counted::Down;
    return Counted::Unknown;
}

// Adds [start, end) cut to the period.
class Tally {
public:
    Tally(int64_t from, int64_t to) : m_from(from), m_to(to) {}

    void Add(int64_t start, int64_t end, Counted counted)
    {
        start = std::max(start, m_from);
        end = std::min(end, m_to);
        if (end <= start)
            return;
        switch (counted) {
        case Counted::Up:
            result.upMs += end - start;
            return;
        case Counted::Unknown:
            result.unknownMs += end - start;
            return;
        case Counted::Down:
            result.downMs += end - start;
            if (!result.outages.empty() && result.outages.back().endMs == start)
                result.outages.back().endMs = end;
            else
                result.outages.push_back({start, end});
            return;
        }
    }

    Availability result;

private:
    int64_t m_from;
    int64_t m_to;
};

} // namespace

std::string FormatStateLogLine(const StateLogLine& line)
{
    switch (line.kind) {
    case StateLogLine::Kind::Start:
        return FormatText("S %d\n", line.atMs);
    case StateLogLine::Kind::Alive:
        return FormatText("A %d\n", line.atMs);
    case StateLogLine::Kind::End:
        return FormatText("E %d\n", line.atMs);
    case StateLogLine::Kind::Recorder:
        return FormatText("R %d %d %d %s\n", line.atMs, static_cast<int>(line.state), line.hybrid,
                          line.ip);
    }
    return {};
}

std::vector<StateLogLine> ParseStateLog(std::string_view text)
{
    std::vector<StateLogLine> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        // A last line without its end was cut short.
        if (end == std::string_view::npos)
            break;
        std::optional<StateLogLine> line = ParseLine(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (line && (lines.empty() || line->atMs >= lines.back().atMs))
            lines.push_back(std::move(*line));
    }
    return lines;
}

std::optional<double> Availability::Percent() const
{
    if (upMs + downMs <= 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(upMs) / static_cast<double>(upMs + downMs);
}

std::map<RecorderKey, Availability> AvailabilityOfAll(const std::vector<StateLogLine>& lines,
                                                      const std::vector<RecorderKey>& keys,
                                                      int64_t fromMs, int64_t toMs, int64_t nowMs)
{
    struct Track {
        Tally tally;
        std::optional<RecorderState> state;
        int64_t since;
    };
    std::map<RecorderKey, Track> tracks;
    for (const RecorderKey& key : keys)
        tracks.emplace(key, Track{Tally(fromMs, toMs), std::nullopt, fromMs});
    // Before the first line nothing is known.
    bool running = false;
    int64_t lastWritten = fromMs;
    for (const StateLogLine& line : lines) {
        if (line.atMs >= toMs)
            break;
        switch (line.kind) {
        case StateLogLine::Kind::Start:
            for (auto& [key, track] : tracks) {
                if (running) {
                    // The run before ended without a word.
                    track.tally.Add(track.since, lastWritten, CountedAs(track.state));
                    track.tally.Add(std::max(track.since, lastWritten), line.atMs,
                                    Counted::Unknown);
                } else {
                    track.tally.Add(track.since, line.atMs, Counted::Unknown);
                }
                track.state.reset();
                track.since = line.atMs;
            }
            running = true;
            break;
        case StateLogLine::Kind::End:
            for (auto& [key, track] : tracks) {
                track.tally.Add(track.since, line.atMs,
                                running ? CountedAs(track.state) : Counted::Unknown);
                track.state.reset();
                track.since = line.atMs;
            }
            running = false;
            break;
        case StateLogLine::Kind::Recorder: {
            auto found = tracks.find(RecorderKey(line.ip, line.hybrid));
            if (!running || found == tracks.end())
                break;
            Track& track = found->second;
            track.tally.Add(track.since, line.atMs, CountedAs(track.state));
            track.state = line.state;
            track.since = line.atMs;
            break;
        }
        case StateLogLine::Kind::Alive:
            break;
        }
        lastWritten = line.atMs;
    }
    std::map<RecorderKey, Availability> result;
    for (auto& [key, track] : tracks) {
        // The run that writes the record goes on to now; nothing is known after.
        int64_t end = std::min(toMs, nowMs);
        if (running && end > track.since) {
            track.tally.Add(track.since, end, CountedAs(track.state));
            track.since = end;
        }
        track.tally.Add(track.since, toMs, Counted::Unknown);
        result.emplace(key, std::move(track.tally.result));
    }
    return result;
}

Availability AvailabilityOf(const std::vector<StateLogLine>& lines, std::string_view ip,
                            int32_t hybrid, int64_t fromMs, int64_t toMs, int64_t nowMs)
{
    RecorderKey key(std::string(ip), hybrid);
    return AvailabilityOfAll(lines, {key}, fromMs, toMs, nowMs)[key];
}

int64_t StartOfDay(int64_t ms)
{
    Timestamp stamp = Timestamp::FromMs(ms);
    std::optional<Timestamp> day =
        Timestamp::FromLocalFields(stamp.Day(), stamp.Month(), stamp.Year(), 0, 0, 0, 0);
    return day ? day->ToMs() : ms;
}

int64_t StartOfMonth(int64_t ms)
{
    Timestamp stamp = Timestamp::FromMs(ms);
    std::optional<Timestamp> first =
        Timestamp::FromLocalFields(1, stamp.Month(), stamp.Year(), 0, 0, 0, 0);
    return first ? first->ToMs() : ms;
}

int64_t StartOfNextMonth(int64_t ms)
{
    Timestamp stamp = Timestamp::FromMs(ms);
    int month = stamp.Month() == 12 ? 1 : stamp.Month() + 1;
    int year = stamp.Month() == 12 ? stamp.Year() + 1 : stamp.Year();
    std::optional<Timestamp> first = Timestamp::FromLocalFields(1, month, year, 0, 0, 0, 0);
    return first ? first->ToMs() : ms;
}
