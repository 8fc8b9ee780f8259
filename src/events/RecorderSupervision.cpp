// The overdue check over the recorder list.
#include "events/RecorderSupervision.h"

#include "config/ChildValues.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/ArrivalCounter.h"
#include "events/GuardEvent.h"
#include "events/RecorderState.h"
#include "events/TextFormat.h"

namespace {

constexpr int32_t kSignalMissed = -1;

} // namespace

RecorderSupervision::RecorderSupervision(ConfigTree& tree, ArrivalCounter& arrivals,
                                         GuardEventSink& sink, int graceMinutes)
    : m_tree(tree), m_arrivals(arrivals), m_sink(sink), m_graceMinutes(graceMinutes)
{
}

void RecorderSupervision::CheckRecorderSignals(int64_t nowMs)
{
    ConfigLock lock(m_tree);
    ConfigNode* list = Find(m_tree, kRecorderList);
    if (list == nullptr)
        return;
    // Dispatch may change the list; it is indexed afresh each time.
    for (int i = 0; i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        ConfigNode* nextNode = Find(*entry, kNextSignal);
        if (nextNode == nullptr)
            continue;
        int64_t nextSignal = nextNode->GetInt64();
        int64_t reportingMs = ReportingMs(Get(*entry, kReportingTime), m_graceMinutes);
        // Written this way round, a corrupt stored time cannot overflow.
        if (nextSignal <= 0 || nowMs - reportingMs <= nextSignal)
            continue;

        GuardEvent event;
        event.alarmType = kMissedSignalType;
        event.timeArrival = m_arrivals.Next(nowMs + 1);
        event.timeDeparture = nextSignal;
        if (const ConfigNode* ip = Find(*entry, kRecorderIp))
            event.recorder = ip->GetString();
        int64_t lastSignal = Int64Of(*entry, "iLastSignal");
        if (lastSignal > 0) {
            Timestamp last = Timestamp::FromMs(lastSignal);
            event.addInfo = FormatTr(TrNoop("Intervall für Rekordersignal überschritten. "
                                            "Letzte Rekordermeldung um %s, %s"),
                                     last.FormatDate(), last.FormatTime(WithMs::No));
            if (const ConfigNode* hybrid = Find(*entry, kRecorderHybrid))
                event.hybrid = hybrid->GetInt();
        }
        // Marked before dispatch: a nested loop inside alarm handling may run
        // this check again, and must not report the same miss twice.
        nextNode->SetInt64(0);
        Set(*entry, kMissedSignal, nextSignal);
        Set(*entry, kSignalState, kSignalMissed);
        m_sink.Raise(event);
    }
}
