// How fast alarms were handled: for every alarm stored unconfirmed, when its
// window first opened, when and by whom it was confirmed and how many
// escalation steps ran. Kept in "ResponseTimes.log" in the data folder, one
// line per event keyed by the alarm's arrival, appended at the next tick
// (never on the alarm path). A side file rather than record fields: the
// record's layout has no room without changing its size for the programs
// that read the database, and the figures must outlive the records that the
// age and count limits delete.
//
// Lines, fields separated by tabs:
//   A arrival priority alarmType recorder   stored unconfirmed
//   S arrival timeMs                        first shown in a window
//   C arrival timeMs user                   confirmed by an operator
//   E arrival                               an escalation step ran
#pragma once

#include "alarm/AlarmIntake.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// One alarm as the log tells it.
struct AlarmResponse {
    int64_t arrival = 0;
    int32_t priority = 0;
    int32_t alarmType = 0;
    std::string recorder;
    std::optional<int64_t> shownMs;     // first shown, stored time
    std::optional<int64_t> confirmedMs; // stored time
    std::string user;
    int32_t steps = 0;

    friend bool operator==(const AlarmResponse&, const AlarmResponse&) = default;
};

class ResponseLog final : public NewAlarmListener {
public:
    static constexpr const char* kFileName = "ResponseTimes.log";

    // An empty folder keeps nothing.
    explicit ResponseLog(std::filesystem::path folder);

    void OnNewAlarm(const NewAlarm& alarm) override;
    void Shown(int64_t arrival, int64_t nowMs);
    void Confirmed(int64_t arrival, int64_t nowMs, std::string_view user);
    void StepTaken(int64_t arrival);
    // Appends what was noted since the last flush.
    void Flush();

    const std::filesystem::path& Path() const { return m_path; }

    // The alarms of a log's bytes, by arrival; lines that do not parse and
    // events of alarms without an "A" line (in any order) are passed over.
    static std::vector<AlarmResponse> Parse(std::string_view bytes);
    // The whole file; nothing when it is missing or unreadable.
    static std::vector<AlarmResponse> Load(const std::filesystem::path& path);

private:
    std::filesystem::path m_path;
    std::string m_pending;
    // Alarms shown in this run: only the first showing counts. An alarm
    // shown before a restart may get a second "S" line; the reader keeps the
    // first.
    std::unordered_set<int64_t> m_shown;
};
