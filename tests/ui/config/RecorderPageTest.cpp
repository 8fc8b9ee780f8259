// The recorder page and the recorder sheet as widgets on the offscreen
// platform: the virtual list and its buttons, the new-recorder wizard, the
// edit sheet with its cancel, deleting, importing from the live-view
// program's list and the configuration sheet's pages by right.
#include "ConfigPagesFixture.h"
#include "liveview-sim/LiveViewPeer.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/CPropPageRecorderAddress.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/CPropSheetRecorder.h"
#include "ui/config/ConfigurationSheet.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>

namespace {

class RecorderPageWidgetTest : public ConfigPagesTest {
protected:
    void SetUp() override
    {
        AddRecorder(*tree, "Tor", "10.0.0.1")->Child("iSignalState")->SetInt(1);
        AddRecorder(*tree, "Lager", "10.0.0.2")->Child("iSignalState")->SetInt(-1);
        page = std::make_unique<CPropPageRecorder>(*tree, prompt, options);
        tester = std::make_unique<QAbstractItemModelTester>(
            &page->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    bool RowButtonsEnabled()
    {
        bool del = Button(*page, "Delete")->isEnabled();
        bool edit = Button(*page, "Edit")->isEnabled();
        bool copy = Button(*page, "Copy")->isEnabled();
        EXPECT_EQ(del, edit);
        EXPECT_EQ(edit, copy);
        return edit;
    }

    static void Type(QWidget& root, const char* name, const QString& text)
    {
        auto* edit = root.findChild<QLineEdit*>(name);
        ASSERT_NE(edit, nullptr) << name;
        edit->setText(text);
    }

    std::unique_ptr<CPropPageRecorder> page;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(RecorderPageWidgetTest, ListShowsNamesAddressesAndSignalIcons)
{
    RecorderListModel& model = page->Model();
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "IP-Adresse");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Verbindungstyp");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "Meldezeit");
    EXPECT_EQ(model.index(1, 0).data().toString(), "Lager");
    EXPECT_EQ(model.index(1, 1).data().toString(), "10.0.0.2");
    EXPECT_EQ(model.index(1, 2).data().toString(), "Standard");
    EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.index(0, 1).data(Qt::DecorationRole).isValid());
    Recorders(*tree)->ChildAt(0)->Child("iSignalState")->SetInt(0);
    EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).isValid());
}

TEST_F(RecorderPageWidgetTest, RowButtonsFollowTheSelection)
{
    EXPECT_FALSE(RowButtonsEnabled());
    page->SelectRow(1);
    EXPECT_EQ(page->SelectedRow(), 1);
    EXPECT_TRUE(RowButtonsEnabled());
    page->List()->clearSelection();
    EXPECT_FALSE(RowButtonsEnabled());
    EXPECT_TRUE(Button(*page, "New")->isEnabled());
    EXPECT_TRUE(Button(*page, "Import")->isEnabled());
}

TEST_F(RecorderPageWidgetTest, AnEmptyListDisablesTheRowButtons)
{
    page->SelectRow(0);
    Button(*page, "Delete")->click();
    page->SelectRow(0);
    Button(*page, "Delete")->click();
    EXPECT_EQ(page->Model().rowCount(), 0);
    EXPECT_FALSE(RowButtonsEnabled());
}

TEST_F(RecorderPageWidgetTest, ColumnWidthsComeFromTheTreeAndGoBack)
{
    ConfigNode* widths =
        tree->TopFolder("Runtime")->Child("GUI")->Child("PropPageRecorder")->Child("ColumnWidths");
    widths->Child("ColHeadName")->SetInt(140);
    CPropPageRecorder again(*tree, prompt, options);
    QHeaderView* header = again.List()->header();
    EXPECT_EQ(header->sectionSize(0), 140);
    EXPECT_EQ(header->sectionSize(1), 100);
    // Width 0 shows the connection type as wide as its header.
    EXPECT_FALSE(header->isSectionHidden(2));
    EXPECT_GE(header->sectionSize(2), header->sectionSizeHint(2));
    header->resizeSection(1, 170);
    again.Leave();
    EXPECT_EQ(widths->Child("ColHeadName")->GetInt(), 140);
    EXPECT_EQ(widths->Child("ColHeadIP")->GetInt(), 170);
    EXPECT_EQ(widths->Child("ColHeadConnectionType")->GetInt(), header->sectionSize(2));
}

TEST_F(RecorderPageWidgetTest, TheWizardAddsARecorder)
{
    bool nextEnabledEmpty = true;
    int pageAfterNext = -1;
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Neuer Rekorder");
        // Two fields take a small window; the alarm settings a large one.
        QSize addressSize = sheet.size();
        EXPECT_LT(addressSize.height(), 400);
        EXPECT_EQ(Button(sheet, "Back")->text(), Q("< &Zurück"));
        EXPECT_EQ(Button(sheet, "Next")->text(), "&Weiter >");
        EXPECT_FALSE(Button(sheet, "Back")->isEnabled());
        nextEnabledEmpty = Button(sheet, "Next")->isEnabled();
        Type(sheet, "RecorderIP", " 10.0.0.3 ");
        EXPECT_FALSE(Button(sheet, "Next")->isEnabled());
        Type(sheet, "RecorderName", "Hof");
        EXPECT_TRUE(Button(sheet, "Next")->isEnabled());
        Button(sheet, "Next")->click();
        pageAfterNext = sheet.CurrentPage();
        EXPECT_GE(sheet.width(), CPropSheetRecorder::kFullWidth);
        EXPECT_GE(sheet.height(), CPropSheetRecorder::kFullHeight);
        EXPECT_TRUE(Button(sheet, "Back")->isEnabled());
        EXPECT_EQ(Button(sheet, "Finish")->text(), "Fertig stellen");
        Button(sheet, "Finish")->click();
    });
    Button(*page, "New")->click();

    EXPECT_FALSE(nextEnabledEmpty);
    EXPECT_EQ(pageAfterNext, CPropSheetRecorder::kAlarmSettingsPage);
    ASSERT_EQ(page->Model().rowCount(), 3);
    EXPECT_EQ(page->Model().index(2, 0).data().toString(), "Hof");
    EXPECT_EQ(page->Model().index(2, 1).data().toString(), "10.0.0.3");
    EXPECT_EQ(page->SelectedRow(), 2);
    EXPECT_TRUE(RowButtonsEnabled());
    ConfigNode* entry = Recorders(*tree)->ChildAt(2);
    EXPECT_EQ(entry->Child("AlarmSettings")->ChildCount(),
              tree->TopFolder("Program")->Child("DefaultAlarmSettings")->ChildCount());
}

TEST_F(RecorderPageWidgetTest, TheWizardStaysOnAnAddressInUseAndCancelLeavesNothing)
{
    std::vector<uint8_t> before = ImageOf(*Recorders(*tree));
    int pageAfterNext = -1;
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        Type(sheet, "RecorderIP", "10.0.0.2");
        Type(sheet, "RecorderName", "Halle");
        Button(sheet, "Next")->click();
        pageAfterNext = sheet.CurrentPage();
        Button(sheet, "Cancel")->click();
    });
    Button(*page, "New")->click();

    EXPECT_EQ(pageAfterNext, CPropSheetRecorder::kAddressPage);
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text,
              "Es existiert bereits ein Rekorder mit der IP \"10.0.0.2\"!");
    EXPECT_EQ(page->Model().rowCount(), 2);
    EXPECT_EQ(ImageOf(*Recorders(*tree)), before);
}

TEST_F(RecorderPageWidgetTest, TheHybridBoxShowsOnlyWithTheOption)
{
    bool hiddenWithout = false;
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        hiddenWithout = sheet.findChild<QCheckBox*>("RecorderHybrid")->isHidden();
        sheet.reject();
    });
    Button(*page, "New")->click();
    EXPECT_TRUE(hiddenWithout);

    options.hybrid = HybridChoice::Offered;
    CPropPageRecorder hybridPage(*tree, prompt, options);
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        auto* box = sheet.findChild<QCheckBox*>("RecorderHybrid");
        EXPECT_FALSE(box->isHidden());
        box->setChecked(true);
        // An address in use by an ordinary recorder is free for a hybrid one.
        Type(sheet, "RecorderIP", "10.0.0.1");
        Type(sheet, "RecorderName", "Tor Hybrid");
        Button(sheet, "Next")->click();
        Button(sheet, "Finish")->click();
    });
    Button(hybridPage, "New")->click();
    ASSERT_EQ(Recorders(*tree)->ChildCount(), 3);
    EXPECT_EQ(Recorders(*tree)->ChildAt(2)->Child("Hybrid")->GetInt(), 1);
}

TEST_F(RecorderPageWidgetTest, CancellingTheEditSheetAfterAlarmSettingChangesLeavesTheRecorder)
{
    std::vector<uint8_t> before = ImageOf(*Recorders(*tree)->ChildAt(1));
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        EXPECT_EQ(sheet.windowTitle(), "Rekorder bearbeiten");
        EXPECT_EQ(sheet.AddressPage().Values(), (RecorderAddress{"10.0.0.2", "Lager", 0}));
        auto* tabs = sheet.findChild<QTabWidget*>();
        tabs->setCurrentIndex(CPropSheetRecorder::kAlarmSettingsPage);
        EXPECT_EQ(sheet.CurrentPage(), CPropSheetRecorder::kAlarmSettingsPage);
        CPropPageRecorderAlarmSettings& settings = sheet.AlarmSettingsPage();
        Type(settings, "Title", "Einbruch");
        Button(settings, "Store")->click();
        auto* types = settings.findChild<QTreeWidget*>("AlarmTypes");
        types->setCurrentItem(types->topLevelItem(5)); // Kamerakontakt
        Button(settings, "SubAlarms")->click();
        Button(settings, "AddSubAlarm")->click();
        Type(sheet, "RecorderName", "Halle");
        Button(sheet, "Cancel")->click();
    });
    page->SelectRow(1);
    Button(*page, "Edit")->click();
    EXPECT_EQ(ImageOf(*Recorders(*tree)->ChildAt(1)), before);
    EXPECT_EQ(page->Model().index(1, 0).data().toString(), "Lager");
}

TEST_F(RecorderPageWidgetTest, OkOnTheEditSheetKeepsAddressAndShownSettings)
{
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        Type(sheet, "RecorderName", "Pforte");
        sheet.GoTo(CPropSheetRecorder::kAlarmSettingsPage);
        Type(sheet.AlarmSettingsPage(), "Title", "Am Tor");
        Button(sheet, "OK")->click();
    });
    page->SelectRow(0);
    Button(*page, "Edit")->click();
    EXPECT_EQ(page->Model().index(0, 0).data().toString(), "Pforte");
    int selected = tree->TopFolder("Runtime")
                       ->Child("GUI")
                       ->Child("CPropPageRecorderAlarmSettings")
                       ->Child("iLastSelAlarmTypePos")
                       ->GetInt();
    ASSERT_EQ(selected, 0);
    EXPECT_EQ(FirstOfType(*Recorders(*tree)->ChildAt(0), 10000)->Child("Title")->GetString(),
              "Am Tor");
}

TEST_F(RecorderPageWidgetTest, TheAddressPageKeepsATimeOutsideTheTableAndOkSetsTheChosenClass)
{
    Recorders(*tree)->ChildAt(0)->Child("iReportingTime")->SetInt(45);
    QString shownAtStart;
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        auto* reporting = sheet.findChild<QComboBox*>("RecorderReportingTime");
        shownAtStart = reporting->currentText();
        reporting->setCurrentIndex(reporting->findText("3 min"));
        sheet.findChild<QCheckBox*>("RecorderMaintenance")->setChecked(true);
        Button(sheet, "OK")->click();
    });
    page->SelectRow(0);
    Button(*page, "Edit")->click();
    EXPECT_EQ(shownAtStart, "45 s");
    EXPECT_EQ(Recorders(*tree)->ChildAt(0)->Child("iReportingTime")->GetInt(), 180);
    EXPECT_EQ(page->Model().index(0, 3).data().toString(), "3 min");
    ConfigNode* entry = Recorders(*tree)->ChildAt(0);
    EXPECT_GT(entry->Child("iMaintenanceFrom")->GetInt64(), 0);
    EXPECT_GT(entry->Child("iMaintenanceUntil")->GetInt64(),
              entry->Child("iMaintenanceFrom")->GetInt64());
}

TEST_F(RecorderPageWidgetTest, TheEditSheetKeepsTheAddressTabWhileACheckFails)
{
    int pageAfterSwitch = -1;
    WhenModal<CPropSheetRecorder>([&](CPropSheetRecorder& sheet) {
        Type(sheet, "RecorderIP", "10.0.0.2");
        auto* tabs = sheet.findChild<QTabWidget*>();
        tabs->setCurrentIndex(CPropSheetRecorder::kAlarmSettingsPage);
        pageAfterSwitch = tabs->currentIndex();
        Button(sheet, "OK")->click();
        EXPECT_TRUE(sheet.isVisible());
        Button(sheet, "Cancel")->click();
    });
    page->SelectRow(0);
    Button(*page, "Edit")->click();
    EXPECT_EQ(pageAfterSwitch, CPropSheetRecorder::kAddressPage);
    EXPECT_EQ(prompt.shown.back().text,
              "Es existiert bereits ein anderer Rekorder mit der IP \"10.0.0.2\"!");
    EXPECT_EQ(page->Model().index(0, 1).data().toString(), "10.0.0.1");
}

TEST_F(RecorderPageWidgetTest, DeletingARecorderRemovesItFromEveryFilter)
{
    ConfigNode* first = AddFilter(*tree, {"Lager", "Tor"});
    ConfigNode* second = AddFilter(*tree, {"Lager"});
    page->SelectRow(1);
    Button(*page, "Delete")->click();
    EXPECT_EQ(page->Model().rowCount(), 1);
    EXPECT_EQ(FilterNames(first), std::vector<std::string>{"Tor"});
    EXPECT_TRUE(FilterNames(second).empty());
    EXPECT_FALSE(RowButtonsEnabled());
}

TEST_F(RecorderPageWidgetTest, ImportingLagerNordCreatesTheHybridRecorderLager)
{
    LiveViewPeer peer(shm.Get(), 1);
    ASSERT_TRUE(peer.PublishRecorderList(
        {{"Lager$$Nord", "10.0.0.2", {}, 0, 0}, {"Tor", "10.0.0.9", {}, 0, 0}}));
    Button(*page, "Import")->click();
    ASSERT_EQ(page->Model().rowCount(), 3);
    EXPECT_EQ(page->Model().index(2, 0).data().toString(), "Lager");
    EXPECT_EQ(Recorders(*tree)->ChildAt(2)->Child("Hybrid")->GetInt(), 1);
    EXPECT_EQ(prompt.shown.back().text, "1/2 Rekordern aus Kavex uebernommen.");
}

TEST_F(RecorderPageWidgetTest, CopyAsksAndCopies)
{
    FirstOfType(*Recorders(*tree)->ChildAt(0), 10000)->Child("Priority")->SetInt(0);
    page->SelectRow(0);
    Button(*page, "Copy")->click();
    EXPECT_EQ(prompt.shown.back().text, "Einstellungen erfolgreich kopiert.");
    EXPECT_EQ(FirstOfType(*Recorders(*tree)->ChildAt(1), 10000)->Child("Priority")->GetInt(), 0);
}

TEST_F(ConfigPagesTest, TheSheetAddsTheRecorderPageOnlyWithItsRight)
{
    ConfigurationSheet full(*tree, prompt,
                            {SheetPage::Recorder, SheetPage::User, SheetPage::Language,
                             SheetPage::Diagram, SheetPage::System},
                            options);
    ASSERT_NE(full.RecorderPage(), nullptr);
    EXPECT_EQ(full.windowTitle(), "Konfiguration");
    EXPECT_EQ(full.Pages()->tabText(0), "Rekorder");

    ConfigurationSheet without(*tree, prompt, {SheetPage::Language, SheetPage::Diagram}, options);
    EXPECT_EQ(without.RecorderPage(), nullptr);
}

TEST_F(ConfigPagesTest, ClosingTheSheetWritesTheColumnWidths)
{
    ConfigNode* widths =
        tree->TopFolder("Runtime")->Child("GUI")->Child("PropPageRecorder")->Child("ColumnWidths");
    bool accepted = false;
    WhenModal<ConfigurationSheet>([&](ConfigurationSheet& sheet) {
        sheet.RecorderPage()->List()->header()->resizeSection(0, 123);
        sheet.accept();
        accepted = true;
    });
    ConfigurationSheet sheet(*tree, prompt, {SheetPage::Recorder}, options);
    EXPECT_EQ(sheet.exec(), QDialog::Accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(widths->Child("ColHeadName")->GetInt(), 123);
}
