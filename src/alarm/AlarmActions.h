// The three reactions configured per alarm settings entry: starting a
// program, sending a mail and asking the live-view program to show the alarm.
#pragma once

#include "alarm/AlarmContext.h"

#include <cstdint>
#include <string>

class ConfigTree;
class LiveViewLink;
class MailSender;
class ShellLauncher;

enum class ActionMode { Program = 0, Mail = 1, LiveView = 2 };

// Automatic: called at arrival; Window: an alarm window opens (or a
// confirmed alarm is opened from the list).
enum class ActionCall { Automatic, Window };

// Whether the alarm arrived at most 5 s ago; passed on to live requests.
enum class Freshness { Old = 0, Fresh = 1 };

class AlarmActions {
public:
    // stationFolder is what "${WardexDir}" stands for in program texts.
    AlarmActions(ConfigTree& tree, ShellLauncher& launcher, MailSender& mail,
                 LiveViewLink& liveView, std::string stationFolder);

    // Whether a live-view request was made (meaningful for LiveView only).
    // Nothing happens when the context has no settings.
    bool RunAlarmAction(ActionMode mode, const AlarmContext& context, ActionCall call,
                        Freshness freshness);

private:
    void RunProgram(const AlarmContext& context);
    void SendMail(const AlarmContext& context);
    bool RequestLiveView(const AlarmContext& context, ActionCall call, Freshness freshness);

    ConfigTree& m_tree;
    ShellLauncher& m_launcher;
    MailSender& m_mail;
    LiveViewLink& m_liveView;
    std::string m_stationFolder;
};
