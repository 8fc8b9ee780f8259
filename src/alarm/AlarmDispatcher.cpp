#include "alarm/AlarmDispatcher.h"

#include "alarm/AlarmActions.h"
#include "alarm/AlarmContext.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmSound.h"
#include "alarm/AlarmWindowManager.h"
#include "alarm/BarDiagram.h"
#include "alarm/LiveViewLink.h"
#include "alarm/PresentationWindow.h"
#include "alarm/RecordConfirmation.h"
#include "alarm/StationWindow.h"
#include "alarm/TrendView.h"
#include "config/CachedChildren.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "db/ConfigPath.h"
#include "events/GuardEvent.h"
#include "events/RecorderLookup.h"
#include "platform/Beeper.h"
#include "users/UserAccounts.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace {

// What the live-view program's alarm list shows for an alarm without any
// settings entry (a type the catalogue does not list).
constexpr int32_t kPriorityWithoutSettings = kPriorityWithoutWindow;

constexpr std::array<int, 3> kSpeakerFrequencies = {250, 500, 1000};
// pcspkFrequ of the rising three-tone signal.
constexpr int kThreeTones = 3;

enum SystemKey : size_t { kPlaySound, kFrequency, kMilliSeconds, kStackWindows };

// Read for every alarm.
int32_t SystemInt(ConfigTree& tree, SystemKey key, int32_t fallback)
{
    static CachedChildren system(
        {"Program", "Configuration", "System"},
        {"pcspkPlaySound", "pcspkFrequ", "pcspkMilliSeconds", "iStackWnd"});
    system.Folder(tree);
    ConfigNode* node = system.At(key);
    return node == nullptr ? fallback : node->GetInt();
}

} // namespace

AlarmDispatcher::AlarmDispatcher(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                                 AlarmActions& actions, AlarmWindowManager& windows,
                                 LiveViewLink& liveView, Beeper& beeper, StationWindow& station,
                                 PresentationWindow& presentation, TrendView& trend,
                                 BarDiagram& diagram)
    : m_tree(tree), m_database(database), m_sound(sound), m_actions(actions), m_windows(windows),
      m_liveView(liveView), m_beeper(beeper), m_station(station), m_presentation(presentation),
      m_trend(trend), m_diagram(diagram)
{
}

void PlaySpeakerSignal(Beeper& beeper, int choice, int durationMs)
{
    if (choice == kThreeTones) {
        for (int frequency : kSpeakerFrequencies)
            beeper.Tone(frequency, durationMs / 3);
        return;
    }
    int frequency = choice == 0   ? kSpeakerFrequencies[0]
                    : choice == 1 ? kSpeakerFrequencies[1]
                                  : kSpeakerFrequencies[2];
    beeper.Tone(frequency, durationMs);
}

void AlarmDispatcher::SignalPcSpeaker()
{
    if (SystemInt(m_tree, kPlaySound, 0) != 1)
        return;
    PlaySpeakerSignal(m_beeper, SystemInt(m_tree, kFrequency, 1),
                      SystemInt(m_tree, kMilliSeconds, 200));
}

namespace {

// Without settings there is nothing to show and nothing to run: the alarm
// is stored and confirmed like one of priority 5 without actions.
bool ConfirmedAtOnce(const AlarmSettings* settings)
{
    return settings == nullptr || settings->priority == kPriorityWithoutWindow ||
           settings->showAlarmWindow == 0;
}

AlarmContext MakeContext(ConfigTree& tree, const GuardEvent& event, const std::string& name)
{
    AlarmContext context;
    context.settings = LookupAlarmSettings(tree, event.alarmType, event.cameraId, event.recorder);
    context.arrival = event.timeArrival;
    context.departure = event.timeDeparture;
    context.alarmType = event.alarmType;
    context.recorderAddress = event.recorder;
    context.recorderName = name;
    context.addInfo = event.addInfo;
    context.camera = event.cameraId;
    context.track = event.trackId;
    return context;
}

} // namespace

void AlarmDispatcher::PrepareNewAlarm(AlarmRecord& record)
{
    ConfigLock lock(m_tree);
    GuardEvent event = ReadGuardEvent(m_tree);
    std::optional<AlarmSettings> settings =
        LookupAlarmSettings(m_tree, event.alarmType, event.cameraId, event.recorder);
    m_storedConfirmed = -1;
    if (!ConfirmedAtOnce(settings ? &*settings : nullptr))
        return;
    ApplyConfirmation(record, ConfirmKind::Automatic, CurrentUserName(m_tree), Timestamp::NowMs());
    m_storedConfirmed = event.timeArrival;
}

void AlarmDispatcher::OnNewAlarm(int recordNumber)
{
    ConfigLock lock(m_tree);
    GuardEvent event = ReadGuardEvent(m_tree);
    bool storedConfirmed = std::exchange(m_storedConfirmed, -1) == event.timeArrival;
    bool stackMode = SystemInt(m_tree, kStackWindows, 0) == 1;
    // Looked up in stack mode too: the live-view program, the window and the
    // actions all show the name.
    // A recorder that sends no hybrid entry (-1) passed the recorder check
    // as an ordinary one (0); its name is looked up the same way.
    int32_t hybrid = event.hybrid < 0 ? 0 : event.hybrid;
    std::string name = FindRecorderName(m_tree, event.recorder, hybrid).value_or("");
    if (!stackMode) {
        m_trend.AddArrival(event.timeArrival);
        if (m_diagram.IsShown())
            m_diagram.AddAlarm(event.recorder, name, event.alarmType, event.timeArrival);
    }

    AlarmContext context = MakeContext(m_tree, event, name);
    AnnounceToLiveView(context);
    SignalPcSpeaker();
    m_sound.UpdateAlarmSound(SoundSwitch::On);

    const AlarmSettings* settings = context.settings ? &*context.settings : nullptr;
    if (storedConfirmed || ConfirmedAtOnce(settings)) {
        ConfirmSilently(recordNumber, context,
                        storedConfirmed ? Confirmation::Stored : Confirmation::Due);
        return;
    }
    ShowInWindow(recordNumber, context, stackMode ? Stacking::On : Stacking::Off);
}

void AlarmDispatcher::AnnounceToLiveView(const AlarmContext& context)
{
    const AlarmSettings* settings = context.settings ? &*context.settings : nullptr;
    std::string trackName =
        settings != nullptr && settings->showTrack == 1 ? settings->trackName : std::string();
    m_liveView.AddAlarm(context.recorderName, context.camera, trackName, context.arrival,
                        settings != nullptr ? settings->priority : kPriorityWithoutSettings);
    m_liveView.Notify(StationEvent::AlarmDispatched);
}

void AlarmDispatcher::ConfirmSilently(int recordNumber, const AlarmContext& context,
                                      Confirmation confirmation)
{
    AlarmRecord record;
    if (!m_database.Read(recordNumber, record))
        return;
    if (confirmation == Confirmation::Stored)
        m_windows.AnnounceConfirmed(record, ConfirmKind::Automatic);
    else
        m_windows.ConfirmRecord(recordNumber, record, ConfirmKind::Automatic);
    if (m_database.IsFilterActive())
        m_database.ReevaluateRecord(recordNumber);
    // Priority 5 never gets a window, yet its actions still run.
    bool actionsOnly = context.settings && context.settings->priority == kPriorityWithoutWindow;
    if (actionsOnly) {
        m_actions.RunAlarmAction(ActionMode::Mail, context, ActionCall::Automatic,
                                 Freshness::Fresh);
        m_actions.RunAlarmAction(ActionMode::Program, context, ActionCall::Automatic,
                                 Freshness::Fresh);
    }
    if (m_presentation.IsActive())
        m_presentation.CountNewAlarm();
    else
        m_station.RefreshAlarmList();
    ResetGuardEvent(m_tree);
    if (actionsOnly)
        m_actions.RunAlarmAction(ActionMode::LiveView, context, ActionCall::Automatic,
                                 Freshness::Fresh);
}

void AlarmDispatcher::ShowInWindow(int recordNumber, const AlarmContext& context, Stacking stacking)
{
    // Only alarms with settings come here: the others are confirmed at once.
    const AlarmSettings& settings = *context.settings;
    if (stacking == Stacking::Off)
        m_station.RefreshAlarmList();
    else if (m_presentation.IsActive())
        m_presentation.AddNewAlarm();
    else
        m_presentation.Open();
    m_actions.RunAlarmAction(ActionMode::Mail, context, ActionCall::Automatic, Freshness::Fresh);
    if (settings.programOnce == 1)
        m_actions.RunAlarmAction(ActionMode::Program, context, ActionCall::Automatic,
                                 Freshness::Fresh);
    ResetGuardEvent(m_tree);
    if (!m_windows.AnyOpen() && settings.priority == 0) {
        m_windows.OpenAlarmWindow(context, recordNumber, PostProcessing::No);
        // The window has made the live-view requests.
        if (settings.showLivePicture == 1 || settings.showTrack == 1 || settings.presetDoLoad == 1)
            return;
    }
    m_actions.RunAlarmAction(ActionMode::LiveView, context, ActionCall::Automatic,
                             Freshness::Fresh);
    m_station.BringToFront();
}
