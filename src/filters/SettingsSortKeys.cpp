#include "filters/SettingsSortKeys.h"

#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "filters/AlarmSettingsSource.h"

SettingsSortKeys::SettingsSortKeys(ConfigTree& tree, AlarmSettingsSource& settings)
    : m_tree(tree), m_settings(settings)
{
}

SortKeyKind SettingsSortKeys::KindOf(int code) const
{
    if (code == kTitleCode)
        return SortKeyKind::Text;
    if (code == kPriorityCode)
        return SortKeyKind::Number;
    return SortKeyKind::None;
}

std::vector<AlarmField> SettingsSortKeys::KeyFields(int code) const
{
    if (KindOf(code) == SortKeyKind::None)
        return {};
    return {AlarmField::Recorder, AlarmField::AlarmType, AlarmField::CameraID};
}

void SettingsSortKeys::BeginPass()
{
    m_inPass = true;
    m_cache.clear();
}

void SettingsSortKeys::EndPass()
{
    m_inPass = false;
    m_cache.clear();
}

const SettingsSortKeys::Keys& SettingsSortKeys::Lookup(const AlarmRecord& record)
{
    Alarm alarm{record.Field(AlarmField::Recorder), record.Int(AlarmField::AlarmType),
                record.Int(AlarmField::CameraID)};
    if (m_inPass) {
        auto it = m_cache.find(alarm);
        if (it != m_cache.end())
            return it->second;
    }
    Keys keys;
    {
        ConfigLock lock(m_tree);
        if (const ConfigNode* entry =
                m_settings.FindAlarmSettings(alarm.alarmType, alarm.cameraId, alarm.recorder)) {
            if (const ConfigNode* title = Find(*entry, kSettingTitle))
                keys.title = title->GetString();
            if (const ConfigNode* priority = Find(*entry, kSettingPriority))
                keys.priority = priority->GetInt();
        }
    }
    if (!m_inPass) {
        m_single = std::move(keys);
        return m_single;
    }
    StoredAlarm stored{std::string(alarm.recorder), alarm.alarmType, alarm.cameraId};
    return m_cache.emplace(std::move(stored), std::move(keys)).first->second;
}

int64_t SettingsSortKeys::NumberKey(int, const AlarmRecord& record)
{
    return Lookup(record).priority;
}

void SettingsSortKeys::TextKey(int, const AlarmRecord& record, std::string& key)
{
    key = Lookup(record).title;
}
