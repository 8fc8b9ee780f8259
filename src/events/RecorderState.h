// What a recorder's signal looks like to the operator: derived from its
// supervision keys, the reporting time of its supervision class and the
// time, so that it needs no state of its own and survives any restart.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class ConfigNode;

enum class RecorderState { NeverSeen, Online, Late, Missed, SwitchedOff, Maintenance };
inline constexpr int kRecorderStateCount = 6;

// The German name, untranslated (a TrNoop literal).
std::string_view RecorderStateName(RecorderState state);

// A supervision class: the reporting time after the due time at which a
// missing test message counts as lost. Seconds 0 stands for the grace period
// of the start option, the behaviour of stations before there were classes.
struct SupervisionClass {
    int32_t seconds;
    std::string_view label; // German; only the grace period's is translated
};

std::span<const SupervisionClass> SupervisionClasses();
// The translated label, or "N s" for a time outside the table.
std::string SupervisionClassText(int32_t seconds);
// The reporting time in milliseconds; 0 or a negative number of seconds
// gives the grace period.
int64_t ReportingMs(int32_t seconds, int graceMinutes);

// The supervision keys of one RecorderList entry.
struct RecorderSignals {
    int64_t lastSignal = 0;
    int64_t nextSignal = 0;
    int32_t signalState = 0;
    int32_t reportingSeconds = 0;
    // The one-off maintenance window; 0 for none.
    int64_t maintenanceFrom = 0;
    int64_t maintenanceUntil = 0;

    static RecorderSignals Of(const ConfigNode& entry);

    friend bool operator==(const RecorderSignals&, const RecorderSignals&) = default;
};

// Within its maintenance window a recorder is under maintenance whatever its
// signal. Else late from the due time, missed once the reporting time has
// passed after it too (the supervision raises 11011 at the next tick and
// stores the miss).
RecorderState StateAt(const RecorderSignals& keys, int64_t nowMs, int64_t reportingMs);
