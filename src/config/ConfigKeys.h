// The configuration keys the station reads and writes on its own, each with
// its folder, kind and the default of the built-in script (a test checks them
// against it). Keys of list entries name the list's template; they are read
// from an entry. The generic tree editors and the script walkers work on any
// key and do not use these.
#pragma once

#include "config/ConfigKey.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Namespace-scope constexpr: each file has its own copy, so these names
// cannot collide at link time with a same-named constant elsewhere.
constexpr ConfigFolder kProgramFolder{"Program"};
constexpr ConfigFolder kSystemFolder{"Program/Configuration/System"};
constexpr ConfigFolder kMiscFolder{"Program/Configuration/MISC"};
constexpr ConfigFolder kEscalationFolder{"Program/Configuration/Escalation"};
constexpr ConfigFolder kGuiFolder{"Runtime/GUI"};
constexpr ConfigFolder kMainWindowState{"Runtime/GUI/WardexMEDlg"};
constexpr ConfigFolder kAlarmSettingsPageState{"Runtime/GUI/CPropPageRecorderAlarmSettings"};

constexpr ConfigList kRecorderList{kProgramFolder, "RecorderList"};
constexpr ConfigList kUserList{kProgramFolder, "UserList"};
constexpr ConfigList kDefaultAlarmSettings{kProgramFolder, "DefaultAlarmSettings"};
constexpr ConfigList kEscalationSteps{kEscalationFolder, "Steps"};
constexpr ConfigList kForwardingHosts{kGuiFolder, "CDlgForwardingMain"};
constexpr ConfigList kFilterList{kProgramFolder, "FilterList"};

// Program
constexpr ConfigKey<int32_t> kConfigVersion{kProgramFolder, "iVersion", 0};
constexpr ConfigKey<int64_t> kNextBackup{kProgramFolder, "iNextBackup", 0};
constexpr ConfigKey<int64_t> kNextMaxAge{kProgramFolder, "iNextMaxAge", 0};

// Program/Configuration/System
constexpr ConfigKey<int32_t> kStackWindows{kSystemFolder, "iStackWnd", 0};
constexpr ConfigKey<int32_t> kQuietTestMessages{kSystemFolder, "iQuietTestMessages", 0};
constexpr ConfigKey<std::string_view> kForwardAllowed{kSystemFolder, "strForwardAllowed", ""};
constexpr ConfigKey<std::string_view> kMailServer{kSystemFolder, "mailSMTPServer", ""};
constexpr ConfigKey<int32_t> kMailDoAuth{kSystemFolder, "mailDoAuth", 0};
constexpr ConfigKey<std::string_view> kMailAuthUser{kSystemFolder, "mailAuthUser", ""};
constexpr ConfigKey<std::string_view> kMailAuthPassword{kSystemFolder, "mailAuthPassword", ""};
constexpr ConfigKey<int32_t> kBackupInterval{kSystemFolder, "iBupInterval", 1};
constexpr ConfigKey<int32_t> kBackupsKept{kSystemFolder, "iBupMaxAnz", 4};
constexpr ConfigKey<int32_t> kEnableMaxAge{kSystemFolder, "iEnableMaxAge", 0};
constexpr ConfigKey<int32_t> kMaxAgeDays{kSystemFolder, "iMaxAge", 1};
constexpr ConfigKey<int32_t> kEnableMaxAlarms{kSystemFolder, "iEnableMaxAlarms", 1};
constexpr ConfigKey<int32_t> kMaxAlarms{kSystemFolder, "iNumMaxAlarms", 5000};

// Program/Configuration/Escalation
constexpr ConfigKey<int32_t> kPostponeSeconds{kEscalationFolder, "iPostponeSeconds", 300};

// Program/Configuration/MISC
constexpr ConfigKey<std::string_view> kLanguage{kMiscFolder, "Language", "German"};
constexpr ConfigKey<std::string_view> kLanguageForNextStart{kMiscFolder, "LanguageForNextStartUp",
                                                            "German"};

// Runtime
constexpr ConfigKey<int32_t> kDoNotWriteCountCache{
    {"Runtime/FFTMNumRecords"}, "iDoNotWriteDBCache", -1};
constexpr ConfigKey<int32_t> kSortColumn{kMainWindowState, "iSortColumn", 1};
constexpr ConfigKey<int32_t> kSortAscending{kMainWindowState, "bSortAscending", 1};
constexpr ConfigKey<int32_t> kRecordersPerPage{
    {"Runtime/GUI/StaticViewRecDiagram"}, "iNumRecPerPage", 1};
constexpr ConfigKey<int32_t> kLastShutDownWindowMode{kMainWindowState, "LastShutDownWindowMode", 0};
constexpr ConfigKey<int32_t> kNextSubId{kAlarmSettingsPageState, "iNextIDForSubID", 0};

// An entry of the recorder list.
constexpr ConfigFolder kRecorderEntry{"Program/RecorderList/<TEMPLATE>"};
constexpr ConfigKey<std::string_view> kRecorderName{kRecorderEntry, "Name", ""};
constexpr ConfigKey<std::string_view> kRecorderIp{kRecorderEntry, "IP", ""};
constexpr ConfigKey<int32_t> kRecorderHybrid{kRecorderEntry, "Hybrid", 0};
constexpr ConfigKey<int64_t> kLastSignal{kRecorderEntry, "iLastSignal", 0};
constexpr ConfigKey<int64_t> kNextSignal{kRecorderEntry, "iNextSignal", 0};
constexpr ConfigKey<int64_t> kMissedSignal{kRecorderEntry, "iMissedSignal", 0};
constexpr ConfigKey<int32_t> kSignalState{kRecorderEntry, "iSignalState", 0};
constexpr ConfigKey<int32_t> kReportingTime{kRecorderEntry, "iReportingTime", 0};
constexpr ConfigKey<int64_t> kMaintenanceFrom{kRecorderEntry, "iMaintenanceFrom", 0};
constexpr ConfigKey<int64_t> kMaintenanceUntil{kRecorderEntry, "iMaintenanceUntil", 0};
constexpr ConfigList kRecorderAlarmSettings{kRecorderEntry, "AlarmSettings"};

// An entry of a recorder's alarm settings (the defaults' entries share the
// names; some of their defaults differ).
constexpr ConfigFolder kAlarmSettingsEntry{
    "Program/RecorderList/<TEMPLATE>/AlarmSettings/<TEMPLATE>"};
constexpr ConfigKey<int32_t> kSettingType{kAlarmSettingsEntry, "Type", 0};
constexpr ConfigKey<int32_t> kSettingPriority{kAlarmSettingsEntry, "Priority", 1};
constexpr ConfigKey<std::string_view> kSettingTitle{kAlarmSettingsEntry, "Title", ""};
constexpr ConfigKey<std::string_view> kSettingSubName{kAlarmSettingsEntry, "SubName", ""};
constexpr ConfigKey<int64_t> kSettingSubDetail{kAlarmSettingsEntry, "SubDetail", 0};
constexpr ConfigKey<int32_t> kSettingSendMail{kAlarmSettingsEntry, "mailDoSendMail", 0};
constexpr ConfigKey<int32_t> kSettingShowAfterConfirm{kAlarmSettingsEntry, "ShwAfterConfirm", 0};
constexpr ConfigKey<int32_t> kSettingDoAuto{kAlarmSettingsEntry, "DoAuto", 0};

// An entry of the user list.
constexpr ConfigFolder kUserEntry{"Program/UserList/<TEMPLATE>"};
constexpr ConfigKey<std::string_view> kUserName{kUserEntry, "Name", ""};
constexpr ConfigKey<std::string_view> kUserPassword{kUserEntry, "Password", ""};

// An entry of the forwarding window's host list.
constexpr ConfigFolder kForwardingHostEntry{"Runtime/GUI/CDlgForwardingMain/<TEMPLATE>"};
constexpr ConfigKey<std::string_view> kForwardingHost{kForwardingHostEntry, "strHost", ""};
constexpr ConfigKey<int32_t> kForwardingHostSelected{kForwardingHostEntry, "bIsSelected", 0};

// An entry of a bar diagram's colours (the factory colours share the names).
constexpr ConfigFolder kBarColourEntry{
    "Runtime/GUI/StaticViewRecDiagram/Colors/AlarmTypeBarkColors/<TEMPLATE>"};
constexpr ConfigKey<int32_t> kBarColourType{kBarColourEntry, "iAlarmTypeCode", 0};
constexpr ConfigKey<std::string_view> kBarColour{kBarColourEntry, "crStrBarkColor", ""};

// Every key and list above, for the check against the built-in script.
struct KnownConfigKey {
    std::string_view folder;
    std::string_view name;
    NodeKind kind; // Folder for a list
    std::string fallback;
};
std::vector<KnownConfigKey> KnownConfigKeys();
