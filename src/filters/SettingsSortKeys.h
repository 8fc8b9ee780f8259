// The alarm list's sort keys that come from the alarm settings: code 101 the
// entry's Title, code 102 its Priority. During a sort each (recorder, type,
// camera) is looked up once.
#pragma once

#include "db/SortKeySource.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class AlarmSettingsSource;
class ConfigTree;

class SettingsSortKeys final : public SortKeySource {
public:
    static constexpr int kTitleCode = 101;
    static constexpr int kPriorityCode = 102;
    // The key of an alarm without settings: after every real priority.
    static constexpr int64_t kNoPriority = 6;

    SettingsSortKeys(ConfigTree& tree, AlarmSettingsSource& settings);

    SortKeyKind KindOf(int code) const override;
    int64_t NumberKey(int code, const AlarmRecord& record) override;
    void TextKey(int code, const AlarmRecord& record, std::string& key) override;
    std::vector<AlarmField> KeyFields(int code) const override;
    void BeginPass() override;
    void EndPass() override;

private:
    struct Keys {
        std::string title;
        int64_t priority = kNoPriority;
    };
    // What the settings lookup depends on; a view of it looks up without
    // building a string.
    struct Alarm {
        std::string_view recorder;
        int32_t alarmType;
        int32_t cameraId;
    };
    struct StoredAlarm {
        std::string recorder;
        int32_t alarmType;
        int32_t cameraId;
    };
    struct AlarmHash {
        using is_transparent = void;
        size_t operator()(const Alarm& alarm) const
        {
            size_t hash = std::hash<std::string_view>()(alarm.recorder);
            hash ^=
                std::hash<int64_t>()(int64_t{alarm.alarmType} << 32 | uint32_t(alarm.cameraId)) +
                0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
            return hash;
        }
        size_t operator()(const StoredAlarm& alarm) const
        {
            return (*this)(Alarm{alarm.recorder, alarm.alarmType, alarm.cameraId});
        }
    };
    struct AlarmEqual {
        using is_transparent = void;
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const
        {
            return a.alarmType == b.alarmType && a.cameraId == b.cameraId &&
                   std::string_view(a.recorder) == std::string_view(b.recorder);
        }
    };
    const Keys& Lookup(const AlarmRecord& record);

    ConfigTree& m_tree;
    AlarmSettingsSource& m_settings;
    bool m_inPass = false;
    std::unordered_map<StoredAlarm, Keys, AlarmHash, AlarmEqual> m_cache;
    Keys m_single;
};
