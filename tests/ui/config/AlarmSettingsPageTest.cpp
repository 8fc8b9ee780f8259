// The alarm settings page as a widget on the offscreen platform: the tree
// with its colours and the remembered selection, the time shift fields while
// typing and when stored, the three store buttons, the camera grid with
// adding and deleting sub-alarms, the presets from the live-view program's
// list and the copy dialog.
#include "ConfigPagesFixture.h"
#include "events/AlarmTypeCatalogue.h"
#include "liveview-sim/LiveViewPeer.h"
#include "ui/alarms/AlarmScroller.h"
#include "ui/config/AlarmSettingsCopyDialog.h"
#include "ui/config/AlarmTextPreview.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr int kCameraContactItem = 5;

class AlarmSettingsPageTest : public ConfigPagesTest {
protected:
    void SetUp() override
    {
        recorder = AddRecorder(*tree, "Tor", "10.0.0.1");
        page =
            std::make_unique<CPropPageRecorderAlarmSettings>(*tree, *recorder, prompt, shm.Get());
        page->Enter("Tor");
        types = page->findChild<QTreeWidget*>("AlarmTypes");
        minutes = page->findChild<QLineEdit*>("TimeshiftMin");
        seconds = page->findChild<QLineEdit*>("TimeshiftSec");
        grid = page->findChild<QTableWidget*>("CameraGrid");
    }

    QLineEdit* Edit(const char* name) { return page->findChild<QLineEdit*>(name); }
    ConfigNode* Entry(int32_t type, int n = 0)
    {
        return recorder->Child("AlarmSettings")->FindNthEntryByInt("Type", type, n);
    }
    void ClickCell(int row, int column)
    {
        QTableWidgetItem* item = grid->item(row, column);
        ASSERT_NE(item, nullptr);
        emit grid->cellClicked(row, column);
    }
    void ShowCameraContactGrid()
    {
        types->setCurrentItem(types->topLevelItem(kCameraContactItem));
        Button(*page, "SubAlarms")->click();
        ASSERT_TRUE(page->findChild<QGroupBox*>("SubAlarmBox")->isVisibleTo(page.get()));
    }

    ConfigNode* recorder = nullptr;
    std::unique_ptr<CPropPageRecorderAlarmSettings> page;
    QTreeWidget* types = nullptr;
    QLineEdit* minutes = nullptr;
    QLineEdit* seconds = nullptr;
    QTableWidget* grid = nullptr;
};

} // namespace

TEST_F(AlarmSettingsPageTest, TreeShowsTheTypesWithPriorityColours)
{
    ASSERT_EQ(types->topLevelItemCount(), 39);
    EXPECT_EQ(types->topLevelItem(0)->text(0), "Spur ist voll");
    EXPECT_EQ(types->currentItem(), types->topLevelItem(0));
    // 10004 has priority 3 and its window on.
    EXPECT_EQ(types->topLevelItem(4)->background(0).color(), QColor(255, 255, 70));
    EXPECT_EQ(Edit("Message")->text(), "Spur ist voll");
    EXPECT_EQ(minutes->text(), "5");

    page->findChild<QCheckBox*>("ShowAlarmWindow")->setChecked(false);
    EXPECT_TRUE(page->findChild<QTabWidget*>("SettingsTabs")->isHidden());
    Button(*page, "Store")->click();
    EXPECT_EQ(types->topLevelItem(0)->background(0).color(), QColor(80, 80, 80));
    EXPECT_EQ(Entry(10000)->Child("ShowAlarmWindow")->GetInt(), 0);
}

TEST_F(AlarmSettingsPageTest, TheLastSelectedItemIsRememberedForTheNextOpening)
{
    types->setCurrentItem(types->topLevelItem(7));
    CPropPageRecorderAlarmSettings again(*tree, *recorder, prompt, shm.Get());
    again.Enter("Tor");
    auto* againTypes = again.findChild<QTreeWidget*>("AlarmTypes");
    EXPECT_EQ(againTypes->currentItem(), againTypes->topLevelItem(7));
}

TEST_F(AlarmSettingsPageTest, SeventyFiveSecondsAreRefusedAndTheStoredValueShown)
{
    Entry(10000)->Child("TimeshiftSec")->SetInt(20);
    CPropPageRecorderAlarmSettings fresh(*tree, *recorder, prompt, shm.Get());
    fresh.Enter("Tor");
    auto* field = fresh.findChild<QLineEdit*>("TimeshiftSec");
    ASSERT_EQ(field->text(), "20");
    field->clear();
    QTest::keyClicks(field, "75");
    EXPECT_EQ(field->text(), "20");
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Bitte geben Sie eine ganze Zahl zwischen 0 und 59 ein.");
    EXPECT_EQ(prompt.shown[0].caption, "Fehler!");
}

TEST_F(AlarmSettingsPageTest, AbcInTheMinutesIsTakenAsZero)
{
    minutes->clear();
    QTest::keyClicks(minutes, "abc");
    EXPECT_TRUE(prompt.shown.empty());
    Button(*page, "Store")->click();
    EXPECT_EQ(minutes->text(), "0");
    EXPECT_EQ(Entry(10000)->Child("TimeshiftMin")->GetInt(), 0);
}

TEST_F(AlarmSettingsPageTest, ARefusedValueKeepsTheItemAndFocusesTheField)
{
    seconds->setText("75"); // not typed: only the store sees it
    types->setCurrentItem(types->topLevelItem(3));
    EXPECT_EQ(types->currentItem(), types->topLevelItem(0));
    EXPECT_EQ(seconds->text(), "0");
    EXPECT_EQ(prompt.shown.back().text, "Bitte geben Sie eine ganze Zahl zwischen 0 und 59 ein.");
    EXPECT_EQ(page->findChild<QTabWidget*>("SettingsTabs")->currentWidget(),
              seconds->parentWidget());
    minutes->setText("60");
    EXPECT_FALSE(page->Leave());
    EXPECT_EQ(minutes->text(), "0");

    seconds->setText("30");
    types->setCurrentItem(types->topLevelItem(3));
    EXPECT_EQ(types->currentItem(), types->topLevelItem(3));
    EXPECT_EQ(Entry(10000)->Child("TimeshiftSec")->GetInt(), 30);
    EXPECT_TRUE(page->Leave());
}

TEST_F(AlarmSettingsPageTest, StoringForAllRecordersAsksAndSkipsRecordersWithoutTheType)
{
    ConfigNode* other = AddRecorder(*tree, "Lager", "10.0.0.2");
    ConfigNode* without = AddRecorder(*tree, "Hof", "10.0.0.3");
    without->Child("AlarmSettings")->RemoveChild(FirstOfType(*without, 10000));
    std::vector<uint8_t> before = ImageOf(*without);
    Edit("Title")->setText("Platte voll");
    prompt.SetNextAnswer(PromptAnswer::Ok);
    Button(*page, "StoreAll")->click();
    EXPECT_EQ(prompt.shown.back().buttons, PromptButtons::OkCancel);
    EXPECT_EQ(FirstOfType(*other, 10000)->Child("Title")->GetString(), "Platte voll");
    EXPECT_EQ(Entry(10000)->Child("Title")->GetString(), "Platte voll");
    EXPECT_EQ(ImageOf(*without), before);

    Edit("Title")->setText("Standard");
    Button(*page, "StoreDefault")->click();
    EXPECT_EQ(tree->TopFolder("Program")
                  ->Child("DefaultAlarmSettings")
                  ->FindEntryByInt("Type", 10000)
                  ->Child("Title")
                  ->GetString(),
              "Standard");
}

TEST_F(AlarmSettingsPageTest, SubAlarmsAreOfferedOnlyForSplitTypesWithTheSwitchOn)
{
    QPushButton* subAlarms = Button(*page, "SubAlarms");
    EXPECT_TRUE(subAlarms->isHidden());
    types->setCurrentItem(types->topLevelItem(kCameraContactItem));
    EXPECT_FALSE(subAlarms->isHidden());
    page->findChild<QCheckBox*>("ShowAlarmWindow")->setChecked(false);
    EXPECT_TRUE(subAlarms->isHidden());
}

TEST_F(AlarmSettingsPageTest, TheGridPutsEachCameraIntoOneRow)
{
    ShowCameraContactGrid();
    ASSERT_EQ(grid->columnCount(), 25);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Kameras");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "01");
    EXPECT_EQ(grid->horizontalHeaderItem(24)->text(), "24");
    EXPECT_EQ(grid->columnWidth(0), 55);
    EXPECT_EQ(grid->columnWidth(24), 24);
    ASSERT_EQ(grid->rowCount(), 1);
    ClickCell(0, 3); // only the main row: nothing happens
    EXPECT_EQ(grid->item(0, 3)->text(), "X");

    Edit("Title")->setText("Zaun");
    Button(*page, "AddSubAlarm")->click();
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(1, 0)->text(), "1");
    QTreeWidgetItem* parent = types->topLevelItem(kCameraContactItem);
    ASSERT_EQ(parent->childCount(), 1);
    EXPECT_EQ(parent->child(0)->text(0), "Kamerakontakt_1");
    EXPECT_FALSE(parent->icon(0).isNull());
    EXPECT_EQ(types->currentItem(), parent);
    EXPECT_EQ(Entry(10005, 1)->Child("Title")->GetString(), "Zaun");

    ClickCell(1, 3);
    EXPECT_EQ(grid->item(1, 3)->text(), "X");
    EXPECT_EQ(grid->item(0, 3)->text(), "");
    Button(*page, "SubAlarms")->click(); // leaving the grid writes it back
    EXPECT_EQ(Entry(10005, 1)->Child("SubDetail")->GetInt64(), 4);
    EXPECT_EQ(Entry(10005)->Child("SubDetail")->GetInt64(), 0xffffff & ~4);
}

TEST_F(AlarmSettingsPageTest, DeletingTheOnlySubAlarmGivesItsCamerasBack)
{
    ShowCameraContactGrid();
    Button(*page, "AddSubAlarm")->click();
    ClickCell(1, 3);
    ClickCell(1, 7);
    grid->selectRow(1);
    Button(*page, "DeleteSubAlarm")->click();
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 3)->text(), "X");
    EXPECT_EQ(Entry(10005)->Child("SubDetail")->GetInt64(), 0xffffff);
    EXPECT_EQ(Entry(10005, 1), nullptr);
    QTreeWidgetItem* parent = types->topLevelItem(kCameraContactItem);
    EXPECT_EQ(parent->childCount(), 0);
    EXPECT_TRUE(parent->icon(0).isNull());

    grid->selectRow(0);
    Button(*page, "DeleteSubAlarm")->click(); // the main row stays
    EXPECT_EQ(grid->rowCount(), 1);
}

TEST_F(AlarmSettingsPageTest, PresetsComeFromTheLiveViewProgramsRecorder)
{
    LiveViewPeer peer(shm.Get(), 1);
    ASSERT_TRUE(peer.PublishRecorderList({{"Lager", "10.0.0.2", {"Rampe"}, 0, 0},
                                          {"Tor", "10.0.0.1", {"Einfahrt", "Schranke"}, 0, 0}}));
    page->Enter("Tor");
    auto* presets = page->findChild<QComboBox*>("presetName");
    ASSERT_EQ(presets->count(), 2);
    EXPECT_EQ(presets->itemText(0), "Einfahrt");
    EXPECT_EQ(presets->itemText(1), "Schranke");
    page->Enter("Halle");
    EXPECT_EQ(presets->count(), 0);
}

TEST_F(AlarmSettingsPageTest, TheCopyDialogCopiesTheChosenGroups)
{
    Entry(10000)->Child("execprgPath")->SetString("/usr/bin/melden");
    WhenModal<AlarmSettingsCopyDialog>([](AlarmSettingsCopyDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Uebernehmen der Alarmeinstellungen");
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("CopyScroller")->isEnabled());
        dialog.findChild<QCheckBox*>("CopyProgram")->setChecked(true);
        dialog.findChild<QCheckBox*>("CopyAppearance")->setChecked(true);
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("CopyScroller")->isEnabled());
        EXPECT_EQ(dialog.Targets(), CopyTargets::ThisRecorder);
        dialog.accept();
    });
    Button(*page, "CopySettings")->click();
    EXPECT_EQ(Entry(10001)->Child("execprgPath")->GetString(), "");

    prompt.SetNextAnswer(PromptAnswer::Ok);
    WhenModal<AlarmSettingsCopyDialog>([](AlarmSettingsCopyDialog& dialog) {
        dialog.findChild<QCheckBox*>("CopyProgram")->setChecked(true);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        box->button(QDialogButtonBox::Ok)->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    Button(*page, "CopySettings")->click();
    EXPECT_EQ(prompt.shown.back().caption, "Frage");
    EXPECT_EQ(Entry(10001)->Child("execprgPath")->GetString(), "/usr/bin/melden");
}

TEST_F(AlarmSettingsPageTest, TestenWithoutAServerNamesTheMissingFields)
{
    Edit("mailFromAddress")->setText("zentrale@example.org");
    Edit("mailToAddress")->setText("wache@example.org");
    Button(*page, "TestMail")->click();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().caption, "Achtung");
    EXPECT_NE(prompt.shown.back().text.find("SMTP-Server"), std::string::npos);
}

TEST_F(AlarmSettingsPageTest, InsertMenusTypeThePlaceholderAtTheCursor)
{
    struct Case {
        const char* field;
        int entries;
    };
    for (Case c : {Case{"mailFormatedSubject", 11}, Case{"mailFormatedBody", 11},
                   Case{"execprgArgs", 13}, Case{"execprgWorkDir", 13}}) {
        auto* button = page->findChild<QToolButton*>(QString(c.field) + "Insert");
        ASSERT_NE(button, nullptr) << c.field;
        QList<QAction*> entries;
        for (QAction* action : button->menu()->actions())
            if (!action->isSeparator())
                entries << action;
        ASSERT_EQ(entries.size(), c.entries) << c.field;
        EXPECT_EQ(entries[0]->text(), "&Kavexstation Eingangszeit");
        EXPECT_EQ(entries[10]->text(), Q("&Zusaetzliche Informationen"));
        auto* line = Edit(c.field);
        auto* text = page->findChild<QPlainTextEdit*>(c.field);
        if (line != nullptr)
            line->setText("Alarm: ");
        else
            text->setPlainText("Alarm: ");
        if (text != nullptr)
            text->moveCursor(QTextCursor::End);
        entries[c.entries - 1]->trigger();
        QString expected = c.entries == 11 ? "Alarm: ${AddInfo}" : "Alarm: ${ExecProgrammDir}";
        EXPECT_EQ(line != nullptr ? line->text() : text->toPlainText(), expected) << c.field;
    }
}

TEST_F(AlarmSettingsPageTest, ThePreviewRunsTheTextsInThePriorityColour)
{
    page->show();
    page->findChild<QTabWidget*>("SettingsTabs")->setCurrentIndex(0);
    auto* preview = page->findChild<AlarmTextPreview*>("AlarmTextPreview");
    ASSERT_NE(preview, nullptr);
    page->findChild<QComboBox*>("Priority")->setCurrentIndex(0);
    RgbColor top = PriorityColor(0);
    EXPECT_EQ(preview->Band()->palette().color(QPalette::Window),
              QColor(top.red, top.green, top.blue));
    Edit("Title")->setText("Einbruch Tor");
    page->findChild<QCheckBox*>("ShwAlmTxtShort")->setChecked(true);
    auto* shortText = preview->findChild<QLabel*>("PreviewShortText");
    EXPECT_EQ(shortText->text(), "Einbruch Tor");
    EXPECT_TRUE(shortText->isVisible());
    page->findChild<QCheckBox*>("ShwScroller")->setChecked(true);
    EXPECT_TRUE(preview->Scroller()->isVisible());
    EXPECT_TRUE(preview->Scroller()->Text().contains("Tor"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->Scroller()->Offset() > 0; }));
    page->findChild<QCheckBox*>("ShwScroller")->setChecked(false);
    EXPECT_FALSE(preview->Scroller()->isVisible());
}
