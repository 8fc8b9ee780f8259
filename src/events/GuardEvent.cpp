// Runtime/GuardEvent read and written field by field.
#include "events/GuardEvent.h"

#include "config/ConfigTree.h"

#include <deque>
#include <optional>
#include <utility>

namespace {

ConfigNode* Folder(ConfigTree& tree)
{
    ConfigNode* runtime = tree.TopFolder("Runtime");
    return runtime == nullptr ? nullptr : runtime->Child("GuardEvent");
}

void SetString(ConfigNode& folder, std::string_view key, const std::string& value)
{
    if (ConfigNode* node = folder.Child(key))
        node->SetString(value);
}

void SetInt(ConfigNode& folder, std::string_view key, int32_t value)
{
    if (ConfigNode* node = folder.Child(key))
        node->SetInt(value);
}

void SetInt64(ConfigNode& folder, std::string_view key, int64_t value)
{
    if (ConfigNode* node = folder.Child(key))
        node->SetInt64(value);
}

} // namespace

GuardEvent ReadGuardEvent(ConfigTree& tree)
{
    ConfigLock lock(tree);
    GuardEvent event;
    ConfigNode* folder = Folder(tree);
    if (folder == nullptr)
        return event;
    auto string = [&](std::string_view key, std::string& value) {
        if (ConfigNode* node = folder->Child(key))
            value = node->GetString();
    };
    auto integer = [&](std::string_view key, int32_t& value) {
        if (ConfigNode* node = folder->Child(key))
            value = node->GetInt();
    };
    auto integer64 = [&](std::string_view key, int64_t& value) {
        if (ConfigNode* node = folder->Child(key))
            value = node->GetInt64();
    };
    string("Recorder", event.recorder);
    integer64("TimeArrival", event.timeArrival);
    integer64("TimeDeparture", event.timeDeparture);
    integer("AlarmType", event.alarmType);
    integer("CameraID", event.cameraId);
    string("CameraName", event.cameraName);
    integer("TrackID", event.trackId);
    string("TrackName", event.trackName);
    string("AddInfo", event.addInfo);
    integer("Hybrid", event.hybrid);
    return event;
}

void WriteGuardEvent(ConfigTree& tree, const GuardEvent& event)
{
    ConfigLock lock(tree);
    ConfigNode* folder = Folder(tree);
    if (folder == nullptr)
        return;
    SetString(*folder, "Recorder", event.recorder);
    SetInt64(*folder, "TimeArrival", event.timeArrival);
    SetInt64(*folder, "TimeDeparture", event.timeDeparture);
    SetInt(*folder, "AlarmType", event.alarmType);
    SetInt(*folder, "CameraID", event.cameraId);
    SetString(*folder, "CameraName", event.cameraName);
    SetInt(*folder, "TrackID", event.trackId);
    SetString(*folder, "TrackName", event.trackName);
    SetString(*folder, "AddInfo", event.addInfo);
    SetInt(*folder, "Hybrid", event.hybrid);
}

void ResetGuardEvent(ConfigTree& tree)
{
    ConfigLock lock(tree);
    WriteGuardEvent(tree, GuardEvent{});
    ClearGuardEventMarks(tree);
}

void ClearGuardEventMarks(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* folder = Folder(tree);
    if (folder == nullptr)
        return;
    folder->TakeMarkForVisit();
    for (int i = 0; i < folder->ChildCount(); ++i)
        folder->ChildAt(i)->TakeMarkForVisit();
}

void DispatchGuardEvent(ConfigTree& tree, const GuardEvent& event)
{
    // An event raised while another is being handled (from a dialog the
    // handler opened, whose loop serves the port and the timer) waits until
    // that handling is done: the folder holds the first event until then.
    static bool dispatching = false;
    static std::deque<std::pair<ConfigTree*, GuardEvent>> waiting;
    if (dispatching) {
        waiting.emplace_back(&tree, event);
        return;
    }
    dispatching = true;
    struct Done {
        ~Done() { dispatching = false; }
    } done;
    std::optional<std::pair<ConfigTree*, GuardEvent>> next{std::in_place, &tree, event};
    while (next) {
        ConfigTree& target = *next->first;
        {
            ConfigLock lock(target);
            WriteGuardEvent(target, next->second);
            if (ConfigNode* folder = Folder(target))
                folder->MarkChanged();
        }
        target.NotifyChanges();
        next.reset();
        if (!waiting.empty()) {
            next.emplace(std::move(waiting.front()));
            waiting.pop_front();
        }
    }
}
