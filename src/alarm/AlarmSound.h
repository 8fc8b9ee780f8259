// The looping alarm sound: it belongs to the most urgent alarm that no
// operator has acknowledged yet and stops with the last of them.
#pragma once

class AlarmDatabase;
class ConfigTree;
class SoundPlayer;

enum class SoundSwitch { Off, On };

class AlarmSound {
public:
    static constexpr int kSilent = -1;

    AlarmSound(ConfigTree& tree, AlarmDatabase& database, SoundPlayer& player);

    // On: finds the smallest priority among the records that await an
    // operator (ConfirmState 0 or 1) and plays that priority's file, unless
    // it is playing already; stops when there is none or it has no file.
    // Off: stops.
    void UpdateAlarmSound(SoundSwitch on);

    // The priority whose file plays, or kSilent.
    int State() const { return m_state; }

private:
    void Stop();

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    SoundPlayer& m_player;
    int m_state = kSilent;
};
