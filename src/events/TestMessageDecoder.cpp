// Reading the test message and recording the recorder's next signal.
#include "events/TestMessageDecoder.h"

#include "config/ChildValues.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "events/AddInfoText.h"
#include "events/RecorderLookup.h"
#include "events/TextFormat.h"

namespace {

constexpr uint16_t kKindInterval = 1;
constexpr uint16_t kKindFlags = 1;
constexpr uint8_t kFlagOperationOff = 4;
constexpr uint8_t kFlagTestOnly = 8;

constexpr int32_t kSignalAlive = 1;
constexpr int32_t kSignalSwitchedOff = 0;
constexpr int32_t kSignalMissed = -1;
constexpr int32_t kBackOnlineType = 11012;

void SetInt64(ConfigNode& entry, std::string_view key, int64_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt64(value);
}

void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

// 11012 for a recorder whose missed signal has come after all; the outage
// counts from the time the missed signal was due.
GuardEvent BackOnline(const ConfigNode& recorder, const GuardEvent& message, int64_t nowMs)
{
    GuardEvent event;
    event.alarmType = kBackOnlineType;
    event.recorder = message.recorder;
    event.timeDeparture = message.timeDeparture;
    if (const ConfigNode* hybrid = Find(recorder, kRecorderHybrid))
        event.hybrid = hybrid->GetInt();
    int64_t since = Int64Of(recorder, "iMissedSignal");
    if (since <= 0)
        since = Int64Of(recorder, "iLastSignal");
    if (since <= 0 || since > nowMs)
        return event;
    event.addInfo =
        FormatTr(TrNoop("Ausfall seit %s, %s, Dauer %s"), Timestamp::FromMs(since).FormatDate(),
                 Timestamp::FromMs(since).FormatTime(WithMs::No), DurationText(nowMs - since));
    return event;
}

} // namespace

std::string DurationText(int64_t ms)
{
    int64_t seconds = ms / 1000;
    int64_t days = seconds / 86'400;
    std::string clock =
        FormatText("%d:%02d:%02d", (seconds / 3600) % 24, (seconds / 60) % 60, seconds % 60);
    return days > 0 ? FormatText("%d d %s", days, clock) : clock;
}

Dispatch DecodeTestMessage(DecodeContext& context, ConfigTree& tree, Clock& clock)
{
    std::optional<TagReader> payload = context.OpenPayload();
    if (!payload) {
        context.event.addInfo = ProtocolErrorText();
        return Dispatch::Yes;
    }
    int64_t intervalSeconds = -1;
    int64_t nowSeconds = 0;
    int64_t nextSeconds = 0;
    bool operationOff = false;
    bool testOnly = false;
    while (std::optional<TagEntry> entry = payload->Next()) {
        if (entry->Tag() == kTagValue && entry->HasKind(kKindInterval)) {
            if (std::optional<int32_t> interval = entry->I32(2)) {
                nowSeconds = clock.NowMs() / 1000;
                intervalSeconds = *interval;
                nextSeconds = nowSeconds + intervalSeconds;
            }
        } else if (entry->Tag() == kTagStamp && entry->HasKind(kKindFlags)) {
            std::optional<uint8_t> flags = entry->Byte(2);
            if (flags == kFlagOperationOff)
                operationOff = true;
            else if (flags == kFlagTestOnly)
                testOnly = true;
        }
    }
    if (testOnly) {
        context.event.addInfo = "Test";
        return Dispatch::Yes;
    }

    ConfigLock lock(tree);
    ConfigNode* recorder = FindRecorderEntry(tree, context.event.recorder, 0);
    if (recorder == nullptr)
        return Dispatch::Yes;
    if (const ConfigNode* state = Find(*recorder, kSignalState);
        state != nullptr && state->GetInt() == kSignalMissed) {
        context.following = BackOnline(*recorder, context.event, clock.NowMs() / 1000 * 1000);
        SetInt64(*recorder, "iMissedSignal", 0);
    }
    SetInt64(*recorder, "iNextSignal", nextSeconds * 1000);
    SetInt64(*recorder, "iLastSignal", nowSeconds * 1000);
    if (operationOff) {
        context.event.addInfo = "Betrieb aus";
        SetInt64(*recorder, "iNextSignal", 0);
        SetInt(*recorder, "iSignalState", kSignalSwitchedOff);
        return Dispatch::Yes;
    }
    // The recorder's own clock; without a stamp of its own, the station's.
    int64_t baseMs =
        context.event.timeDeparture >= 0 ? context.event.timeDeparture : context.event.timeArrival;
    Timestamp next = Timestamp::FromMs(baseMs + intervalSeconds * 1000);
    context.event.addInfo =
        FormatText("Naechstes Signal: %s,%s", next.FormatDate(), next.FormatTime(WithMs::No));
    SetInt(*recorder, "iSignalState", kSignalAlive);
    return Dispatch::Yes;
}
