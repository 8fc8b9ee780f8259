// The recorder states and the table of supervision classes.
#include "events/RecorderState.h"

#include "config/ChildValues.h"
#include "config/ConfigNode.h"
#include "config/Translator.h"
#include "events/TextFormat.h"

namespace {

constexpr int32_t kSignalMissed = -1;
constexpr int32_t kSignalSwitchedOff = 0;

constexpr std::array<SupervisionClass, 6> kClasses = {{
    {0, TrNoop("Karenzzeit der Startoption")},
    {20, "20 s"},
    {90, "90 s"},
    {180, "3 min"},
    {18'000, "5 h"},
    {90'000, "25 h"},
}};

} // namespace

std::string_view RecorderStateName(RecorderState state)
{
    switch (state) {
    case RecorderState::NeverSeen:
        return TrNoop("Nie gemeldet");
    case RecorderState::Online:
        return TrNoop("Online");
    case RecorderState::Late:
        return TrNoop("Verspaetet");
    case RecorderState::Missed:
        return TrNoop("Ausgefallen");
    case RecorderState::SwitchedOff:
        return TrNoop("Ausgeschaltet");
    case RecorderState::Maintenance:
        return TrNoop("In Wartung");
    }
    return "";
}

std::span<const SupervisionClass> SupervisionClasses()
{
    return kClasses;
}

std::string SupervisionClassText(int32_t seconds)
{
    if (seconds <= 0)
        return Tr(kClasses[0].label);
    for (const SupervisionClass& entry : kClasses) {
        if (entry.seconds == seconds)
            return std::string(entry.label);
    }
    return FormatText("%d s", seconds);
}

int64_t ReportingMs(int32_t seconds, int graceMinutes)
{
    if (seconds <= 0)
        return static_cast<int64_t>(graceMinutes) * 60'000;
    return static_cast<int64_t>(seconds) * 1000;
}

RecorderSignals RecorderSignals::Of(const ConfigNode& entry)
{
    return {Int64Of(entry, "iLastSignal"),      Int64Of(entry, "iNextSignal"),
            IntOf(entry, "iSignalState"),       IntOf(entry, "iReportingTime"),
            Int64Of(entry, "iMaintenanceFrom"), Int64Of(entry, "iMaintenanceUntil")};
}

RecorderState StateAt(const RecorderSignals& keys, int64_t nowMs, int64_t reportingMs)
{
    if (keys.maintenanceFrom > 0 && keys.maintenanceFrom <= nowMs && nowMs < keys.maintenanceUntil)
        return RecorderState::Maintenance;
    if (keys.signalState == kSignalMissed)
        return RecorderState::Missed;
    if (keys.signalState == kSignalSwitchedOff)
        return keys.lastSignal > 0 ? RecorderState::SwitchedOff : RecorderState::NeverSeen;
    // Compared this way round, a corrupt stored time cannot overflow.
    if (keys.nextSignal <= 0 || nowMs <= keys.nextSignal)
        return RecorderState::Online;
    if (nowMs - reportingMs <= keys.nextSignal)
        return RecorderState::Late;
    return RecorderState::Missed;
}
