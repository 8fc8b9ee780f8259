// The start-up rebuild of the alarm defaults on the default configuration:
// the built-in alarm settings, the factory bar colours, the completion of the
// user's colours, and how all of it survives saving and loading the tree.
#include "events/AlarmDefaults.h"

#include "ExpectedCatalogue.h"
#include "ScopedTranslation.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <filesystem>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace expected;

constexpr std::string_view kGermanSubject =
    "Wardex-Alarm! Alarm: ${AlarmType}, Kavex Station: ${KavexStationArrivalTime}, Rekorder: "
    "${RecorderDepartTime}";
constexpr std::string_view kGermanBody =
    "Zeitpunkt-Eingang (Kavex Station): ${KavexStationArrivalTime}\n"
    "Zeitpunkt-Versand (Rekorder): ${RecorderDepartTime}\n"
    "Rekorder: ${RecorderName}\n"
    "Alarmtyp: ${AlarmType}\n"
    "Spur-ID: ${TrackID}\n"
    "Kamera-ID: ${CameraNumber}\n"
    "Zus\xC3\xA4tzl. Informationen: ${AddInfo}\n";

std::vector<uint8_t> Bytes(const ConfigNode& node)
{
    return {node.Content().begin(), node.Content().end()};
}

std::string EntryName(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "%08d", number);
    return name;
}

bool LoadDefaults(ConfigTree& tree)
{
    FakePrompt prompt;
    return tree.LoadDefaults(DefaultScript(), prompt);
}

ConfigNode& DefaultSettingsOf(ConfigTree& tree)
{
    return *tree.TopFolder("Program")->Child("DefaultAlarmSettings");
}

ConfigNode& BarColorsOf(ConfigTree& tree, std::string_view folder)
{
    return *tree.TopFolder("Runtime")
                ->Child("GUI")
                ->Child("StaticViewRecDiagram")
                ->Child(folder)
                ->Child("AlarmTypeBarkColors");
}

// The colour text the user list holds for a code, or "none".
std::string UserColorOf(ConfigTree& tree, int32_t code)
{
    ConfigNode* entry = BarColorsOf(tree, "Colors").FindEntryByInt("iAlarmTypeCode", code);
    return entry == nullptr ? "none" : entry->Child("crStrBarkColor")->GetString();
}

class DefaultTree : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(LoadDefaults(m_tree)); }

    ConfigNode& DefaultSettings() { return DefaultSettingsOf(m_tree); }
    ConfigNode& BarColors(std::string_view folder) { return BarColorsOf(m_tree, folder); }

    ConfigTree m_tree;
};

using DefaultAlarmSettingsRebuild = DefaultTree;

TEST_F(DefaultAlarmSettingsRebuild, CreatesOneEntryPerCatalogueCodeWithTheTableValues)
{
    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    ConfigNode& list = DefaultSettings();
    ASSERT_EQ(list.ChildCount(), 39);
    for (int i = 0; i < 39; ++i) {
        const ExpectedSetting& expected = kExpectedSettings[i];
        SCOPED_TRACE(expected.code);
        ConfigNode& entry = *list.ChildAt(i);
        EXPECT_EQ(entry.Name(), EntryName(i));
        EXPECT_EQ(entry.Child("Type")->GetInt(), expected.code);
        EXPECT_EQ(entry.Child("Type")->GetInt(), kExpectedOrder[i]);
        EXPECT_EQ(entry.Child("SubID")->GetInt(), expected.subId);
        EXPECT_EQ(entry.Child("SubType")->GetInt(), expected.subType);
        EXPECT_EQ(entry.Child("Priority")->GetInt(), expected.priority);
        EXPECT_EQ(entry.Child("ShwLivePic")->GetInt(), expected.livePicOff ? 0 : 1);
        EXPECT_EQ(entry.Child("ShwTrack")->GetInt(), expected.trackOn ? 1 : 0);
        EXPECT_EQ(entry.Child("SubDetail")->Content().size(), 8u);
        EXPECT_EQ(entry.Child("SubDetail")->GetInt64(), -1);
        EXPECT_EQ(entry.Child("Message")->GetString(), ExpectedGermanName(expected.code));
        EXPECT_EQ(entry.Child("Title")->GetString(), "Alarm!");
        EXPECT_EQ(entry.Child("mailFormatedSubject")->GetString(), kGermanSubject);
        EXPECT_EQ(entry.Child("mailFormatedBody")->GetString(), kGermanBody);
    }
}

TEST_F(DefaultAlarmSettingsRebuild, LeavesEveryOtherKeyAtItsTemplateDefault)
{
    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    const std::set<std::string> setKeys = {
        "Type",  "Message", "Title",    "mailFormatedSubject", "mailFormatedBody", "SubDetail",
        "SubID", "SubType", "Priority", "ShwLivePic",          "ShwTrack"};
    const ConfigNode& templ = *DefaultSettings().Template();
    for (int i = 0; i < DefaultSettings().ChildCount(); ++i) {
        const ConfigNode& entry = *DefaultSettings().ChildAt(i);
        ASSERT_EQ(entry.ChildCount(), templ.ChildCount());
        for (int k = 0; k < templ.ChildCount(); ++k) {
            const ConfigNode& key = *templ.ChildAt(k);
            ASSERT_EQ(entry.ChildAt(k)->Name(), key.Name());
            EXPECT_EQ(entry.ChildAt(k)->Kind(), key.Kind()) << key.Name();
            if (setKeys.count(key.Name()) != 0)
                continue;
            EXPECT_EQ(Bytes(*entry.ChildAt(k)), Bytes(key)) << entry.Name() << " " << key.Name();
        }
    }
}

TEST_F(DefaultAlarmSettingsRebuild, QuietTestMessagesGetNoWindowAndEverythingElseStays)
{
    ConfigNode* quiet = m_tree.TopFolder("Program")
                            ->Child("Configuration")
                            ->Child("System")
                            ->Child("iQuietTestMessages");
    for (int on : {0, 1}) {
        quiet->SetInt(on);
        ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
        for (int i = 0; i < DefaultSettings().ChildCount(); ++i) {
            const ConfigNode& entry = *DefaultSettings().ChildAt(i);
            bool test = entry.Child("Type")->GetInt() == 10042;
            EXPECT_EQ(entry.Child("ShowAlarmWindow")->GetInt(), on == 1 && test ? 0 : 1)
                << entry.Child("Type")->GetInt();
        }
    }
}

TEST_F(DefaultAlarmSettingsRebuild, ReplacesWhateverTheListHeld)
{
    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    DefaultSettings().Child("00000003")->Child("Priority")->SetInt(0);
    DefaultSettings().Child("00000005")->Child("Title")->SetString("Eigener Titel");
    DefaultSettings().RemoveChild(DefaultSettings().Child("00000010"));
    DefaultSettings().ChildOrNewEntry("00000077")->Child("Type")->SetInt(10007);

    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    ASSERT_EQ(DefaultSettings().ChildCount(), 39);
    EXPECT_EQ(DefaultSettings().Child("00000077"), nullptr);
    EXPECT_EQ(DefaultSettings().Child("00000003")->Child("Priority")->GetInt(), 4);
    EXPECT_EQ(DefaultSettings().Child("00000005")->Child("Title")->GetString(), "Alarm!");
    EXPECT_EQ(DefaultSettings().Child("00000010")->Child("Type")->GetInt(), 10014);
}

TEST_F(DefaultAlarmSettingsRebuild, UsesTheLanguageInForceAtTheRebuild)
{
    ScopedTranslation translation({
        {"Spur ist voll", "Track full"},
        {"Alarm!", "Alert!"},
        {"Wardex-Alarm! Alarm: %s, Kavex Station: %s, Rekorder: %s",
         "Wardex alarm! Alarm: %s, Kavex station: %s, Recorder: %s"},
        {"Zeitpunkt-Eingang (Kavex Station): %s", "Arrival (Kavex station): %s"},
        {"Rekorder: %s", "Recorder: %s"},
        {"Zus\xC3\xA4tzl. Informationen: %s", "Additional information: %s"},
    });
    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    ConfigNode& first = *DefaultSettings().Child("00000000");
    EXPECT_EQ(first.Child("Message")->GetString(), "Track full");
    EXPECT_EQ(first.Child("Title")->GetString(), "Alert!");
    EXPECT_EQ(first.Child("mailFormatedSubject")->GetString(),
              "Wardex alarm! Alarm: ${AlarmType}, Kavex station: ${KavexStationArrivalTime}, "
              "Recorder: ${RecorderDepartTime}");
    EXPECT_EQ(first.Child("mailFormatedBody")->GetString(),
              "Arrival (Kavex station): ${KavexStationArrivalTime}\n"
              "Zeitpunkt-Versand (Rekorder): ${RecorderDepartTime}\n"
              "Recorder: ${RecorderName}\n"
              "Alarmtyp: ${AlarmType}\n"
              "Spur-ID: ${TrackID}\n"
              "Kamera-ID: ${CameraNumber}\n"
              "Additional information: ${AddInfo}\n");
    // Untranslated names stay German.
    EXPECT_EQ(DefaultSettings().Child("00000001")->Child("Message")->GetString(),
              "Plattenbelegung hat eingestellte Prozentmarke ueberschritten");
}

TEST_F(DefaultAlarmSettingsRebuild, ShippedEnglishTranslatesEveryTypeNameAndTheMailTexts)
{
    ASSERT_TRUE(Translator::Global().LoadLanguage(
        std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages" / "English.txt", ""))
        << Translator::Global().LastError();
    bool rebuilt = RebuildDefaultAlarmSettings(m_tree);
    std::vector<std::string> messages;
    for (int i = 0; i < DefaultSettings().ChildCount(); ++i)
        messages.push_back(DefaultSettings().ChildAt(i)->Child("Message")->GetString());
    std::string subject = DefaultSettings().ChildAt(0)->Child("mailFormatedSubject")->GetString();
    std::string body = DefaultSettings().ChildAt(0)->Child("mailFormatedBody")->GetString();
    Translator::Global().Clear();

    ASSERT_TRUE(rebuilt);
    ASSERT_EQ(messages.size(), 39u);
    for (size_t i = 0; i < messages.size(); ++i)
        EXPECT_NE(messages[i], ExpectedGermanName(kExpectedOrder[i])) << kExpectedOrder[i];
    EXPECT_NE(subject, kGermanSubject);
    for (std::string_view label :
         {"Zeitpunkt", "Rekorder", "Alarmtyp", "Spur-ID", "Kamera-ID", "Informationen"})
        EXPECT_EQ(body.find(label), std::string::npos) << label << " in " << body;
    for (std::string_view placeholder :
         {"${KavexStationArrivalTime}", "${RecorderDepartTime}", "${RecorderName}", "${AlarmType}",
          "${TrackID}", "${CameraNumber}", "${AddInfo}"})
        EXPECT_NE(body.find(placeholder), std::string::npos) << placeholder;
}

TEST_F(DefaultAlarmSettingsRebuild, MalformedTranslatedFormatNeverReadsMissingArguments)
{
    ScopedTranslation translation(
        {{"Wardex-Alarm! Alarm: %s, Kavex Station: %s, Rekorder: %s", "%d%% %n %s|%s|%s|%s %"}});
    ASSERT_TRUE(RebuildDefaultAlarmSettings(m_tree));
    EXPECT_EQ(DefaultSettings().ChildAt(0)->Child("mailFormatedSubject")->GetString(),
              "%d% %n ${AlarmType}|${KavexStationArrivalTime}|${RecorderDepartTime}| %");
}

TEST(DefaultAlarmSettingsRebuildWithoutList, FailsWithoutTouchingTheTree)
{
    ConfigTree empty;
    EXPECT_FALSE(RebuildDefaultAlarmSettings(empty));
    EXPECT_FALSE(RebuildFactoryColors(empty));
    EXPECT_FALSE(CompleteUserColors(empty));
    EXPECT_FALSE(RebuildAlarmDefaults(empty));

    ConfigTree plain;
    FakePrompt prompt;
    ASSERT_TRUE(plain.LoadDefaults("<FOLDER><NAME>\"Program\"</NAME>"
                                   "<FOLDER><NAME>\"DefaultAlarmSettings\"</NAME></FOLDER>"
                                   "</FOLDER>",
                                   prompt));
    EXPECT_FALSE(RebuildDefaultAlarmSettings(plain));
    EXPECT_EQ(plain.TopFolder("Program")->Child("DefaultAlarmSettings")->ChildCount(), 0);
    EXPECT_FALSE(RebuildAlarmDefaults(plain));
}

using FactoryColorsRebuild = DefaultTree;

TEST_F(FactoryColorsRebuild, CreatesTheFortyColorsInTableOrder)
{
    ASSERT_TRUE(RebuildFactoryColors(m_tree));
    ConfigNode& list = BarColors("DefaultFactoryColors");
    ASSERT_EQ(list.ChildCount(), 40);
    for (int i = 0; i < 40; ++i) {
        ConfigNode& entry = *list.ChildAt(i);
        EXPECT_EQ(entry.Name(), EntryName(i));
        EXPECT_EQ(entry.Child("iAlarmTypeCode")->GetInt(), kExpectedBarColors[i].code) << i;
        EXPECT_EQ(entry.Child("crStrBarkColor")->GetString(), kExpectedBarColors[i].text) << i;
    }
}

TEST_F(FactoryColorsRebuild, ReplacesChangedFactoryColors)
{
    ASSERT_TRUE(RebuildFactoryColors(m_tree));
    BarColors("DefaultFactoryColors")
        .Child("00000000")
        ->Child("crStrBarkColor")
        ->SetString("  1  2  3");
    BarColors("DefaultFactoryColors").NewEntry(0)->Child("iAlarmTypeCode")->SetInt(12345);

    ASSERT_TRUE(RebuildFactoryColors(m_tree));
    ConfigNode& list = BarColors("DefaultFactoryColors");
    EXPECT_EQ(list.ChildCount(), 40);
    EXPECT_EQ(list.Child("00000000")->Child("crStrBarkColor")->GetString(), "255      ");
    EXPECT_EQ(list.FindEntryByInt("iAlarmTypeCode", 12345), nullptr);
}

TEST_F(FactoryColorsRebuild, LeavesTheUserColorsAlone)
{
    ASSERT_TRUE(RebuildFactoryColors(m_tree));
    EXPECT_EQ(BarColors("Colors").ChildCount(), 0);
}

using UserColorsCompletion = DefaultTree;

TEST_F(UserColorsCompletion, FillsAnEmptyListWithTheFactoryColors)
{
    ASSERT_TRUE(CompleteUserColors(m_tree));
    ASSERT_EQ(BarColors("Colors").ChildCount(), 40);
    for (const ExpectedBarColor& color : kExpectedBarColors)
        EXPECT_EQ(UserColorOf(m_tree, color.code), color.text) << color.code;
}

TEST_F(UserColorsCompletion, KeepsUserColorsAndAddsOnlyMissingTypes)
{
    ConfigNode& list = BarColors("Colors");
    ConfigNode* own = list.NewEntry(0);
    own->Child("iAlarmTypeCode")->SetInt(10014);
    own->Child("crStrBarkColor")->SetString("  1  2  3");

    ASSERT_TRUE(CompleteUserColors(m_tree));
    EXPECT_EQ(list.ChildCount(), 40);
    EXPECT_EQ(UserColorOf(m_tree, 10014), "  1  2  3");
    EXPECT_EQ(UserColorOf(m_tree, 10000), "255      ");

    ASSERT_TRUE(CompleteUserColors(m_tree));
    EXPECT_EQ(list.ChildCount(), 40);
    for (const ExpectedBarColor& color : kExpectedBarColors) {
        EXPECT_NE(list.FindEntryByInt("iAlarmTypeCode", color.code), nullptr);
        EXPECT_EQ(list.FindNthEntryByInt("iAlarmTypeCode", color.code, 1), nullptr) << color.code;
    }
}

TEST_F(UserColorsCompletion, KeepsColorsOfTypesOutsideTheCatalogue)
{
    ConfigNode* own = BarColors("Colors").NewEntry(0);
    own->Child("iAlarmTypeCode")->SetInt(10037);
    own->Child("crStrBarkColor")->SetString("  9  9  9");
    ASSERT_TRUE(CompleteUserColors(m_tree));
    EXPECT_EQ(BarColors("Colors").ChildCount(), 41);
    EXPECT_EQ(UserColorOf(m_tree, 10037), "  9  9  9");
}

using AlarmDefaultsRestart = DefaultTree;

TEST_F(AlarmDefaultsRestart, RebuildingTwiceChangesNothing)
{
    ASSERT_TRUE(RebuildAlarmDefaults(m_tree));
    TempDir dir;
    ASSERT_EQ(m_tree.SaveImage(dir.File("first.bin")), 0);
    ASSERT_TRUE(RebuildAlarmDefaults(m_tree));
    ASSERT_EQ(m_tree.SaveImage(dir.File("second.bin")), 0);
    EXPECT_EQ(ReadFileBytes(dir.File("first.bin")), ReadFileBytes(dir.File("second.bin")));
    EXPECT_EQ(DefaultSettings().ChildCount(), 39);
    EXPECT_EQ(BarColors("DefaultFactoryColors").ChildCount(), 40);
    EXPECT_EQ(BarColors("Colors").ChildCount(), 40);
}

TEST_F(AlarmDefaultsRestart, SavedTreeKeepsUserColorsAndFillsMissingKeysFromTemplates)
{
    ASSERT_TRUE(RebuildAlarmDefaults(m_tree));
    // The user recolours one type, and one type has no colour of its own.
    BarColors("Colors")
        .FindEntryByInt("iAlarmTypeCode", 10005)
        ->Child("crStrBarkColor")
        ->SetString(" 10 20 30");
    BarColors("Colors").RemoveChild(BarColors("Colors").FindEntryByInt("iAlarmTypeCode", 10020));
    // Edits of the built-in defaults last only until the next start.
    DefaultSettings().Child("00000003")->Child("Priority")->SetInt(0);
    // A recorder with three alarm settings entries; the first was saved by a
    // version whose template lacked two keys.
    ConfigNode* recorder = m_tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
    recorder->Child("IP")->SetString("10.1.2.3");
    ConfigNode* settings = recorder->Child("AlarmSettings");
    for (int i = 0; i < 3; ++i) {
        ConfigNode* entry = settings->NewEntry(0);
        entry->Child("Type")->SetInt(10000 + i);
        entry->Child("Priority")->SetInt(i);
        entry->Child("TimeshiftMin")->SetInt(9);
    }
    ConfigNode* old = settings->Child("00000000");
    old->RemoveChild(old->Child("ShwAfterConfirm"));
    old->RemoveChild(old->Child("TimeshiftMin"));

    TempDir dir;
    ASSERT_EQ(m_tree.SaveImage(dir.File("programdata.bin")), 0);

    ConfigTree next;
    ASSERT_TRUE(LoadDefaults(next));
    ASSERT_TRUE(next.LoadImage(dir.File("programdata.bin")));
    ASSERT_TRUE(RebuildAlarmDefaults(next));

    EXPECT_EQ(UserColorOf(next, 10005), " 10 20 30");
    EXPECT_EQ(UserColorOf(next, 10020), "   255140");
    EXPECT_EQ(BarColorsOf(next, "Colors").ChildCount(), 40);
    EXPECT_EQ(BarColorsOf(next, "DefaultFactoryColors").ChildCount(), 40);
    EXPECT_EQ(DefaultSettingsOf(next).ChildCount(), 39);
    EXPECT_EQ(DefaultSettingsOf(next).Child("00000003")->Child("Priority")->GetInt(), 4);

    ConfigNode* restored = next.TopFolder("Program")->Child("RecorderList")->Child("00000000");
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->Child("IP")->GetString(), "10.1.2.3");
    ConfigNode* restoredSettings = restored->Child("AlarmSettings");
    ASSERT_EQ(restoredSettings->ChildCount(), 3);
    for (int i = 0; i < 3; ++i) {
        ConfigNode& entry = *restoredSettings->ChildAt(i);
        EXPECT_EQ(entry.Child("Type")->GetInt(), 10000 + i);
        EXPECT_EQ(entry.Child("Priority")->GetInt(), i);
        EXPECT_EQ(entry.ChildCount(), restoredSettings->Template()->ChildCount());
    }
    ConfigNode& first = *restoredSettings->Child("00000000");
    ASSERT_NE(first.Child("ShwAfterConfirm"), nullptr);
    EXPECT_EQ(first.Child("ShwAfterConfirm")->GetInt(), 0);
    EXPECT_EQ(first.Child("TimeshiftMin")->GetInt(), 5);
    EXPECT_EQ(restoredSettings->Child("00000001")->Child("TimeshiftMin")->GetInt(), 9);
}

TEST_F(AlarmDefaultsRestart, FirstStartWithoutImageGetsAllDefaults)
{
    ConfigTree fresh;
    ASSERT_TRUE(LoadDefaults(fresh));
    EXPECT_FALSE(fresh.LoadImage(
        (std::filesystem::temp_directory_path() / "wardex-no-such-dir" / "programdata.bin")
            .string()));
    ASSERT_TRUE(RebuildAlarmDefaults(fresh));
    EXPECT_EQ(DefaultSettingsOf(fresh).ChildCount(), 39);
    EXPECT_EQ(BarColorsOf(fresh, "DefaultFactoryColors").ChildCount(), 40);
    EXPECT_EQ(BarColorsOf(fresh, "Colors").ChildCount(), 40);
    EXPECT_EQ(fresh.TopFolder("Program")->Child("RecorderList")->ChildCount(), 0);
}

} // namespace
