#include "alarm/AlarmSound.h"

#include "alarm/AlarmSettingsLookup.h"
#include "config/CachedChildren.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "platform/SoundPlayer.h"

#include <string>

namespace {

// Larger than every priority: nothing awaits an operator.
constexpr int kNoPriority = 6;

// The sound file of each priority; looked at for every alarm.
ConfigNode* SoundFile(ConfigTree& tree, int priority)
{
    static CachedChildren files(
        {"Program", "Configuration", "System"},
        {"SndPrio0", "SndPrio1", "SndPrio2", "SndPrio3", "SndPrio4", "SndPrio5"});
    files.Folder(tree);
    return files.At(static_cast<size_t>(priority));
}

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

void AlarmSound::PlayEscalated(const std::string& wavePath)
{
    if (wavePath.empty())
        return;
    m_player.PlayLoop(wavePath);
    m_state = kEscalated;
}

void AlarmSound::UpdateAlarmSound(SoundSwitch on)
{
    if (on == SoundSwitch::Off)
        return Stop();
    ConfigLock lock(m_tree);
    // Without any sound file there is nothing to choose between.
    bool anyFile = false;
    for (int priority = 0; priority < kNoPriority && !anyFile; ++priority) {
        ConfigNode* file = SoundFile(m_tree, priority);
        anyFile = file != nullptr && file->HasContent() && file->Content()[0] != 0;
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
        ConfigNode* priority = entry == nullptr ? nullptr : Find(*entry, kSettingPriority);
        // A priority outside the scale has no sound file and must not
        // silence the others.
        int value = priority == nullptr ? kNoPriority : priority->GetInt();
        if (value >= 0 && value < smallest)
            smallest = value;
    }
    if (smallest == kNoPriority)
        return Stop();
    ConfigNode* file = SoundFile(m_tree, smallest);
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
