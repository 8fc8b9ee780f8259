#include "alarm/AlarmSound.h"

#include "alarm/AlarmSettingsLookup.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "db/ConfigPath.h"
#include "platform/SoundPlayer.h"

#include <string>

namespace {

// Larger than every priority: nothing awaits an operator.
constexpr int kNoPriority = 6;

} // namespace

AlarmSound::AlarmSound(ConfigTree& tree, AlarmDatabase& database, SoundPlayer& player)
    : m_tree(tree), m_database(database), m_player(player)
{
}

void AlarmSound::Stop()
{
    m_player.Stop();
    m_state = kSilent;
}

void AlarmSound::UpdateAlarmSound(SoundSwitch on)
{
    if (on == SoundSwitch::Off)
        return Stop();
    ConfigLock lock(m_tree);
    // Without any sound file there is nothing to choose between.
    bool anyFile = false;
    for (int priority = 0; priority < kNoPriority && !anyFile; ++priority) {
        ConfigNode* file = FindConfigNode(
            m_tree, {"Program", "Configuration", "System", "SndPrio" + std::to_string(priority)});
        anyFile = file != nullptr && !file->GetString().empty();
    }
    if (!anyFile)
        return Stop();
    int smallest = kNoPriority;
    // One lookup per recorder, type and camera instead of one per record.
    for (const AwaitingGroup& group : m_database.AwaitingGroups()) {
        if (smallest == 0)
            break; // nothing is more urgent
        ConfigNode* entry =
            FindAlarmSettings(m_tree, group.alarmType, group.cameraId, group.recorder);
        ConfigNode* priority = entry == nullptr ? nullptr : entry->Child("Priority");
        // A priority outside the scale has no sound file and must not
        // silence the others.
        int value = priority == nullptr ? kNoPriority : priority->GetInt();
        if (value >= 0 && value < smallest)
            smallest = value;
    }
    if (smallest == kNoPriority)
        return Stop();
    ConfigNode* file = FindConfigNode(
        m_tree, {"Program", "Configuration", "System", "SndPrio" + std::to_string(smallest)});
    std::string path = file == nullptr ? std::string() : file->GetString();
    if (path.empty())
        return Stop();
    if (m_state == smallest)
        return;
    // A file that cannot be played stays silent without a message; the state
    // still records the priority, so it is not retried for every alarm.
    m_player.PlayLoop(path);
    m_state = smallest;
}
