// Supervision of the recorders' test messages: a recorder whose announced
// signal is overdue by more than its class's reporting time (by default the
// grace period) raises the station's own alarm 11011, once, until its next
// test message.
#pragma once

#include <cstdint>

class ArrivalCounter;
class ConfigTree;
class GuardEventSink;

class RecorderSupervision {
public:
    static constexpr int kDefaultGraceMinutes = 15;
    static constexpr int32_t kMissedSignalType = 11011;

    // Arrival times come from the decoder's counter, so that alarms raised
    // in the same tick, or in the same millisecond as a telegram, get
    // distinct keys.
    RecorderSupervision(ConfigTree& tree, ArrivalCounter& arrivals, GuardEventSink& sink,
                        int graceMinutes = kDefaultGraceMinutes);

    // The check run on every tick of the main window's timer.
    void CheckRecorderSignals(int64_t nowMs);

    int GraceMinutes() const { return m_graceMinutes; }

private:
    ConfigTree& m_tree;
    ArrivalCounter& m_arrivals;
    GuardEventSink& m_sink;
    int m_graceMinutes;
};
