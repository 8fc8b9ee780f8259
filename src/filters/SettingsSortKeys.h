// The alarm list's sort keys that come from the alarm settings: code 101 the
// entry's Title, code 102 its Priority. During a sort each (recorder, type,
// camera) is looked up once.
#pragma once

#include "db/SortKeySource.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

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
    void BeginPass() override;
    void EndPass() override;

private:
    struct Keys {
        std::string title;
        int64_t priority = kNoPriority;
    };
    const Keys& Lookup(const AlarmRecord& record);

    ConfigTree& m_tree;
    AlarmSettingsSource& m_settings;
    bool m_inPass = false;
    std::map<std::tuple<std::string, int32_t, int32_t>, Keys> m_cache;
    Keys m_single;
};
