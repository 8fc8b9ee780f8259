#include "net/MetricsRegistry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

std::string_view KindName(MetricsText::Kind kind)
{
    switch (kind) {
    case MetricsText::Kind::Counter:
        return "counter";
    case MetricsText::Kind::Gauge:
        return "gauge";
    case MetricsText::Kind::Histogram:
        return "histogram";
    }
    return "untyped";
}

std::string FormatSeconds(int64_t us)
{
    std::array<char, 32> text{};
    auto [end, error] = std::to_chars(text.data(), text.data() + text.size(),
                                      static_cast<double>(us) / 1e6, std::chars_format::fixed);
    return std::string(text.data(), error == std::errc() ? end : text.data());
}

} // namespace

void MetricsText::Family(std::string_view name, Kind kind, std::string_view help)
{
    m_text.append("# HELP ").append(name).append(" ");
    // Help text escapes only backslash and line feed.
    for (char c : help) {
        if (c == '\\')
            m_text.append("\\\\");
        else if (c == '\n')
            m_text.append("\\n");
        else
            m_text.push_back(c);
    }
    m_text.append("\n# TYPE ").append(name).append(" ").append(KindName(kind)).append("\n");
}

void MetricsText::Line(std::string_view name, std::string_view labels)
{
    m_text.append(name);
    if (!labels.empty())
        m_text.append("{").append(labels).append("}");
    m_text.push_back(' ');
}

void MetricsText::Sample(std::string_view name, std::string_view labels, double value)
{
    Line(name, labels);
    if (std::isnan(value)) {
        m_text.append("NaN");
    } else if (std::isinf(value)) {
        m_text.append(value > 0 ? "+Inf" : "-Inf");
    } else {
        // The shortest text that reads back as the same value.
        std::array<char, 32> text{};
        auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
        m_text.append(text.data(), error == std::errc() ? end : text.data());
    }
    m_text.push_back('\n');
}

void MetricsText::Sample(std::string_view name, std::string_view labels, uint64_t value)
{
    Line(name, labels);
    m_text.append(std::to_string(value)).push_back('\n');
}

std::string MetricsText::Label(std::string_view name, std::string_view value)
{
    std::string label(name);
    label.append("=\"");
    for (char c : value) {
        if (c == '\\' || c == '"')
            label.push_back('\\');
        if (c == '\n')
            label.append("\\n");
        else
            label.push_back(c);
    }
    label.push_back('"');
    return label;
}

DurationHistogram::DurationHistogram(std::vector<int64_t> boundsUs)
    : m_bounds(std::move(boundsUs)), m_counts(m_bounds.size() + 1, 0)
{
}

void DurationHistogram::Add(int64_t us)
{
    // Few bounds: a linear walk beats a search.
    size_t i = 0;
    while (i < m_bounds.size() && us > m_bounds[i])
        ++i;
    ++m_counts[i];
    m_sumUs += us;
}

void DurationHistogram::Write(MetricsText& out, std::string_view name, std::string_view help) const
{
    out.Family(name, MetricsText::Kind::Histogram, help);
    std::string bucket = std::string(name) + "_bucket";
    uint64_t total = 0;
    for (size_t i = 0; i < m_bounds.size(); ++i) {
        total += m_counts[i];
        out.Sample(bucket, MetricsText::Label("le", FormatSeconds(m_bounds[i])), total);
    }
    total += m_counts.back();
    out.Sample(bucket, "le=\"+Inf\"", total);
    out.Sample(std::string(name) + "_sum", "", static_cast<double>(m_sumUs) / 1e6);
    out.Sample(std::string(name) + "_count", "", total);
}

int MetricsRegistry::AddSource(Source source)
{
    m_sources.emplace_back(++m_lastId, std::move(source));
    return m_lastId;
}

void MetricsRegistry::RemoveSource(int id)
{
    std::erase_if(m_sources, [id](const auto& entry) { return entry.first == id; });
}

std::string MetricsRegistry::Render() const
{
    MetricsText out;
    for (const auto& [id, source] : m_sources)
        source(out);
    return out.Text();
}
