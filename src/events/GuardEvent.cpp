// Runtime/GuardEvent read and written field by field.
#include "events/GuardEvent.h"

#include "config/CachedChildren.h"
#include "config/ConfigTree.h"

#include <deque>
#include <optional>
#include <type_traits>
#include <utility>

namespace {

enum Field : size_t {
    kRecorder,
    kTimeArrival,
    kTimeDeparture,
    kAlarmType,
    kCameraId,
    kCameraName,
    kTrackId,
    kTrackName,
    kAddInfo,
    kHybrid,
};

// Written, read and reset for every alarm.
CachedChildren& Fields()
{
    static CachedChildren fields({"Runtime", "GuardEvent"},
                                 {"Recorder", "TimeArrival", "TimeDeparture", "AlarmType",
                                  "CameraID", "CameraName", "TrackID", "TrackName", "AddInfo",
                                  "Hybrid"});
    return fields;
}

ConfigNode* Folder(ConfigTree& tree)
{
    return Fields().Folder(tree);
}

} // namespace

GuardEvent ReadGuardEvent(ConfigTree& tree)
{
    ConfigLock lock(tree);
    GuardEvent event;
    CachedChildren& fields = Fields();
    if (fields.Folder(tree) == nullptr)
        return event;
    auto read = [&](Field field, auto& value) {
        ConfigNode* node = fields.At(field);
        if (node == nullptr)
            return;
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
            value = node->GetString();
        else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, int64_t>)
            value = node->GetInt64();
        else
            value = node->GetInt();
    };
    read(kRecorder, event.recorder);
    read(kTimeArrival, event.timeArrival);
    read(kTimeDeparture, event.timeDeparture);
    read(kAlarmType, event.alarmType);
    read(kCameraId, event.cameraId);
    read(kCameraName, event.cameraName);
    read(kTrackId, event.trackId);
    read(kTrackName, event.trackName);
    read(kAddInfo, event.addInfo);
    read(kHybrid, event.hybrid);
    return event;
}

void WriteGuardEvent(ConfigTree& tree, const GuardEvent& event)
{
    ConfigLock lock(tree);
    CachedChildren& fields = Fields();
    if (fields.Folder(tree) == nullptr)
        return;
    auto write = [&](Field field, const auto& value) {
        ConfigNode* node = fields.At(field);
        if (node == nullptr)
            return;
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
            node->SetString(value);
        else if constexpr (std::is_same_v<std::decay_t<decltype(value)>, int64_t>)
            node->SetInt64(value);
        else
            node->SetInt(value);
    };
    write(kRecorder, event.recorder);
    write(kTimeArrival, event.timeArrival);
    write(kTimeDeparture, event.timeDeparture);
    write(kAlarmType, event.alarmType);
    write(kCameraId, event.cameraId);
    write(kCameraName, event.cameraName);
    write(kTrackId, event.trackId);
    write(kTrackName, event.trackName);
    write(kAddInfo, event.addInfo);
    write(kHybrid, event.hybrid);
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
