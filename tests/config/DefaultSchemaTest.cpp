// Checks the embedded default script against the configuration schema the
// station relies on: every folder, list template, key, kind and default, and
// nothing else, plus the layout of the script text itself.
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using KeyMap = std::map<std::string, std::string>;

// A readable description of one node, strict about the content's size so
// that a wrongly sized value cannot pass for the right one.
std::string Describe(const ConfigNode& node)
{
    std::span<const uint8_t> content = node.Content();
    switch (node.Kind()) {
    case NodeKind::Folder:
        return node.Template() != nullptr ? "LIST" : "FOLDER";
    case NodeKind::String: {
        if (content.empty() || content.back() != 0)
            return "STRING without its NUL";
        std::string text(content.begin(), content.end() - 1);
        if (text.find('\0') != std::string::npos)
            return "STRING with an inner NUL";
        return "STRING \"" + text + "\"";
    }
    case NodeKind::Integer:
        if (content.size() != 4)
            return "INTEGER of " + std::to_string(content.size()) + " bytes";
        return "INTEGER " + std::to_string(node.GetInt());
    case NodeKind::Int64:
        if (content.size() != 8)
            return "INT64 of " + std::to_string(content.size()) + " bytes";
        return "INT64 " + std::to_string(node.GetInt64());
    case NodeKind::Double:
        return "DOUBLE";
    case NodeKind::Raw:
        return "RAW";
    }
    return "unknown kind";
}

// Every node below `folder` by path; a list's template shows as "<NAME>".
void Flatten(const ConfigNode& folder, const std::string& prefix, KeyMap& out)
{
    for (int i = 0; i < folder.ChildCount(); ++i) {
        const ConfigNode& child = *folder.ChildAt(i);
        std::string path = prefix.empty() ? child.Name() : prefix + "/" + child.Name();
        if (!out.emplace(path, Describe(child)).second)
            out[path + " (duplicate)"] = Describe(child);
        if (child.IsFolder())
            Flatten(child, path, out);
        if (const ConfigNode* templ = child.Template()) {
            std::string templatePath = path + "/<" + templ->Name() + ">";
            if (!templ->IsFolder())
                out[templatePath] = "template that is no folder";
            Flatten(*templ, templatePath, out);
        }
    }
}

KeyMap FlattenTree(const ConfigTree& tree)
{
    KeyMap keys;
    if (tree.Root() != nullptr)
        Flatten(*tree.Root(), "", keys);
    return keys;
}

int Depth(const ConfigNode& node)
{
    int deepest = 0;
    for (int i = 0; i < node.ChildCount(); ++i)
        deepest = std::max(deepest, Depth(*node.ChildAt(i)));
    if (node.Template() != nullptr)
        deepest = std::max(deepest, Depth(*node.Template()));
    return deepest + 1;
}

// The expected schema, written as the schema tables list it.
class Schema {
public:
    void Folder(const std::string& path) { m_keys[path] = "FOLDER"; }
    void List(const std::string& path) { m_keys[path] = "LIST"; }
    void String(const std::string& path, const std::string& value)
    {
        m_keys[path] = "STRING \"" + value + "\"";
    }
    void Int(const std::string& path, int32_t value)
    {
        m_keys[path] = "INTEGER " + std::to_string(value);
    }
    void Int64(const std::string& path, int64_t value)
    {
        m_keys[path] = "INT64 " + std::to_string(value);
    }
    const KeyMap& Keys() const { return m_keys; }

private:
    KeyMap m_keys;
};

// One row of the alarm settings entry table: key, kind ('I' INTEGER, 'L'
// INT64, 'S' STRING), default in DefaultAlarmSettings (null: key absent),
// default in a recorder's AlarmSettings.
struct AlarmSettingsRow {
    const char* key;
    char kind;
    const char* inDefaultAlarmSettings;
    const char* inRecorder;
};

const AlarmSettingsRow kAlarmSettingsRows[] = {
    {"DoAuto", 'I', "0", "0"},
    {"DoContext", 'I', "0", "0"},
    {"DoTimeshift", 'I', "0", "0"},
    {"EscalationChain", 'I', "-1", "-1"},
    {"Message", 'S', "", ""},
    {"Phrase", 'S', "", ""},
    {"Priority", 'I', "1", "1"},
    {"RequireConfirmComment", 'I', "0", "0"},
    {"RequirePhrase", 'I', "0", "0"},
    {"ShowAlarmWindow", 'I', "1", "0"},
    {"ShwAfterConfirm", 'I', nullptr, "0"},
    {"ShwAlmTxtMessage", 'I', "1", "1"},
    {"ShwAlmTxtShort", 'I', "1", "1"},
    {"ShwLivePic", 'I', "1", "0"},
    {"ShwScroller", 'I', "1", "1"},
    {"ShwTrack", 'I', "0", "0"},
    {"ShwTrackKind", 'I', "0", "0"},
    {"SubDetail", 'L', "0", "0"},
    {"SubID", 'I', "0", "0"},
    {"SubName", 'S', "", ""},
    {"SubType", 'I', "0", "0"},
    {"TimeshiftMin", 'I', "5", "5"},
    {"TimeshiftSec", 'I', "0", "0"},
    {"Title", 'S', "Alarm!", ""},
    {"TrackName", 'S', "", ""},
    {"Type", 'I', "0", "0"},
    {"execprgArgs", 'S', "", ""},
    {"execprgOnce", 'I', "0", "0"},
    {"execprgPath", 'S', "", ""},
    {"execprgWorkDir", 'S', "", ""},
    {"mailDoSendMail", 'I', "0", "0"},
    {"mailFormatedBody", 'S', "", ""},
    {"mailFormatedSubject", 'S', "", ""},
    {"mailFromAddress", 'S', "", ""},
    {"mailToAddress", 'S', "", ""},
    {"presetDoLoad", 'I', "0", "0"},
    {"presetName", 'S', "", ""},
};

enum class AlarmSettingsOwner { DefaultAlarmSettings, Recorder };

void AddAlarmSettingsTemplate(Schema& schema, const std::string& list, AlarmSettingsOwner owner)
{
    schema.List(list);
    for (const AlarmSettingsRow& row : kAlarmSettingsRows) {
        const char* value = owner == AlarmSettingsOwner::DefaultAlarmSettings
                                ? row.inDefaultAlarmSettings
                                : row.inRecorder;
        if (value == nullptr)
            continue;
        std::string path = list + "/<TEMPLATE>/" + row.key;
        if (row.kind == 'S')
            schema.String(path, value);
        else if (row.kind == 'L')
            schema.Int64(path, std::stoll(value));
        else
            schema.Int(path, std::stoi(value));
    }
}

void AddProgram(Schema& s)
{
    s.Folder("Program");
    s.Folder("Program/Configuration");
    s.Int64("Program/iNextBackup", 0);
    s.Int64("Program/iNextMaxAge", 0);
    s.Int("Program/iVersion", 0);

    s.Folder("Program/Configuration/MISC");
    s.String("Program/Configuration/MISC/Language", "German");
    s.String("Program/Configuration/MISC/LanguageForNextStartUp", "German");

    const std::string system = "Program/Configuration/System/";
    s.Folder("Program/Configuration/System");
    for (int priority = 0; priority <= 5; ++priority)
        s.String(system + "SndPrio" + std::to_string(priority), "");
    s.Int(system + "iBupInterval", 1);
    s.Int(system + "iBupMaxAnz", 4);
    s.Int(system + "iEnableMaxAge", 0);
    s.Int(system + "iMaxAge", 1);
    s.Int(system + "iEnableMaxAlarms", 1);
    s.Int(system + "iNumMaxAlarms", 5000);
    s.Int(system + "iPinAlarmWnd", 0);
    s.Int(system + "iQuietTestMessages", 0);
    s.Int(system + "iSizeAlarmWnd", 0);
    s.Int(system + "iStackWnd", 0);
    s.String(system + "mailAuthPassword", "");
    s.String(system + "mailAuthUser", "");
    s.Int(system + "mailDoAuth", 0);
    s.String(system + "mailSMTPServer", "");
    s.Int(system + "pcspkFrequ", 1);
    s.Int(system + "pcspkMilliSeconds", 200);
    s.Int(system + "pcspkPlaySound", 0);
    s.String(system + "strForwardAllowed", "");

    const std::string escalation = "Program/Configuration/Escalation/";
    s.Folder("Program/Configuration/Escalation");
    s.List(escalation + "Steps");
    const std::string step = escalation + "Steps/<TEMPLATE>/";
    s.Int(step + "AfterSeconds", 60);
    s.String(step + "MailTo", "");
    s.Int(step + "Priority", 0);
    s.String(step + "ProgramArgs", "");
    s.String(step + "ProgramPath", "");
    s.Int(step + "Raise", 0);
    s.String(step + "SoundFile", "");
    s.Int(step + "Speaker", -1);
    s.Int(step + "SpeakerMs", 600);
    s.Int(escalation + "iPostponeSeconds", 300);
    s.Int(escalation + "iTarget1Seconds", 30);
    s.Int(escalation + "iTarget2Seconds", 60);
    s.Int(escalation + "iTarget3Seconds", 90);
    s.String(escalation + "mailFormatedBody",
             "Unbestaetigter Alarm ${AlarmType} von ${RecorderName} (${RecorderIP}), Kamera "
             "${CameraNumber}, eingegangen ${KavexStationArrivalTime}.");
    s.String(escalation + "mailFormatedSubject", "Eskalation: ${AlarmType} ${RecorderName}");
    s.String(escalation + "mailFromAddress", "");

    AddAlarmSettingsTemplate(s, "Program/DefaultAlarmSettings",
                             AlarmSettingsOwner::DefaultAlarmSettings);

    const std::string filter = "Program/FilterList/<TEMPLATE>/";
    s.List("Program/FilterList");
    s.String(filter + "Name", "Neuer Filter");
    s.Folder(filter + "FilterData");
    s.List(filter + "FilterData/AlarmType");
    s.Int(filter + "FilterData/AlarmType/<TEMPLATE>/Nr", 0);
    s.Int(filter + "FilterData/IsCommited", 0);
    s.Int(filter + "FilterData/LinkANDorOR", 0);
    s.Int(filter + "FilterData/NotCommited", 0);
    s.List(filter + "FilterData/Recorder");
    s.Int(filter + "FilterData/Recorder/<TEMPLATE>/CamFilter", -1);
    s.String(filter + "FilterData/Recorder/<TEMPLATE>/IPorDNSName", "");
    s.String(filter + "FilterData/Recorder/<TEMPLATE>/Name", "");
    s.Folder(filter + "FilterData/Time");
    s.Int(filter + "FilterData/Time/LastDays", 0);
    s.Int(filter + "FilterData/Time/Mode", 0);
    s.Int64(filter + "FilterData/Time/TimeBegin", 0);
    s.Int64(filter + "FilterData/Time/TimeEnd", 0);
    s.Int(filter + "FilterData/Time/iTimeUseTimestamp", 0);
    s.Int(filter + "FilterData/UseFilter", 0);

    const std::string recorder = "Program/RecorderList/<TEMPLATE>/";
    s.List("Program/RecorderList");
    AddAlarmSettingsTemplate(s, recorder + "AlarmSettings", AlarmSettingsOwner::Recorder);
    s.Int(recorder + "Hybrid", 0);
    s.String(recorder + "IP", "");
    s.String(recorder + "Name", "");
    s.String(recorder + "Password", "");
    s.Int64(recorder + "iLastSignal", 0);
    s.Int64(recorder + "iMaintenanceFrom", 0);
    s.Int64(recorder + "iMaintenanceUntil", 0);
    s.Int64(recorder + "iMissedSignal", 0);
    s.Int64(recorder + "iNextSignal", 0);
    s.Int(recorder + "iReportingTime", 0);
    s.Int(recorder + "iSignalState", 0);
    s.Int(recorder + "isLAN", 0);

    const std::string user = "Program/UserList/<TEMPLATE>/";
    s.List("Program/UserList");
    s.Int(user + "IsCurLoggedInUser", 0);
    s.Int(user + "IsDefUser", 0);
    s.String(user + "Name", "");
    s.String(user + "Password", "");
    for (const char* right :
         {"RTDelAlarm", "RTEditRecorder", "RTEditSystem", "RTEditUser", "RTExitWardex"})
        s.Int(user + right, 0);
}

void AddDiagramColors(Schema& s, const std::string& folder, bool factory)
{
    s.Folder(folder);
    s.List(folder + "/AlarmTypeBarkColors");
    s.String(folder + "/AlarmTypeBarkColors/<TEMPLATE>/crStrBarkColor", "");
    s.Int(folder + "/AlarmTypeBarkColors/<TEMPLATE>/iAlarmTypeCode", 0);
    s.Int(folder + "/bPrintBKColor", 0);
    s.String(folder + "/stcBarkPenColor", factory ? "220220220" : "");
    s.String(folder + "/stcColorBkDiagram", factory ? "178179194" : "");
    s.String(folder + "/stcColorChars", factory ? "  0  0  0" : "");
    s.String(folder + "/stcCooSysColLine", factory ? " 70 70 70" : "");
}

void AddRuntime(Schema& s)
{
    s.Folder("Runtime");
    s.Folder("Runtime/FFTMNumRecords");
    s.Int("Runtime/FFTMNumRecords/iDoNotWriteDBCache", -1);
    s.Folder("Runtime/GUI");
    s.Folder("Runtime/GuardEvent");
    s.String("Runtime/GuardEvent/AddInfo", "");
    s.Int("Runtime/GuardEvent/AlarmType", 0);
    s.Int("Runtime/GuardEvent/CameraID", 0);
    s.String("Runtime/GuardEvent/CameraName", "");
    s.Int("Runtime/GuardEvent/Hybrid", 0);
    s.String("Runtime/GuardEvent/Recorder", "");
    s.Int64("Runtime/GuardEvent/TimeArrival", 0);
    s.Int64("Runtime/GuardEvent/TimeDeparture", 0);
    s.Int("Runtime/GuardEvent/TrackID", 0);
    s.String("Runtime/GuardEvent/TrackName", "");
    s.Folder("Runtime/Temp");

    const std::string gui = "Runtime/GUI/";
    s.List(gui + "CDlgForwardingMain");
    s.Int(gui + "CDlgForwardingMain/<TEMPLATE>/bIsSelected", 0);
    s.String(gui + "CDlgForwardingMain/<TEMPLATE>/strHost", "");
    s.Folder(gui + "CPropPageRecorderAlarmSettings");
    s.Int(gui + "CPropPageRecorderAlarmSettings/iLastSelAlarmTypePos", 0);
    s.Int(gui + "CPropPageRecorderAlarmSettings/iNextIDForSubID", 0);
    s.Folder(gui + "DlgAlarmWindow");
    s.Int(gui + "DlgAlarmWindow/iWinLastPosX", -1);
    s.Int(gui + "DlgAlarmWindow/iWinLastPosY", -1);
    s.Int(gui + "DlgAlarmWindow/iWinLastSizeX", -1);
    s.Folder(gui + "WardexMEDlg");
    s.Folder(gui + "WardexMEDlg/ColumnPos");
    s.Folder(gui + "WardexMEDlg/ColumnWidths");
    s.Int(gui + "WardexMEDlg/ColumnsSelected", 0);
    s.Int(gui + "WardexMEDlg/LastShutDownWindowMode", 0);
    s.Int(gui + "WardexMEDlg/bSortAscending", 1);
    s.Int(gui + "WardexMEDlg/iSortColumn", 1);
    s.Folder(gui + "PropPageRecorder");
    s.Folder(gui + "PropPageRecorder/ColumnWidths");
    s.Int(gui + "PropPageRecorder/ColumnWidths/ColHeadAliveState", 30);
    s.Int(gui + "PropPageRecorder/ColumnWidths/ColHeadConnectionType", 0);
    s.Int(gui + "PropPageRecorder/ColumnWidths/ColHeadIP", 100);
    s.Int(gui + "PropPageRecorder/ColumnWidths/ColHeadName", 100);
    s.Int(gui + "PropPageRecorder/ColumnWidths/ColHeadReportingTime", 180);
    s.Folder(gui + "StaticViewRecDiagram");
    AddDiagramColors(s, gui + "StaticViewRecDiagram/Colors", false);
    AddDiagramColors(s, gui + "StaticViewRecDiagram/DefaultFactoryColors", true);
    s.Int(gui + "StaticViewRecDiagram/iNumRecPerPage", 1);

    struct Column {
        const char* name;
        int position;
        int width;
    };
    const Column columns[] = {
        {"Timestamp", 0, 130},
        {"Quittierung", 1, 50},
        {"RecDepartTime", 2, 130},
        {"Recorder", 3, 100},
        {"Kamera", 4, 50},
        {"AlarmTyp", 5, 140},
        {"AlarmShortDescByUser", 6, 100},
        {"AddInfo", 7, 260},
        {"ConfirmUser", 8, 70},
        {"ConfirmComment", 9, 100},
        {"Priority", 10, 50},
        {"ActionTime", 11, 200},
    };
    for (const Column& column : columns) {
        s.Int(gui + "WardexMEDlg/ColumnPos/" + column.name, column.position);
        s.Int(gui + "WardexMEDlg/ColumnWidths/" + column.name, column.width);
    }
}

KeyMap ExpectedSchema()
{
    Schema schema;
    AddProgram(schema);
    AddRuntime(schema);
    return schema.Keys();
}

// Names the keys that are missing, extra or different, one per line.
std::string DescribeDifferences(const KeyMap& expected, const KeyMap& actual)
{
    std::string report;
    for (const auto& [path, description] : expected) {
        auto found = actual.find(path);
        if (found == actual.end())
            report += "missing " + path + " = " + description + "\n";
        else if (found->second != description)
            report += path + " is " + found->second + ", expected " + description + "\n";
    }
    for (const auto& [path, description] : actual) {
        if (expected.find(path) == expected.end())
            report += "extra " + path + " = " + description + "\n";
    }
    return report;
}

std::string LoadAndDiff(std::string_view script)
{
    ConfigTree tree;
    FakePrompt prompt;
    if (!tree.LoadDefaults(script, prompt))
        return "the script does not load";
    return DescribeDifferences(ExpectedSchema(), FlattenTree(tree));
}

std::string ReplaceOnce(std::string text, std::string_view from, std::string_view to)
{
    size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST(DefaultSchema, FreshTreeEqualsSchema)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    EXPECT_TRUE(prompt.shown.empty());
    ASSERT_NE(tree.Root(), nullptr);
    EXPECT_EQ(tree.Root()->Name(), "Root");
    EXPECT_EQ(DescribeDifferences(ExpectedSchema(), FlattenTree(tree)), "");
}

// The keys the station reads on its own name their folder, kind and default
// once; each must be in the script as described.
TEST(DefaultSchema, TheStationsOwnKeysAreInTheScriptWithTheirKindAndDefault)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    KeyMap fresh = FlattenTree(tree);
    for (const KnownConfigKey& key : KnownConfigKeys()) {
        std::string path = std::string(key.folder) + "/" + std::string(key.name);
        std::string expected = key.kind == NodeKind::Folder    ? "LIST"
                               : key.kind == NodeKind::String  ? "STRING \"" + key.fallback + "\""
                               : key.kind == NodeKind::Integer ? "INTEGER " + key.fallback
                                                               : "INT64 " + key.fallback;
        EXPECT_EQ(fresh[path], expected) << path;
    }
}

TEST(DefaultSchema, ListsStartWithoutEntries)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    for (const char* list : {"DefaultAlarmSettings", "FilterList", "RecorderList", "UserList"})
        EXPECT_EQ(tree.TopFolder("Program")->Child(list)->ChildCount(), 0) << list;
}

TEST(DefaultSchema, NewRecorderEntryCarriesEmptyAlarmSettingsListWithItsTemplate)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
    ASSERT_NE(recorder, nullptr);
    ConfigNode* settings = recorder->Child("AlarmSettings");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->ChildCount(), 0);
    ConfigNode* entry = settings->NewEntry(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Name(), "00000000");
    EXPECT_EQ(entry->Child("ShwAfterConfirm")->GetInt(), 0);
    EXPECT_EQ(entry->Child("ShowAlarmWindow")->GetInt(), 0);
    EXPECT_EQ(entry->Child("TimeshiftMin")->GetInt(), 5);
}

TEST(DefaultSchema, TypoOrWrongDefaultInScriptIsReported)
{
    std::string script(DefaultScript());
    ASSERT_EQ(LoadAndDiff(script), "");

    std::string renamed = ReplaceOnce(script, "\"iBupMaxAnz\"", "\"iBupMaxAnx\"");
    EXPECT_EQ(LoadAndDiff(renamed), "missing Program/Configuration/System/iBupMaxAnz = INTEGER 4\n"
                                    "extra Program/Configuration/System/iBupMaxAnx = INTEGER 4\n");

    std::string changed = ReplaceOnce(script, "<CONTENT>5000</CONTENT>", "<CONTENT>500</CONTENT>");
    EXPECT_EQ(LoadAndDiff(changed),
              "Program/Configuration/System/iNumMaxAlarms is INTEGER 500, expected INTEGER 5000\n");

    std::string emptied =
        ReplaceOnce(script, "<CONTENT>\"German\"</CONTENT>", "<CONTENT></CONTENT>");
    EXPECT_EQ(LoadAndDiff(emptied), "Program/Configuration/MISC/Language is STRING without its "
                                    "NUL, expected STRING \"German\"\n");
}

TEST(DefaultSchema, EmbeddedBytesAreTheScriptFileWithoutTerminator)
{
    std::string file =
        ReadFileBytes(std::filesystem::path(WARDEX_SOURCE_DIR) / "src/config/default.script");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(kDefaultScriptSize, file.size());
    EXPECT_EQ(DefaultScript(), file);
    // The array holds exactly the file: its last byte ends the last line.
    EXPECT_EQ(DefaultScript().back(), '\n');
}

// Splits the script into its lines without the CR LF, failing on any line
// that ends otherwise.
std::vector<std::string> ScriptLines(std::string_view script)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find("\r\n", start);
        if (end == std::string_view::npos) {
            ADD_FAILURE() << "text after the last CR LF: " << script.substr(start);
            break;
        }
        std::string line(script.substr(start, end - start));
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break: " << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

bool IsUpperTag(std::string_view tag)
{
    for (std::string_view word :
         {"FOLDER", "TEMPLATE", "STRING", "INTEGER", "INT64", "NAME", "CONTENT"}) {
        if (tag == word)
            return true;
    }
    return false;
}

TEST(DefaultSchema, ScriptHasOneTagPerLineTabIndentedAndSortedSiblings)
{
    std::vector<std::string> lines = ScriptLines(DefaultScript());
    ASSERT_FALSE(lines.empty());

    int depth = 0;
    // The last sibling name seen at each depth; an element opening at depth d
    // starts a new run of siblings at depth d + 1.
    std::vector<std::string> lastName(64);
    bool openedTemplate = false;
    for (size_t number = 0; number < lines.size(); ++number) {
        const std::string& line = lines[number];
        size_t tabs = line.find_first_not_of('\t');
        ASSERT_NE(tabs, std::string::npos) << "empty line " << number;
        std::string_view text = std::string_view(line).substr(tabs);
        ASSERT_TRUE(text.front() == '<' && text.back() == '>') << "line " << number;

        if (text.starts_with("<NAME>") || text.starts_with("<CONTENT>")) {
            std::string_view tag = text.starts_with("<NAME>") ? "NAME" : "CONTENT";
            std::string close = "</" + std::string(tag) + ">";
            ASSERT_TRUE(text.ends_with(close)) << "line " << number;
            EXPECT_EQ(static_cast<int>(tabs), depth) << "line " << number;
            if (tag == "NAME" && !openedTemplate) {
                std::string name(text.substr(7, text.size() - 7 - close.size() - 1));
                const std::string& previous = lastName[depth - 1];
                // std::string compares as unsigned bytes.
                EXPECT_TRUE(previous.empty() || previous < name)
                    << "line " << number << ": " << name << " after " << previous;
                lastName[depth - 1] = name;
            }
            openedTemplate = false;
            continue;
        }
        if (text.starts_with("</")) {
            --depth;
            ASSERT_GE(depth, 0) << "line " << number;
            EXPECT_EQ(static_cast<int>(tabs), depth) << "line " << number;
            EXPECT_TRUE(IsUpperTag(text.substr(2, text.size() - 3))) << "line " << number;
            continue;
        }
        EXPECT_EQ(static_cast<int>(tabs), depth) << "line " << number;
        std::string_view tag = text.substr(1, text.size() - 2);
        EXPECT_TRUE(IsUpperTag(tag)) << "line " << number;
        openedTemplate = tag == "TEMPLATE";
        ++depth;
        ASSERT_LT(depth, static_cast<int>(lastName.size()));
        lastName[depth].clear();
    }
    EXPECT_EQ(depth, 0);
}

TEST(DefaultSchema, TreeIsShallowEnoughForTheImage)
{
    ConfigTree tree;
    FakePrompt prompt;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    // Writing the image allows 30 levels, counting the root as the first.
    EXPECT_LE(Depth(*tree.Root()), 30);
}

TEST(DefaultSchema, SavedDefaultsLoadBackUnchanged)
{
    TempDir dir;
    FakePrompt prompt;
    ConfigTree saved;
    ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
    ASSERT_EQ(saved.SaveImage(dir.File("programdata.bin")), 0);

    ConfigTree loaded;
    ASSERT_TRUE(loaded.LoadDefaults(DefaultScript(), prompt));
    ASSERT_TRUE(loaded.LoadImage(dir.File("programdata.bin")));
    EXPECT_EQ(DescribeDifferences(ExpectedSchema(), FlattenTree(loaded)), "");
}

} // namespace
