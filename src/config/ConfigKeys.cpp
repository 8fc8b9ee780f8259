#include "config/ConfigKeys.h"

#include <string>

namespace {

KnownConfigKey Known(const ConfigKey<int32_t>& key)
{
    return {key.folder.path, key.name, NodeKind::Integer, std::to_string(key.fallback)};
}

KnownConfigKey Known(const ConfigKey<int64_t>& key)
{
    return {key.folder.path, key.name, NodeKind::Int64, std::to_string(key.fallback)};
}

KnownConfigKey Known(const ConfigKey<std::string_view>& key)
{
    return {key.folder.path, key.name, NodeKind::String, std::string(key.fallback)};
}

KnownConfigKey Known(ConfigList list)
{
    return {list.folder.path, list.name, NodeKind::Folder, {}};
}

} // namespace

std::vector<KnownConfigKey> KnownConfigKeys()
{
    return {
        Known(kRecorderList),
        Known(kUserList),
        Known(kDefaultAlarmSettings),
        Known(kEscalationSteps),
        Known(kForwardingHosts),
        Known(kConfigVersion),
        Known(kNextBackup),
        Known(kNextMaxAge),
        Known(kStackWindows),
        Known(kQuietTestMessages),
        Known(kForwardAllowed),
        Known(kMailServer),
        Known(kMailDoAuth),
        Known(kMailAuthUser),
        Known(kMailAuthPassword),
        Known(kBackupInterval),
        Known(kBackupsKept),
        Known(kEnableMaxAge),
        Known(kMaxAgeDays),
        Known(kEnableMaxAlarms),
        Known(kMaxAlarms),
        Known(kLanguage),
        Known(kLanguageForNextStart),
        Known(kLastShutDownWindowMode),
        Known(kNextSubId),
        Known(kRecorderName),
        Known(kRecorderIp),
        Known(kRecorderHybrid),
        Known(kLastSignal),
        Known(kNextSignal),
        Known(kMissedSignal),
        Known(kSignalState),
        Known(kReportingTime),
        Known(kMaintenanceFrom),
        Known(kMaintenanceUntil),
        Known(kRecorderAlarmSettings),
        Known(kSettingType),
        Known(kSettingPriority),
        Known(kSettingTitle),
        Known(kSettingSubName),
        Known(kSettingSubDetail),
        Known(kSettingSendMail),
        Known(kSettingShowAfterConfirm),
        Known(kSettingDoAuto),
        Known(kUserName),
        Known(kUserPassword),
        Known(kForwardingHost),
        Known(kForwardingHostSelected),
        Known(kBarColourType),
        Known(kBarColour),
    };
}
