// The alarm settings page's logic on a real tree: the tree of types and
// sub-alarms, loading and storing with the three scopes, the time shift
// checks, the camera grid with adding and deleting sub-alarms, the copy
// dialog's groups, and the form's reading and writing of an entry.
#include "station/AlarmSettingsEditor.h"

#include "RecorderTestTree.h"
#include "events/AlarmTypeCatalogue.h"
#include "station/AlarmSettingsCopy.h"
#include "station/AlarmSettingsForm.h"
#include "station/CameraGrid.h"

#include <climits>

#include <gtest/gtest.h>

namespace {

constexpr int32_t kCameraContact = 10005; // a type with sub-alarms
constexpr int kCameraContactItem = 5;     // its place in the catalogue order
constexpr uint32_t kAllCameras = 0xffffff;

class AlarmSettingsEditorTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeRecorderTree();
    FakePrompt prompt;
    ConfigNode* recorder = AddRecorder(*tree, "Tor", "10.0.0.1");
    AlarmSettingsEditor editor{*tree, *recorder, prompt};

    ConfigNode* Settings() { return recorder->Child("AlarmSettings"); }
    ConfigNode* Editor(std::string_view key)
    {
        return tree->TopFolder("Runtime")
            ->Child("GUI")
            ->Child("CPropPageRecorderAlarmSettings")
            ->Child(key);
    }
    ConfigNode* AddSub(ConfigNode& owner, int32_t type, std::string_view name, int64_t mask)
    {
        ConfigNode* list = owner.Child("AlarmSettings");
        ConfigNode* entry = list->NewEntry(list->ChildCount());
        entry->Child("Type")->SetInt(type);
        entry->Child("SubType")->SetInt(24);
        entry->Child("SubID")->SetInt(100 + list->ChildCount());
        entry->Child("SubName")->SetString(name);
        entry->Child("SubDetail")->SetInt64(mask);
        return entry;
    }
    // Opens on the camera contact type with its grid shown.
    AlarmSettingsForm OpenOnCameraContact()
    {
        Editor("iLastSelAlarmTypePos")->SetInt(kCameraContactItem);
        editor.Open();
        EXPECT_EQ(editor.Items()[editor.Selected()].type, kCameraContact);
        EXPECT_TRUE(editor.ShowGrid());
        return editor.LoadSelected();
    }
};

} // namespace

TEST_F(AlarmSettingsEditorTest, TreeListsTheTypesInCatalogueOrderWithSubAlarmsAsChildren)
{
    TranslationScope english({{"Kamerakontakt", "Camera contact"}});
    AddSub(*recorder, kCameraContact, "Kamerakontakt_2", 4);
    editor.Open();

    const auto& items = editor.Items();
    ASSERT_EQ(items.size(), CatalogueOrder().size() + 1);
    EXPECT_EQ(items[0].type, CatalogueOrder()[0]);
    EXPECT_EQ(items[0].label, "Spur ist voll");
    EXPECT_EQ(items[kCameraContactItem].label, "Camera contact");
    EXPECT_TRUE(items[kCameraContactItem].hasChildren);
    const AlarmTreeItem& child = items[kCameraContactItem + 1];
    EXPECT_EQ(child.parent, kCameraContactItem);
    EXPECT_EQ(child.ordinal, 1);
    EXPECT_EQ(child.label, "Camera contact_2");
    EXPECT_FALSE(items[0].hasChildren);
    EXPECT_EQ(items.back().type, CatalogueOrder().back());
}

TEST_F(AlarmSettingsEditorTest, ItemColoursFollowPriorityAndTheMasterSwitch)
{
    FirstOfType(*recorder, 10000)->Child("Priority")->SetInt(0);
    FirstOfType(*recorder, 10001)->Child("ShowAlarmWindow")->SetInt(0);
    FirstOfType(*recorder, 10002)->Child("Priority")->SetInt(-1);
    FirstOfType(*recorder, 10003)->Child("Priority")->SetInt(7);
    editor.Open();
    EXPECT_EQ(editor.Items()[0].color, (RgbColor{255, 0, 0}));
    EXPECT_EQ(editor.Items()[1].color, (RgbColor{80, 80, 80}));
    EXPECT_EQ(editor.Items()[2].color, std::nullopt);
    EXPECT_EQ(editor.Items()[3].color, (RgbColor{0, 0, 0}));
    EXPECT_EQ(editor.Items()[4].color, PriorityColor(3));
}

TEST_F(AlarmSettingsEditorTest, OpensOnTheRememberedItemOrTheFirst)
{
    Editor("iLastSelAlarmTypePos")->SetInt(4);
    editor.Open();
    EXPECT_EQ(editor.Selected(), 4);
    Editor("iLastSelAlarmTypePos")->SetInt(99);
    editor.Open();
    EXPECT_EQ(editor.Selected(), 0);
    Editor("iLastSelAlarmTypePos")->SetInt(-3);
    editor.Open();
    EXPECT_EQ(editor.Selected(), 0);
}

TEST_F(AlarmSettingsEditorTest, SelectingStoresTheShownValuesIntoThePreviousEntry)
{
    editor.Open();
    AlarmSettingsForm shown = editor.LoadSelected();
    EXPECT_EQ(shown.message, "Spur ist voll");
    shown.title = "Platte voll";
    shown.showAlarmWindow = false;
    ASSERT_TRUE(editor.Select(2, shown));
    EXPECT_EQ(FirstOfType(*recorder, 10000)->Child("Title")->GetString(), "Platte voll");
    EXPECT_EQ(FirstOfType(*recorder, 10000)->Child("ShowAlarmWindow")->GetInt(), 0);
    EXPECT_EQ(editor.Selected(), 2);
    EXPECT_EQ(Editor("iLastSelAlarmTypePos")->GetInt(), 2);
    EXPECT_EQ(editor.LoadSelected().message, AlarmTypeName(10002, NameTranslation::German));
    EXPECT_EQ(editor.Items()[0].color, (RgbColor{80, 80, 80}));
}

TEST_F(AlarmSettingsEditorTest, ARefusedTimeshiftKeepsTheSelectionAndStoresNothing)
{
    editor.Open();
    std::vector<uint8_t> before = ImageOf(*Settings());
    AlarmSettingsForm shown = editor.LoadSelected();
    shown.title = "neu";
    shown.timeshiftSec = "75";
    EXPECT_FALSE(editor.Select(3, shown));
    EXPECT_EQ(editor.Selected(), 0);
    EXPECT_EQ(editor.RefusedField(), TimeshiftField::Seconds);
    EXPECT_EQ(shown.timeshiftSec, "0");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Bitte geben Sie eine ganze Zahl zwischen 0 und 59 ein.");
    EXPECT_EQ(prompt.shown[0].caption, "Fehler!");
    EXPECT_EQ(ImageOf(*Settings()), before);

    shown.timeshiftMin = "-1";
    EXPECT_EQ(editor.Store(StoreScope::Entry, shown), StoreResult::FieldRefused);
    EXPECT_EQ(editor.RefusedField(), TimeshiftField::Minutes);
    EXPECT_EQ(shown.timeshiftMin, "0");
    EXPECT_EQ(ImageOf(*Settings()), before);
}

TEST_F(AlarmSettingsEditorTest, TextInTheMinutesFieldCountsAsZero)
{
    editor.Open();
    AlarmSettingsForm shown = editor.LoadSelected();
    EXPECT_EQ(shown.timeshiftMin, "5");
    shown.timeshiftMin = "abc";
    shown.timeshiftSec = "12 s";
    EXPECT_EQ(editor.Store(StoreScope::Entry, shown), StoreResult::Stored);
    EXPECT_EQ(shown.timeshiftMin, "0");
    EXPECT_EQ(shown.timeshiftSec, "12");
    EXPECT_EQ(FirstOfType(*recorder, 10000)->Child("TimeshiftMin")->GetInt(), 0);
    EXPECT_EQ(FirstOfType(*recorder, 10000)->Child("TimeshiftSec")->GetInt(), 12);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(AlarmSettingsEditorTest, TypingSeventyFiveSecondsPutsTheStoredValueBack)
{
    FirstOfType(*recorder, 10000)->Child("TimeshiftSec")->SetInt(17);
    FirstOfType(*recorder, 10000)->Child("TimeshiftMin")->SetInt(3);
    editor.Open();
    EXPECT_EQ(editor.CheckTimeshiftChange(TimeshiftField::Seconds, "75"), "17");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Bitte geben Sie eine ganze Zahl zwischen 0 und 59 ein.");
    EXPECT_EQ(prompt.shown[0].caption, "Fehler!");
    EXPECT_EQ(editor.CheckTimeshiftChange(TimeshiftField::Minutes, "-2"), "3");
    EXPECT_EQ(editor.CheckTimeshiftChange(TimeshiftField::Minutes, "59"), std::nullopt);
    EXPECT_EQ(editor.CheckTimeshiftChange(TimeshiftField::Minutes, "abc"), std::nullopt);
    EXPECT_EQ(editor.CheckTimeshiftChange(TimeshiftField::Seconds, ""), std::nullopt);
    EXPECT_EQ(prompt.shown.size(), 2u);
}

TEST_F(AlarmSettingsEditorTest, ScopeOneLeavesARecorderWithoutTheTypeUnchanged)
{
    ConfigNode* second = AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* third = AddRecorder(*tree, "Hof", "10.0.0.3");
    ConfigNode* thirdList = third->Child("AlarmSettings");
    thirdList->RemoveChild(thirdList->FindEntryByInt("Type", 10000));
    AddSub(*second, 10000, "Spur ist voll_1", 0); // only the first entry counts
    std::vector<uint8_t> thirdBefore = ImageOf(*third);

    editor.Open();
    AlarmSettingsForm shown = editor.LoadSelected();
    shown.priority = 0;
    shown.mailToAddress = "wache@example.org";

    prompt.SetNextAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(editor.Store(StoreScope::AllRecorders, shown), StoreResult::Cancelled);
    EXPECT_EQ(prompt.shown.back().text,
              "Sollen diese Einstellungen fuer alle momentan eingetragenen Rekorder verwendet "
              "werden?");
    EXPECT_EQ(prompt.shown.back().buttons, PromptButtons::OkCancel);
    EXPECT_EQ(FirstOfType(*recorder, 10000)->Child("Priority")->GetInt(), 1);

    EXPECT_EQ(editor.Store(StoreScope::AllRecorders, shown), StoreResult::Stored);
    for (ConfigNode* r : {recorder, second}) {
        EXPECT_EQ(FirstOfType(*r, 10000)->Child("Priority")->GetInt(), 0);
        EXPECT_EQ(FirstOfType(*r, 10000)->Child("mailToAddress")->GetString(), "wache@example.org");
    }
    ConfigNode* sub = second->Child("AlarmSettings")->FindNthEntryByInt("Type", 10000, 1);
    EXPECT_EQ(sub->Child("Priority")->GetInt(), 1);
    EXPECT_EQ(ImageOf(*third), thirdBefore);
    ConfigNode* defaults = tree->TopFolder("Program")->Child("DefaultAlarmSettings");
    EXPECT_EQ(defaults->FindEntryByInt("Type", 10000)->Child("Priority")->GetInt(), 1);
}

TEST_F(AlarmSettingsEditorTest, ScopeTwoWritesTheDefaultsForNewRecorders)
{
    Editor("iLastSelAlarmTypePos")->SetInt(1);
    editor.Open();
    AlarmSettingsForm shown = editor.LoadSelected();
    shown.phrase = "Rundgang";
    EXPECT_EQ(editor.Store(StoreScope::Defaults, shown), StoreResult::Stored);
    EXPECT_EQ(prompt.shown.back().text,
              "Sollen diese Default-Einstellungen fuer alle neuen Rekorder verwendet werden?");
    ConfigNode* defaults = tree->TopFolder("Program")->Child("DefaultAlarmSettings");
    EXPECT_EQ(defaults->FindEntryByInt("Type", 10001)->Child("Phrase")->GetString(), "Rundgang");
    EXPECT_EQ(FirstOfType(*recorder, 10001)->Child("Phrase")->GetString(), "");
    EXPECT_EQ(
        FirstOfType(*AddRecorder(*tree, "Neu", "10.0.0.9"), 10001)->Child("Phrase")->GetString(),
        "Rundgang");
}

TEST_F(AlarmSettingsEditorTest, SubAlarmsAreOfferedForMainEntriesOfSplitTypesOnly)
{
    AddSub(*recorder, kCameraContact, "Kamerakontakt_1", 0);
    editor.Open();
    EXPECT_FALSE(editor.OffersSubAlarms(true)); // 10000 cannot be split
    AlarmSettingsForm shown = editor.LoadSelected();
    ASSERT_TRUE(editor.Select(kCameraContactItem, shown));
    EXPECT_TRUE(editor.OffersSubAlarms(true));
    EXPECT_FALSE(editor.OffersSubAlarms(false));
    shown = editor.LoadSelected();
    ASSERT_TRUE(editor.Select(kCameraContactItem + 1, shown));
    EXPECT_FALSE(editor.OffersSubAlarms(true));
    EXPECT_FALSE(editor.ShowGrid());
}

TEST_F(AlarmSettingsEditorTest, AddingASubAlarmCopiesTheShownValues)
{
    AlarmSettingsForm shown = OpenOnCameraContact();
    ASSERT_EQ(editor.Grid().RowCount(), 1);
    EXPECT_EQ(editor.Grid().Label(0), "0");
    int before = Settings()->ChildCount();
    shown.title = "Zaun";
    shown.timeshiftSec = "30";

    EXPECT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    ASSERT_EQ(Settings()->ChildCount(), before + 1);
    ConfigNode* sub = Settings()->FindNthEntryByInt("Type", kCameraContact, 1);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->Child("SubName")->GetString(), "Kamerakontakt_1");
    EXPECT_EQ(sub->Child("SubID")->GetInt(), 41);
    EXPECT_EQ(sub->Child("SubType")->GetInt(), 24);
    EXPECT_EQ(sub->Child("SubDetail")->GetInt64(), 0);
    EXPECT_EQ(sub->Child("Title")->GetString(), "Zaun");
    EXPECT_EQ(sub->Child("TimeshiftSec")->GetInt(), 30);
    EXPECT_EQ(Editor("iNextIDForSubID")->GetInt(), 42);
    // The main entry keeps its values until it is stored.
    EXPECT_EQ(FirstOfType(*recorder, kCameraContact)->Child("Title")->GetString(), "Alarm!");

    EXPECT_EQ(editor.Selected(), kCameraContactItem);
    EXPECT_TRUE(editor.Items()[kCameraContactItem].hasChildren);
    EXPECT_EQ(editor.Items()[kCameraContactItem + 1].label, "Kamerakontakt_1");
    ASSERT_EQ(editor.Grid().RowCount(), 2);
    EXPECT_EQ(editor.Grid().Label(1), "1");

    EXPECT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    EXPECT_EQ(
        Settings()->FindNthEntryByInt("Type", kCameraContact, 2)->Child("SubName")->GetString(),
        "Kamerakontakt_2");
}

TEST_F(AlarmSettingsEditorTest, NewSubAlarmNumbersFollowTheHighestInUse)
{
    AddSub(*recorder, kCameraContact, "Kamerakontakt_3", 0);
    AddSub(*recorder, kCameraContact, "Kamerakontakt_1", 0);
    AlarmSettingsForm shown = OpenOnCameraContact();
    EXPECT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    EXPECT_EQ(
        Settings()->FindNthEntryByInt("Type", kCameraContact, 3)->Child("SubName")->GetString(),
        "Kamerakontakt_4");
}

TEST_F(AlarmSettingsEditorTest, EachCameraEndsUpInExactlyOneEntry)
{
    AlarmSettingsForm shown = OpenOnCameraContact();
    ASSERT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    ASSERT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    EXPECT_TRUE(editor.ClickGrid(1, 3));
    EXPECT_TRUE(editor.ClickGrid(2, 3)); // moves on to row 2
    EXPECT_TRUE(editor.ClickGrid(1, 24));
    EXPECT_FALSE(editor.ClickGrid(0, 5));
    EXPECT_FALSE(editor.ClickGrid(1, 0));
    editor.HideGrid();
    EXPECT_FALSE(editor.GridShown());

    auto mask = [this](int n) {
        return Settings()
            ->FindNthEntryByInt("Type", kCameraContact, n)
            ->Child("SubDetail")
            ->GetInt64();
    };
    EXPECT_EQ(mask(0), kAllCameras & ~(1u << 2) & ~(1u << 23));
    EXPECT_EQ(mask(1), 1 << 23);
    EXPECT_EQ(mask(2), 1 << 2);
}

TEST_F(AlarmSettingsEditorTest, StoringAndSelectingWriteTheGridBack)
{
    AlarmSettingsForm shown = OpenOnCameraContact();
    ASSERT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    editor.ClickGrid(1, 1);
    EXPECT_EQ(editor.Store(StoreScope::Entry, shown), StoreResult::Stored);
    ConfigNode* sub = Settings()->FindNthEntryByInt("Type", kCameraContact, 1);
    EXPECT_EQ(sub->Child("SubDetail")->GetInt64(), 1);
    EXPECT_TRUE(editor.GridShown());

    editor.ClickGrid(1, 2);
    ASSERT_TRUE(editor.Select(0, shown));
    EXPECT_EQ(sub->Child("SubDetail")->GetInt64(), 3);
    EXPECT_FALSE(editor.GridShown());
}

TEST_F(AlarmSettingsEditorTest, AGridWithOnlyTheMainRowAcceptsNoClicks)
{
    OpenOnCameraContact();
    for (int column = 0; column <= CameraGrid::kCameras + 1; ++column)
        EXPECT_FALSE(editor.ClickGrid(0, column));
    EXPECT_EQ(editor.Grid().Mask(0), kAllCameras);
}

TEST_F(AlarmSettingsEditorTest, DeletingTheOnlySubAlarmReturnsItsCamerasToTheMainEntry)
{
    AlarmSettingsForm shown = OpenOnCameraContact();
    int before = Settings()->ChildCount();
    ASSERT_EQ(editor.AddSubAlarm(shown), StoreResult::Stored);
    editor.ClickGrid(1, 3);
    editor.ClickGrid(1, 5);
    EXPECT_FALSE(editor.Grid().IsMarked(0, 3));

    EXPECT_FALSE(editor.DeleteSubAlarm(0));
    EXPECT_TRUE(editor.DeleteSubAlarm(1));
    EXPECT_EQ(Settings()->ChildCount(), before);
    EXPECT_EQ(FirstOfType(*recorder, kCameraContact)->Child("SubDetail")->GetInt64(), kAllCameras);
    EXPECT_FALSE(editor.Items()[kCameraContactItem].hasChildren);
    EXPECT_EQ(editor.Items().size(), CatalogueOrder().size());
    EXPECT_EQ(editor.Selected(), kCameraContactItem);
    ASSERT_EQ(editor.Grid().RowCount(), 1);
    EXPECT_TRUE(editor.Grid().IsMarked(0, 3));
}

TEST_F(AlarmSettingsEditorTest, AStaleItemIsSkippedSilently)
{
    Editor("iLastSelAlarmTypePos")->SetInt(2);
    editor.Open();
    Settings()->RemoveChild(FirstOfType(*recorder, 10002));
    AlarmSettingsForm shown = editor.LoadSelected();
    EXPECT_EQ(shown, AlarmSettingsForm{});
    EXPECT_EQ(editor.Store(StoreScope::Entry, shown), StoreResult::NoEntry);
    EXPECT_TRUE(editor.Select(3, shown));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(AlarmSettingsEditorTest, CopyDialogCopiesTheChosenGroupsToThisRecorder)
{
    ConfigNode* other = AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* source = FirstOfType(*recorder, 10000);
    source->Child("execprgPath")->SetString("/usr/bin/melden");
    source->Child("Priority")->SetInt(0);
    source->Child("Message")->SetString("Voll");
    source->Child("ShwScroller")->SetInt(0);
    source->Child("Title")->SetString("Titel");
    source->Child("TimeshiftSec")->SetInt(9);
    std::vector<uint8_t> otherBefore = ImageOf(*other);

    AlarmSettingGroups groups;
    groups.program = true;
    groups.scroller = true; // without appearance it does nothing
    prompt.SetNextAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(CopyAlarmSettingGroups(*tree, prompt, *recorder, *source, groups,
                                     CopyTargets::ThisRecorder),
              std::nullopt);
    EXPECT_EQ(prompt.shown.back().caption, "Frage");
    EXPECT_EQ(prompt.shown.back().text, "Sollen die ausgewaehlten Alarmeinstellungen wirklich "
                                        "fuer jeden Alarm dieses Rekorders uebernommen werden?");
    EXPECT_EQ(FirstOfType(*recorder, 10001)->Child("execprgPath")->GetString(), "");

    EXPECT_EQ(CopyAlarmSettingGroups(*tree, prompt, *recorder, *source, groups,
                                     CopyTargets::ThisRecorder),
              Settings()->ChildCount() - 1);
    ConfigNode* target = FirstOfType(*recorder, 10042);
    EXPECT_EQ(target->Child("execprgPath")->GetString(), "/usr/bin/melden");
    EXPECT_EQ(target->Child("ShwScroller")->GetInt(), 1);
    EXPECT_EQ(target->Child("Priority")->GetInt(), 1);
    EXPECT_EQ(ImageOf(*other), otherBefore);

    groups = {};
    groups.appearance = true;
    groups.message = true;
    groups.scroller = true;
    groups.confirmation = true;
    groups.liveView = true;
    EXPECT_TRUE(
        CopyAlarmSettingGroups(*tree, prompt, *recorder, *source, groups, CopyTargets::ThisRecorder)
            .has_value());
    EXPECT_EQ(target->Child("Message")->GetString(), "Voll");
    EXPECT_EQ(target->Child("ShwScroller")->GetInt(), 0);
    EXPECT_EQ(target->Child("ShwAlmTxtShort")->GetInt(), 1);
    EXPECT_EQ(target->Child("Priority")->GetInt(), 0);
    EXPECT_EQ(target->Child("TimeshiftSec")->GetInt(), 9);
    EXPECT_EQ(target->Child("Title")->GetString(), "Alarm!");
    EXPECT_EQ(source->Child("Title")->GetString(), "Titel");
}

TEST_F(AlarmSettingsEditorTest, CopyDialogReachesEveryRecorder)
{
    ConfigNode* other = AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* source = FirstOfType(*recorder, 10000);
    source->Child("mailToAddress")->SetString("wache@example.org");
    source->Child("ShowAlarmWindow")->SetInt(0);
    AlarmSettingGroups groups;
    groups.mail = true;
    groups.masterSwitch = true;
    EXPECT_EQ(CopyAlarmSettingGroups(*tree, prompt, *recorder, *source, groups,
                                     CopyTargets::AllRecorders),
              Settings()->ChildCount() * 2 - 1);
    EXPECT_EQ(prompt.shown.back().text, "Sollen die ausgewaehlten Alarmeinstellungen wirklich "
                                        "fuer jeden Alarm und jeden Rekorder uebernommen werden?");
    for (ConfigNode* r : {recorder, other}) {
        ConfigNode* list = r->Child("AlarmSettings");
        for (int i = 0; i < list->ChildCount(); ++i) {
            EXPECT_EQ(list->ChildAt(i)->Child("mailToAddress")->GetString(), "wache@example.org");
            EXPECT_EQ(list->ChildAt(i)->Child("ShowAlarmWindow")->GetInt(), 0);
        }
    }
}

TEST(AlarmSettingsForm, LeadingWholeNumbers)
{
    EXPECT_EQ(LeadingWholeNumber("abc"), 0);
    EXPECT_EQ(LeadingWholeNumber(""), 0);
    EXPECT_EQ(LeadingWholeNumber("12x"), 12);
    EXPECT_EQ(LeadingWholeNumber("  7"), 7);
    EXPECT_EQ(LeadingWholeNumber("+3"), 3);
    EXPECT_EQ(LeadingWholeNumber("-5"), -5);
    EXPECT_EQ(LeadingWholeNumber("- 5"), 0);
    EXPECT_EQ(LeadingWholeNumber("99999999999999999999"), INT_MAX);
    EXPECT_EQ(LeadingWholeNumber("-99999999999999999999"), INT_MIN);
}

TEST(AlarmSettingsForm, WritesAndReadsEveryKeyOfTheTabs)
{
    std::unique_ptr<ConfigTree> tree = MakeRecorderTree();
    ConfigNode* entry = FirstOfType(*AddRecorder(*tree, "Tor", "10.0.0.1"), 10000);
    AlarmSettingsForm form;
    form.showAlarmWindow = true;
    form.showMessage = true;
    form.message = "m";
    form.showShortText = true;
    form.showScroller = true;
    form.title = "t";
    form.requireComment = true;
    form.requirePhrase = true;
    form.phrase = "p";
    form.priority = 4;
    form.showLivePicture = true;
    form.showTrack = true;
    form.trackKind = 1;
    form.trackName = "Spur1";
    form.doTimeshift = true;
    form.doContext = true;
    form.doAuto = true;
    form.timeshiftMin = "7";
    form.timeshiftSec = "8";
    form.presetDoLoad = true;
    form.presetName = "Tor";
    form.mailDoSendMail = true;
    form.mailFromAddress = "a@b";
    form.mailToAddress = "c@d";
    form.mailSubject = "s";
    form.mailBody = "b";
    form.programPath = "/bin/x";
    form.programArgs = "-a";
    form.programWorkDir = "/tmp";
    form.programOnce = true;
    WriteAlarmSettingsForm(form, *entry);
    EXPECT_EQ(ReadAlarmSettingsForm(*entry), form);
    EXPECT_EQ(entry->Child("ShwTrackKind")->GetInt(), 1);
    EXPECT_EQ(entry->Child("execprgOnce")->GetInt(), 1);

    // Only exactly 1 counts as ticked.
    entry->Child("ShwScroller")->SetInt(2);
    EXPECT_FALSE(ReadAlarmSettingsForm(*entry).showScroller);
}

TEST(CameraGrid, RowsShowTheStoredMasksAndLabels)
{
    std::unique_ptr<ConfigTree> tree = MakeRecorderTree();
    ConfigNode* list = AddRecorder(*tree, "Tor", "10.0.0.1")->Child("AlarmSettings");
    ConfigNode* sub = list->NewEntry(list->ChildCount());
    sub->Child("Type")->SetInt(kCameraContact);
    sub->Child("SubName")->SetString("Kamerakontakt_12");
    sub->Child("SubDetail")->SetInt64(int64_t{1} << 40 | 6);
    CameraGrid grid;
    grid.Load(*list, kCameraContact);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Label(1), "12");
    EXPECT_EQ(grid.Mask(0), kAllCameras); // -1 shows every camera
    EXPECT_EQ(grid.Mask(1), 6u);          // bits above camera 24 are not shown
    EXPECT_TRUE(grid.IsMarked(1, 2));
    EXPECT_FALSE(grid.IsMarked(1, 1));
    EXPECT_FALSE(grid.IsMarked(1, 25));
    EXPECT_FALSE(grid.IsMarked(5, 2));

    EXPECT_TRUE(grid.Click(1, 2)); // marked: back to the main row
    EXPECT_EQ(grid.Mask(1), 4u);
    grid.MoveCamerasToMain(1);
    EXPECT_EQ(grid.Mask(1), 0u);
    grid.WriteBack(*list);
    EXPECT_EQ(sub->Child("SubDetail")->GetInt64(), 0);
    EXPECT_EQ(list->FindEntryByInt("Type", kCameraContact)->Child("SubDetail")->GetInt64(),
              kAllCameras);
}
