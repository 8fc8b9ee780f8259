// The station's metrics endpoint (/metrics:ADDRESS:PORT): the registry with
// the station's own families, the alarm counts the intake adds to, the pump
// round times, and the server on the loop. Everything but the counts and
// the round times is read when a scrape asks.
#pragma once

#include "alarm/AlarmCounts.h"
#include "net/MetricsRegistry.h"
#include "net/SocketPump.h"
#include "station/CommandLine.h"

#include <cstdint>

class Clock;
class MetricsServer;
class Station;

class StationMetrics final : public RoundTimer {
public:
    StationMetrics(Station& station, Clock& clock);
    ~StationMetrics() override;
    StationMetrics(const StationMetrics&) = delete;
    StationMetrics& operator=(const StationMetrics&) = delete;

    // Listens and starts timing the pump's rounds; false when the address
    // cannot be bound (the station runs on without metrics).
    [[nodiscard]] bool Start(const MetricsAddress& address);
    // The port it listens on, or -1.
    int Port() const;

    AlarmCounts& Counts() { return m_counts; }
    // For parts that add their own families.
    MetricsRegistry& Registry() { return m_registry; }

    void WorkBegins() override;
    void RoundEnds() override;

private:
    void WriteStation(MetricsText& out);
    void WriteRecorders(MetricsText& out);
    void WriteDatabase(MetricsText& out);
    void WriteForwarding(MetricsText& out);

    Station& m_station;
    Clock& m_clock;
    MetricsRegistry m_registry;
    AlarmCounts m_counts;
    DurationHistogram m_rounds;
    int64_t m_workBeganUs = 0;
    // Owned by the pump once started; null before, and once the pump is gone.
    MetricsServer* m_server = nullptr;
    int m_hook = 0;
};
