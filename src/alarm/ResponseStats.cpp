#include "alarm/ResponseStats.h"

#include "config/Translator.h"
#include "events/TextFormat.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

struct Collected {
    int count = 0;
    int steps = 0;
    std::vector<int64_t> confirmMs;
    std::vector<int64_t> shownMs;
};

std::string GroupOf(const AlarmResponse& alarm, const ResponseQuery& query)
{
    switch (query.grouping) {
    case ResponseGrouping::Priority:
        return Tr("Prio.") + " " + std::to_string(alarm.priority + 1);
    case ResponseGrouping::AlarmType:
        return query.typeName ? query.typeName(alarm.alarmType) : std::to_string(alarm.alarmType);
    case ResponseGrouping::Operator:
        if (!alarm.confirmedMs)
            return Tr("(unbestaetigt)");
        return alarm.user.empty() ? std::string("-") : alarm.user;
    case ResponseGrouping::Recorder:
        return alarm.recorder;
    }
    return {};
}

void Add(Collected& into, const AlarmResponse& alarm)
{
    ++into.count;
    into.steps += alarm.steps;
    if (alarm.confirmedMs)
        into.confirmMs.push_back(std::max<int64_t>(0, *alarm.confirmedMs - alarm.arrival));
    if (alarm.shownMs)
        into.shownMs.push_back(std::max<int64_t>(0, *alarm.shownMs - alarm.arrival));
}

ResponseRow RowOf(std::string group, Collected& collected, const std::array<int32_t, 3>& targets)
{
    std::sort(collected.confirmMs.begin(), collected.confirmMs.end());
    std::sort(collected.shownMs.begin(), collected.shownMs.end());
    ResponseRow row;
    row.group = std::move(group);
    row.count = collected.count;
    row.confirmed = static_cast<int>(collected.confirmMs.size());
    row.steps = collected.steps;
    row.medianMs = NearestRank(collected.confirmMs, 50);
    row.p90Ms = NearestRank(collected.confirmMs, 90);
    row.maxMs = NearestRank(collected.confirmMs, 100);
    row.medianShownMs = NearestRank(collected.shownMs, 50);
    for (size_t i = 0; i < targets.size(); ++i) {
        int64_t limit = int64_t{targets[i]} * 1000;
        auto within =
            std::upper_bound(collected.confirmMs.begin(), collected.confirmMs.end(), limit) -
            collected.confirmMs.begin();
        row.withinShare[i] =
            collected.count == 0 ? 0.0 : static_cast<double>(within) / collected.count;
    }
    return row;
}

std::string Seconds(const std::optional<int64_t>& ms)
{
    if (!ms)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(*ms) / 1000.0);
    return text;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(";\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::optional<int64_t> NearestRank(std::span<const int64_t> ascending, int percent)
{
    if (ascending.empty())
        return std::nullopt;
    size_t n = ascending.size();
    // The rank ceil(p/100 * n), at least 1.
    size_t rank = (static_cast<size_t>(percent) * n + 99) / 100;
    return ascending[std::clamp<size_t>(rank, 1, n) - 1];
}

std::vector<ResponseRow> SummariseResponses(std::span<const AlarmResponse> alarms,
                                            const ResponseQuery& query)
{
    std::map<std::string, Collected> groups;
    Collected total;
    for (const AlarmResponse& alarm : alarms) {
        if (alarm.arrival < query.fromMs || alarm.arrival >= query.toMs)
            continue;
        Add(groups[GroupOf(alarm, query)], alarm);
        Add(total, alarm);
    }
    std::vector<ResponseRow> rows;
    for (auto& [group, collected] : groups)
        rows.push_back(RowOf(group, collected, query.targetSeconds));
    rows.push_back(RowOf(Tr("Gesamt"), total, query.targetSeconds));
    return rows;
}

std::string ResponseCsv(std::span<const ResponseRow> rows, const std::array<int32_t, 3>& targets)
{
    std::string csv = CsvField(Tr("Gruppe")) + ";" + CsvField(Tr("Anzahl")) + ";" +
                      CsvField(Tr("Bestaetigt")) + ";" + CsvField(Tr("Median (s)")) + ";" +
                      CsvField(Tr("90. Perzentil (s)")) + ";" + CsvField(Tr("Maximum (s)")) + ";" +
                      CsvField(Tr("Median angezeigt (s)")) + ";" +
                      CsvField(Tr("Eskalationsstufen"));
    for (int32_t target : targets)
        csv += ";" + CsvField(FormatTr(TrNoop("Bis %d s (%%)"), target));
    csv += "\r\n";
    for (const ResponseRow& row : rows) {
        csv += CsvField(row.group) + ";" + std::to_string(row.count) + ";" +
               std::to_string(row.confirmed) + ";" + Seconds(row.medianMs) + ";" +
               Seconds(row.p90Ms) + ";" + Seconds(row.maxMs) + ";" + Seconds(row.medianShownMs) +
               ";" + std::to_string(row.steps);
        for (double share : row.withinShare) {
            char text[16];
            std::snprintf(text, sizeof text, "%.1f", share * 100.0);
            csv += ";" + std::string(text);
        }
        csv += "\r\n";
    }
    return csv;
}
