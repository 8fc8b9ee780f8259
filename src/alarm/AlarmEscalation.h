// Escalation of alarms nobody confirms: each new alarm whose chain has steps
// is followed until it is confirmed, its record deleted or its last step
// taken. A step falls due its seconds after the alarm's arrival and is taken
// once, however late the station looks: a station that was stopped takes
// every step that fell due meanwhile once at its first tick.
//
// What is followed is kept in "Escalation.state" in the data folder (owner
// only, replaced whole when it changed, at the next tick rather than on the
// alarm path); every step taken is appended to "EscalationSteps.log", one
// line per step: arrival, step number, time taken, what was done.
#pragma once

#include "alarm/AlarmIntake.h"
#include "alarm/EscalationSettings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class AlarmActions;
class AlarmDatabase;
class AlarmSound;
class AlarmWindowManager;
class Beeper;
class ConfigTree;

struct EscalationEntry {
    int64_t arrival = 0; // the record's key
    int32_t recordHint = 0;
    int32_t chain = 0;
    int32_t stepsDone = 0;

    friend bool operator==(const EscalationEntry&, const EscalationEntry&) = default;
};

class AlarmEscalation final : public NewAlarmListener {
public:
    static constexpr const char* kStateFileName = "Escalation.state";
    static constexpr const char* kStepLogName = "EscalationSteps.log";

    // An empty folder keeps nothing on disk. The state file is read here.
    AlarmEscalation(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                    AlarmActions& actions, AlarmWindowManager& windows, Beeper& beeper,
                    std::filesystem::path folder);
    // Writes what changed since the last tick.
    ~AlarmEscalation() override;
    AlarmEscalation(const AlarmEscalation&) = delete;
    AlarmEscalation& operator=(const AlarmEscalation&) = delete;

    void OnNewAlarm(const NewAlarm& alarm) override;
    // Takes the steps due at nowMs; writes the state when it changed.
    void Tick(int64_t nowMs);

    // Told after each step taken, with the alarm's arrival.
    void SetStepListener(std::function<void(int64_t arrival)> listener)
    {
        m_stepListener = std::move(listener);
    }

    const std::vector<EscalationEntry>& Entries() const { return m_entries; }
    // Whether the state file could not be read at start (it then starts empty).
    bool StateUnreadable() const { return m_stateUnreadable; }

    static std::string Serialize(const std::vector<EscalationEntry>& entries);
    // Nothing when the bytes are not an escalation state.
    static std::optional<std::vector<EscalationEntry>> Parse(std::string_view bytes);

private:
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
    // Even with nothing due the entries are looked at this often, so that a
    // changed chain is followed.
    static constexpr int64_t kFullPassMs = 1000;

    void Load();
    void Save();
    // False when the entry is finished: confirmed, deleted or at its end.
    bool Advance(EscalationEntry& entry, const EscalationSettings& settings, int64_t nowMs);
    void TakeStep(const EscalationStep& step, int stepNumber, int64_t arrival, int recordNumber,
                  const AlarmContext& context, const EscalationSettings& settings, int64_t nowMs);
    void LogStep(int64_t arrival, int stepNumber, int64_t nowMs, const std::string& actions);
    static int64_t DueOf(const EscalationEntry& entry, const EscalationSettings& settings);

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    AlarmSound& m_sound;
    AlarmActions& m_actions;
    AlarmWindowManager& m_windows;
    Beeper& m_beeper;
    std::filesystem::path m_folder;
    EscalationSettingsCache m_settings;
    std::vector<EscalationEntry> m_entries;
    std::function<void(int64_t)> m_stepListener;
    // Zero: a pass at the first tick, for the steps due while it was stopped.
    int64_t m_nextDue = 0;
    int64_t m_lastPass = 0;
    bool m_dirty = false;
    bool m_stateUnreadable = false;
};
