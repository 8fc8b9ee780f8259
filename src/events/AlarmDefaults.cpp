// Rebuilds the built-in alarm defaults at every start, in the language in
// force then, so names and titles follow a language change at the next start.
#include "events/AlarmDefaults.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "events/AlarmTypeCatalogue.h"

#include <initializer_list>
#include <string_view>

namespace {

// Fills each "%s" of a format with the next argument ("%%" is a percent
// sign). Formats come from language files, so no printf: a translation with
// a wrong or missing conversion must not read arguments that are not there.
std::string FillFormat(std::string_view format, std::initializer_list<std::string_view> args)
{
    std::string text;
    const std::string_view* next = args.begin();
    for (size_t pos = 0; pos < format.size(); ++pos) {
        if (format[pos] != '%' || pos + 1 == format.size()) {
            text += format[pos];
            continue;
        }
        char conversion = format[pos + 1];
        if (conversion == 's') {
            if (next != args.end())
                text += *next++;
            ++pos;
        } else if (conversion == '%') {
            text += '%';
            ++pos;
        } else {
            text += '%';
        }
    }
    return text;
}

ConfigNode* FindPath(ConfigTree& tree, std::initializer_list<std::string_view> path)
{
    ConfigNode* node = tree.Root();
    for (std::string_view name : path) {
        if (node == nullptr)
            return nullptr;
        node = node->Child(name);
    }
    return node;
}

// The list folders the rebuild works on; only a folder with a template can
// take entries.
ConfigNode* FindList(ConfigTree& tree, std::initializer_list<std::string_view> path)
{
    ConfigNode* list = FindPath(tree, path);
    return list != nullptr && list->Template() != nullptr ? list : nullptr;
}

ConfigNode* DefaultAlarmSettingsList(ConfigTree& tree)
{
    return FindList(tree, {"Program", "DefaultAlarmSettings"});
}

ConfigNode* BarColorList(ConfigTree& tree, std::string_view colorFolder)
{
    return FindList(tree,
                    {"Runtime", "GUI", "StaticViewRecDiagram", colorFolder, "AlarmTypeBarkColors"});
}

// Entries come from the template, which has every key; a key missing there
// is a defect of the defaults, which the schema test catches.
void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

void SetInt64(ConfigNode& entry, std::string_view key, int64_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt64(value);
}

void SetString(ConfigNode& entry, std::string_view key, std::string_view value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetString(value);
}

} // namespace

std::string DefaultMailSubject()
{
    // Two times side by side: the station's arrival time and the recorder's
    // own send time, which tells how late the alarm came. The recorder's
    // name is in the body.
    return FillFormat(Tr("Wardex-Alarm! Alarm: %s, Kavex Station: %s, Rekorder: %s"),
                      {"${AlarmType}", "${KavexStationArrivalTime}", "${RecorderDepartTime}"});
}

std::string DefaultMailBody()
{
    // One translation per line: the whole body would not fit the 300-byte
    // line of a language file.
    return FillFormat(Tr("Zeitpunkt-Eingang (Kavex Station): %s"), {"${KavexStationArrivalTime}"}) +
           "\n" + FillFormat(Tr("Zeitpunkt-Versand (Rekorder): %s"), {"${RecorderDepartTime}"}) +
           "\n" + FillFormat(Tr("Rekorder: %s"), {"${RecorderName}"}) + "\n" +
           FillFormat(Tr("Alarmtyp: %s"), {"${AlarmType}"}) + "\n" +
           FillFormat(Tr("Spur-ID: %s"), {"${TrackID}"}) + "\n" +
           FillFormat(Tr("Kamera-ID: %s"), {"${CameraNumber}"}) + "\n" +
           FillFormat(Tr("Zusätzl. Informationen: %s"), {"${AddInfo}"}) + "\n";
}

bool RebuildDefaultAlarmSettings(ConfigTree& tree)
{
    ConfigNode* list = DefaultAlarmSettingsList(tree);
    if (list == nullptr)
        return false;
    list->RemoveAllChildren();
    std::string title = Tr("Alarm!");
    std::string subject = DefaultMailSubject();
    std::string body = DefaultMailBody();
    bool quietTestMessages = Get(tree, kQuietTestMessages) == 1;
    for (const BuiltInAlarmSetting& setting : BuiltInAlarmSettings()) {
        ConfigNode* entry = list->NewEntry(0);
        SetInt(*entry, "Type", setting.code);
        SetString(*entry, "Message", AlarmTypeName(setting.code, NameTranslation::Translated));
        SetString(*entry, "Title", title);
        SetString(*entry, "mailFormatedSubject", subject);
        SetString(*entry, "mailFormatedBody", body);
        // All cameras.
        SetInt64(*entry, "SubDetail", -1);
        SetInt(*entry, "SubID", setting.subId);
        SetInt(*entry, "SubType", setting.subType);
        SetInt(*entry, "Priority", setting.priority);
        if (!setting.livePicture)
            SetInt(*entry, "ShwLivePic", 0);
        if (setting.track)
            SetInt(*entry, "ShwTrack", 1);
        // A recorder's heartbeat every minute would otherwise be an open alarm
        // every minute; only its absence (11011) needs an operator.
        if (quietTestMessages && setting.code == kTestMessageType)
            SetInt(*entry, "ShowAlarmWindow", 0);
    }
    return true;
}

bool RebuildFactoryColors(ConfigTree& tree)
{
    ConfigNode* list = BarColorList(tree, "DefaultFactoryColors");
    if (list == nullptr)
        return false;
    list->RemoveAllChildren();
    int number = 0;
    for (const FactoryBarColor& color : FactoryBarColors()) {
        ConfigNode* entry = list->NewEntry(number++);
        SetInt(*entry, "iAlarmTypeCode", color.code);
        SetString(*entry, "crStrBarkColor", color.colorText);
    }
    return true;
}

bool CompleteUserColors(ConfigTree& tree)
{
    ConfigNode* list = BarColorList(tree, "Colors");
    if (list == nullptr)
        return false;
    for (const FactoryBarColor& color : FactoryBarColors()) {
        if (list->FindEntryByInt("iAlarmTypeCode", color.code) != nullptr)
            continue;
        ConfigNode* entry = list->NewEntry(0);
        SetInt(*entry, "iAlarmTypeCode", color.code);
        SetString(*entry, "crStrBarkColor", color.colorText);
    }
    return true;
}

bool RebuildAlarmDefaults(ConfigTree& tree)
{
    bool settings = RebuildDefaultAlarmSettings(tree);
    bool factory = RebuildFactoryColors(tree);
    bool user = CompleteUserColors(tree);
    return settings && factory && user;
}
