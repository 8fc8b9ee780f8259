// The reactions to one new alarm, run when the intake has stored its record: bar diagram and trend,
// the live-view program's alarm list, the PC speaker, the alarm sound, then either the silent path
// (the alarm is confirmed automatically) or the alarm-window path (mail, program, window or queue,
// live view, the station to the front).
#pragma once

#include "alarm/AlarmIntake.h"

struct AlarmContext;
class AlarmActions;
class AlarmDatabase;
class AlarmSound;
class AlarmWindowManager;
class BarDiagram;
class Beeper;
class ConfigTree;
class LiveViewLink;
class PresentationWindow;
class StationWindow;
class TrendView;

// The priority that never gets a window; its actions still run.
inline constexpr int kPriorityWithoutWindow = 5;

// The PC-speaker signal for a pitch choice (pcspkFrequ) and a length in ms;
// the system page tries it with the same tones.
void PlaySpeakerSignal(Beeper& beeper, int choice, int durationMs);

class AlarmDispatcher final : public NewAlarmListener {
public:
    AlarmDispatcher(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                    AlarmActions& actions, AlarmWindowManager& windows, LiveViewLink& liveView,
                    Beeper& beeper, StationWindow& station, PresentationWindow& presentation,
                    TrendView& trend, BarDiagram& diagram);

    // Holds the tree's lock.
    void OnNewAlarm(const NewAlarm& alarm) override;

    // The PC speaker's signal for a new alarm, when it is switched on.
    void SignalPcSpeaker();

private:
    // iStackWnd: new alarms go to the presentation window instead of the list.
    enum class Stacking { Off, On };

    void AnnounceToLiveView(const AlarmContext& context);
    void ConfirmSilently(int recordNumber, const AlarmContext& context);
    void ShowInWindow(int recordNumber, const AlarmContext& context, Stacking stacking);

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    AlarmSound& m_sound;
    AlarmActions& m_actions;
    AlarmWindowManager& m_windows;
    LiveViewLink& m_liveView;
    Beeper& m_beeper;
    StationWindow& m_station;
    PresentationWindow& m_presentation;
    TrendView& m_trend;
    BarDiagram& m_diagram;
};
