#include "alarm/AlarmDispatcher.h"

#include "alarm/AlarmActions.h"
#include "alarm/AlarmContext.h"
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
#include "db/AlarmDatabase.h"
#include "platform/Beeper.h"

#include <array>
#include <string>

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

void AlarmDispatcher::OnNewAlarm(const NewAlarm& alarm)
{
    ConfigLock lock(m_tree);
    const AlarmContext& context = alarm.context;
    bool stackMode = SystemInt(m_tree, kStackWindows, 0) == 1;
    if (!stackMode) {
        m_trend.AddArrival(context.arrival);
        if (m_diagram.IsShown())
            m_diagram.AddAlarm(context.recorderAddress, context.recorderName, context.alarmType,
                               context.arrival);
    }
    if (alarm.underMaintenance) {
        // Stored and shown in the list, nothing more: no live view, sound,
        // window or action.
        if (m_database.IsFilterActive())
            m_database.ReevaluateRecord(alarm.recordNumber);
        m_station.RefreshAlarmList();
        return;
    }
    AnnounceToLiveView(context);
    SignalPcSpeaker();
    m_sound.UpdateAlarmSound(SoundSwitch::On);
    if (alarm.storedConfirmed) {
        ConfirmSilently(alarm.recordNumber, context);
        return;
    }
    ShowInWindow(alarm.recordNumber, context, stackMode ? Stacking::On : Stacking::Off);
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

void AlarmDispatcher::ConfirmSilently(int recordNumber, const AlarmContext& context)
{
    AlarmRecord record;
    if (!m_database.Read(recordNumber, record))
        return;
    m_windows.AnnounceConfirmed(record, ConfirmKind::Automatic);
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
