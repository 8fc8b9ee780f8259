// Alarm handling assembled: the sound, the actions, the alarm windows and the
// dispatcher, wired to what the station provides. While it exists the
// dispatcher, the escalation and the response log hear every new alarm from
// the intake.
#pragma once

#include "alarm/AlarmActions.h"
#include "alarm/AlarmDispatcher.h"
#include "alarm/AlarmEscalation.h"
#include "alarm/AlarmSound.h"
#include "alarm/AlarmWindowManager.h"
#include "alarm/ResponseLog.h"

#include <string>

class AlarmDatabase;
class AlarmIntake;
class AlarmWindowViewFactory;
class BarDiagram;
class Beeper;
class Clock;
class ConfigTree;
class LiveViewLink;
class MailSender;
class PresentationWindow;
class Prompt;
class ShellLauncher;
class SoundPlayer;
class StationWindow;
class TrendView;

// Everything must outlive the AlarmHandling.
struct AlarmHandlingParts {
    ConfigTree& tree;
    AlarmDatabase& database;
    AlarmIntake& intake;
    Clock& clock;
    LiveViewLink& liveView;
    MailSender& mail;
    ShellLauncher& launcher;
    SoundPlayer& soundPlayer;
    Beeper& beeper;
    Prompt& prompt;
    StationWindow& station;
    PresentationWindow& presentation;
    AlarmWindowViewFactory& views;
    TrendView& trend;
    BarDiagram& diagram;
    // What "${WardexDir}" stands for in program texts.
    std::string stationFolder;
    // Where the escalation keeps its state and step log; empty keeps nothing.
    std::string dataFolder = {};
};

class AlarmHandling {
public:
    explicit AlarmHandling(const AlarmHandlingParts& parts);
    ~AlarmHandling();
    AlarmHandling(const AlarmHandling&) = delete;
    AlarmHandling& operator=(const AlarmHandling&) = delete;

    AlarmSound& Sound() { return m_sound; }
    AlarmActions& Actions() { return m_actions; }
    AlarmWindowManager& Windows() { return m_windows; }
    AlarmDispatcher& Dispatcher() { return m_dispatcher; }
    AlarmEscalation& Escalation() { return m_escalation; }
    ResponseLog& Responses() { return m_responses; }

    // The main window's tick: escalation steps due, response times written.
    void Tick(int64_t nowMs);

private:
    AlarmIntake& m_intake;
    AlarmSound m_sound;
    AlarmActions m_actions;
    AlarmWindowManager m_windows;
    AlarmDispatcher m_dispatcher;
    AlarmEscalation m_escalation;
    ResponseLog m_responses;
};
