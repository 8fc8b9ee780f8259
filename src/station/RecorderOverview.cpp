// The overview's rows, the status bar counts and the monthly report.
#include "station/RecorderOverview.h"

#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "events/TestMessageDecoder.h"
#include "events/TextFormat.h"

#include <map>

namespace {

constexpr int64_t kDayMs = 86'400'000;

std::vector<RecorderKey> KeysOf(const std::vector<RecorderStatus>& recorders)
{
    std::vector<RecorderKey> keys;
    for (const RecorderStatus& status : recorders)
        keys.push_back(status.Key());
    return keys;
}

std::string TimeText(int64_t ms)
{
    Timestamp stamp = Timestamp::FromMs(ms);
    return stamp.FormatDate() + " " + stamp.FormatTime(WithMs::No);
}

} // namespace

RecorderOverview::RecorderOverview(const RecorderStateBoard& board,
                                   const std::vector<StateLogLine>* log, AlarmDatabase* database)
    : m_board(board), m_log(log), m_database(database)
{
}

void RecorderOverview::Refresh(int64_t nowMs)
{
    const std::vector<RecorderStatus>& recorders = m_board.Recorders();
    bool statesChanged = m_board.StateChanges() != m_stateChangesSeen;
    if (m_log != nullptr &&
        (statesChanged || m_availabilityAtMs == 0 || m_today.size() != recorders.size() ||
         nowMs - m_availabilityAtMs >= kAvailabilityEveryMs || nowMs < m_availabilityAtMs)) {
        std::vector<RecorderKey> keys = KeysOf(recorders);
        m_today = AvailabilityOfAll(*m_log, keys, StartOfDay(nowMs), nowMs, nowMs);
        m_last30Days = AvailabilityOfAll(*m_log, keys, nowMs - 30 * kDayMs, nowMs, nowMs);
        m_availabilityAtMs = nowMs;
        m_stateChangesSeen = m_board.StateChanges();
    }
    // Records keep the recorder's address; hybrid or not is not told apart.
    std::map<std::string, int64_t> open;
    if (m_database != nullptr) {
        for (const AwaitingGroup& group : m_database->AwaitingGroups())
            open[group.recorder] += group.count;
    }
    m_rows.clear();
    for (const RecorderStatus& status : recorders) {
        RecorderOverviewRow row;
        row.status = status;
        if (auto found = open.find(status.ip); found != open.end())
            row.openAlarms = found->second;
        if (auto found = m_today.find(status.Key()); found != m_today.end())
            row.today = found->second.Percent();
        if (auto found = m_last30Days.find(status.Key()); found != m_last30Days.end())
            row.last30Days = found->second.Percent();
        m_rows.push_back(std::move(row));
    }
}

std::string RecorderCountsText(const std::array<int, kRecorderStateCount>& counts)
{
    static constexpr std::array<std::string_view, kRecorderStateCount> kParts = {
        TrNoop("%d nie gemeldet"), TrNoop("%d online"),        TrNoop("%d verspaetet"),
        TrNoop("%d ausgefallen"),  TrNoop("%d ausgeschaltet"), TrNoop("%d in Wartung")};
    // The states that need attention first.
    static constexpr std::array<RecorderState, kRecorderStateCount> kOrder = {
        RecorderState::Missed, RecorderState::Late,        RecorderState::Maintenance,
        RecorderState::Online, RecorderState::SwitchedOff, RecorderState::NeverSeen};
    std::string parts;
    for (RecorderState state : kOrder) {
        int count = counts[static_cast<size_t>(state)];
        if (count == 0)
            continue;
        parts += (parts.empty() ? "" : ", ") + FormatTr(kParts[static_cast<size_t>(state)], count);
    }
    return parts.empty() ? std::string() : FormatTr(TrNoop("Rekorder: %s"), parts);
}

std::string PercentText(const std::optional<double>& percent)
{
    if (!percent)
        return "-";
    // Tenths, rounded down so that a short outage never shows as 100 %.
    auto tenths = static_cast<int64_t>(*percent * 10.0 + 1e-9);
    return FormatText("%d,%d %%", tenths / 10, tenths % 10);
}

ReportRows MonthlyReport(const std::vector<RecorderStatus>& recorders,
                         const std::vector<StateLogLine>& log, int64_t monthMs, int64_t nowMs,
                         int64_t minOutageMs)
{
    int64_t from = StartOfMonth(monthMs);
    int64_t to = StartOfNextMonth(monthMs);
    std::map<RecorderKey, Availability> figures =
        AvailabilityOfAll(log, KeysOf(recorders), from, to, nowMs);
    Timestamp month = Timestamp::FromMs(from);
    ReportRows rows;
    rows.push_back(
        {FormatTr(TrNoop("Verfuegbarkeit der Rekorder %02d/%d"), month.Month(), month.Year())});
    rows.push_back({Tr("Name"), Tr("IP-Adresse"), Tr("Verfuegbarkeit"), Tr("Ausfallzeit"),
                    Tr("Unbekannt"), Tr("Ausfaelle")});
    for (const RecorderStatus& status : recorders) {
        const Availability& a = figures[status.Key()];
        rows.push_back({status.name, status.ip, PercentText(a.Percent()), DurationText(a.downMs),
                        DurationText(a.unknownMs), std::to_string(a.outages.size())});
    }
    rows.push_back({});
    rows.push_back({FormatTr(TrNoop("Ausfaelle ab %s"), DurationText(minOutageMs))});
    rows.push_back({Tr("Name"), Tr("IP-Adresse"), Tr("Beginn"), Tr("Ende"), Tr("Dauer")});
    for (const RecorderStatus& status : recorders) {
        for (const Outage& outage : figures[status.Key()].outages) {
            if (outage.endMs - outage.startMs < minOutageMs)
                continue;
            rows.push_back({status.name, status.ip, TimeText(outage.startMs),
                            TimeText(outage.endMs), DurationText(outage.endMs - outage.startMs)});
        }
    }
    return rows;
}
