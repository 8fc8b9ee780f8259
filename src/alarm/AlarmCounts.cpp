#include "alarm/AlarmCounts.h"

#include "net/MetricsRegistry.h"

#include <map>
#include <string>

AlarmCounts::Counts& AlarmCounts::Slot(int32_t alarmType, int priority)
{
    uint64_t key = Key(alarmType, priority);
    if (m_last != nullptr && key == m_lastKey)
        return *m_last;
    m_lastKey = key;
    m_last = &m_counts[key];
    return *m_last;
}

uint64_t AlarmCounts::ReceivedTotal() const
{
    uint64_t total = 0;
    for (const auto& [key, counts] : m_counts)
        total += counts.received;
    return total;
}

uint64_t AlarmCounts::StoredTotal() const
{
    uint64_t total = 0;
    for (const auto& [key, counts] : m_counts)
        total += counts.stored;
    return total;
}

void AlarmCounts::Write(MetricsText& out) const
{
    // Sorted, so that scrapes list the series in a stable order.
    std::map<uint64_t, Counts> sorted(m_counts.begin(), m_counts.end());
    auto labels = [](uint64_t key) {
        auto type = static_cast<int32_t>(key >> 32);
        auto priority = static_cast<int32_t>(key & 0xffffffffU);
        return MetricsText::Label("type", std::to_string(type)) + "," +
               MetricsText::Label("priority",
                                  priority < 0 ? std::string("none") : std::to_string(priority));
    };
    out.Family("wardex_alarms_received_total", MetricsText::Kind::Counter,
               "Alarms received, by alarm type and priority (none: no settings entry).");
    for (const auto& [key, counts] : sorted)
        out.Sample("wardex_alarms_received_total", labels(key), counts.received);
    out.Family("wardex_alarms_stored_total", MetricsText::Kind::Counter,
               "Alarms written to the database, by alarm type and priority.");
    for (const auto& [key, counts] : sorted)
        out.Sample("wardex_alarms_stored_total", labels(key), counts.stored);
}
