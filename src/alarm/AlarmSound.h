// The looping alarm sound: it belongs to the most urgent alarm that no
// operator has acknowledged yet and stops with the last of them.
#pragma once

#include <string>

class AlarmDatabase;
class ConfigTree;
class SoundPlayer;

enum class SoundSwitch { Off, On };

class AlarmSound {
public:
    static constexpr int kSilent = -1;
    static constexpr int kEscalated = -2;

    AlarmSound(ConfigTree& tree, AlarmDatabase& database, SoundPlayer& player);

    // On: finds the smallest priority among the records that await an
    // operator (ConfirmState 0 or 1) and plays that priority's file, unless
    // it is playing already; stops when there is none or it has no file.
    // Off: stops.
    void UpdateAlarmSound(SoundSwitch on);

    // An escalation step's file, played instead of the priority's until the
    // next change of what awaits an operator chooses again.
    void PlayEscalated(const std::string& wavePath);

    // The priority whose file plays, kSilent or kEscalated.
    int State() const { return m_state; }

private:
    void Stop();

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    SoundPlayer& m_player;
    int m_state = kSilent;
};
