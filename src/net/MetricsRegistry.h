// What the metrics endpoint serves, in the Prometheus text format 0.0.4.
// Parts of the station add a source that writes its families when a scrape
// asks; nothing is computed between scrapes, so a gauge costs the alarm path
// nothing. A part that lands later (a broker link, say) adds its own source
// and removes it before it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Writes families: first Family, then its samples. Labels are given as
// preformatted `name="value"` pairs joined by commas; Label() escapes a
// value.
class MetricsText {
public:
    enum class Kind { Counter, Gauge, Histogram };

    void Family(std::string_view name, Kind kind, std::string_view help);
    void Sample(std::string_view name, std::string_view labels, double value);
    void Sample(std::string_view name, std::string_view labels, uint64_t value);
    void Sample(std::string_view name, std::string_view labels, int64_t value)
    {
        Sample(name, labels, static_cast<double>(value));
    }
    // `name="value"` with the value escaped as the format wants.
    static std::string Label(std::string_view name, std::string_view value);

    const std::string& Text() const { return m_text; }

private:
    void Line(std::string_view name, std::string_view labels);

    std::string m_text;
};

// Cumulative buckets of durations, counted on the loop; the bounds are in
// microseconds and written in seconds.
class DurationHistogram {
public:
    explicit DurationHistogram(std::vector<int64_t> boundsUs);

    void Add(int64_t us);
    void Write(MetricsText& out, std::string_view name, std::string_view help) const;

private:
    std::vector<int64_t> m_bounds;
    // One more than the bounds: the last is +Inf.
    std::vector<uint64_t> m_counts;
    int64_t m_sumUs = 0;
};

class MetricsRegistry {
public:
    using Source = std::function<void(MetricsText&)>;

    // Sources write in the order added. The id is for RemoveSource.
    int AddSource(Source source);
    void RemoveSource(int id);

    std::string Render() const;

private:
    std::vector<std::pair<int, Source>> m_sources;
    int m_lastId = 0;
};
