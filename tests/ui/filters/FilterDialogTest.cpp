// The filter dialogs clicked through offscreen: the refusals, the move
// buttons and their enabling, the camera and alarm type boxes, saving only
// a changed list, the about box, and a picture of every dialog in the build
// folder.
#include "ui/filters/FilterDialog.h"

#include "../../db/DbTestSupport.h"
#include "../config/ConfigPagesFixture.h"
#include "config/Version.h"
#include "events/AlarmTypeCatalogue.h"
#include "filters/FilterEditor.h"
#include "filters/FilterStore.h"
#include "testsupport/FakeClock.h"
#include "ui/about/AboutDialog.h"
#include "ui/filters/AlarmTypeFilterDialog.h"
#include "ui/filters/CameraFilterDialog.h"
#include "ui/filters/RecorderFilterDialog.h"
#include "ui/filters/TimeFilterDialog.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {

class FilterDialogTest : public ::testing::Test {
protected:
    FilterDialogTest()
    {
        WriteFileBytes(db.DbPath(), EncodeRecords({MakeRecord(5000), MakeRecord(9000)}));
        EXPECT_TRUE(db.Open());
        for (const char* name : {"Einfahrt Nord", "Lager Halle 3", "Pforte"})
            AddRecorder(*db.tree, name, "10.0.0.1");
    }

    static void Save(QWidget& widget, const char* name)
    {
        ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
        widget.show();
        QApplication::processEvents();
        QPixmap picture = widget.grab();
        EXPECT_TRUE(picture.save(QString(WARDEX_SCREENSHOT_DIR) + "/" + name, "PNG")) << name;
    }

    TempDir dir;
    DbFixture db{dir.Path()};
    FakePrompt prompt;
};

QCheckBox* Check(QWidget& root, const char* name)
{
    auto* box = root.findChild<QCheckBox*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
}

} // namespace

TEST_F(FilterDialogTest, NewFilterRefusesEmptyPartsAndOkSavesIt)
{
    FakeClock clock;
    FilterDialog dialog(*db.tree, *db.database, prompt, clock);
    QAbstractItemModelTester tester(dialog.List().model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_FALSE(Check(dialog, "TimePart")->isEnabled());
    EXPECT_FALSE(Button(dialog, "Delete")->isEnabled());
    Button(dialog, "New")->click();
    ASSERT_EQ(dialog.List().topLevelItemCount(), 1);
    EXPECT_TRUE(Check(dialog, "TimePart")->isEnabled());

    for (const char* part : {"RecorderPart", "TypePart"}) {
        Check(dialog, part)->click();
        EXPECT_FALSE(Check(dialog, part)->isChecked()) << part;
    }
    ASSERT_EQ(prompt.shown.size(), 2U);
    EXPECT_EQ(prompt.shown[0].caption, "Achtung");
    EXPECT_NE(prompt.shown[0].text.find("Rekorderfilter"), std::string::npos);
    EXPECT_NE(prompt.shown[1].text.find("Alarmfilter"), std::string::npos);
    Check(dialog, "TimePart")->click();
    Check(dialog, "OnlyUnconfirmed")->click();
    Save(dialog, "filter-dialog.png");

    dialog.accept();
    EXPECT_TRUE(dialog.Saved());
    std::vector<NamedFilter> saved = LoadFilters(*db.tree);
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0].name, "Neuer Filter");
    EXPECT_EQ(saved[0].filter.activeParts, AlarmFilter::kTimePart);
    EXPECT_TRUE(saved[0].filter.onlyUnconfirmed);
    EXPECT_EQ(saved[0].filter.rangeEnd, Timestamp::FromMs(9000));
}

TEST_F(FilterDialogTest, UnchangedListIsNotWrittenAndDeleteEmptiesIt)
{
    SaveFilters(*db.tree, std::vector<NamedFilter>{{"Nachts", {}}});
    {
        FakeClock clock;
        FilterDialog dialog(*db.tree, *db.database, prompt, clock);
        dialog.List().topLevelItem(0)->setSelected(true);
        dialog.accept();
        EXPECT_FALSE(dialog.Saved());
    }
    FakeClock clock;
    FilterDialog dialog(*db.tree, *db.database, prompt, clock);
    QAbstractItemModelTester tester(dialog.List().model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog.List().topLevelItem(0)->setSelected(true);
    Button(dialog, "Delete")->click();
    EXPECT_EQ(dialog.List().topLevelItemCount(), 0);
    EXPECT_FALSE(Button(dialog, "Rename")->isEnabled());
    dialog.accept();
    EXPECT_TRUE(dialog.Saved());
    EXPECT_TRUE(LoadFilters(*db.tree).empty());
}

TEST_F(FilterDialogTest, RecordersMoveBetweenTheListsAndCamerasNarrowTheMask)
{
    RecorderFilterDialog dialog({"Einfahrt Nord", "Lager Halle 3", "Pforte"},
                                {{"Pforte", 5}, {"Abgebaut", -1}});
    QAbstractItemModelTester shownTester(dialog.Shown().model(),
                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester hiddenTester(dialog.Hidden().model(),
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(dialog.Shown().topLevelItem(0)->text(RecorderFilterDialog::kCamera), "Filter aktiv");
    EXPECT_EQ(dialog.Hidden().topLevelItemCount(), 2);
    EXPECT_FALSE(Button(dialog, "Add")->isEnabled());
    EXPECT_TRUE(Button(dialog, "AddAll")->isEnabled());
    dialog.Hidden().topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(Button(dialog, "Add")->isEnabled());
    Button(dialog, "Add")->click();
    Save(dialog, "filter-recorders.png");
    EXPECT_EQ(dialog.Recorders(),
              (std::vector<FilterRecorder>{{"Pforte", 5}, {"Lager Halle 3", 16'777'215}}));

    WhenModal<CameraFilterDialog>([](CameraFilterDialog& cameras) {
        EXPECT_TRUE(cameras.Box(24)->isChecked());
        Button(cameras, "NoCamera")->click();
        cameras.Box(3)->setChecked(true);
        Save(cameras, "filter-cameras.png");
        cameras.accept();
    });
    dialog.EditCameras(dialog.Shown().topLevelItem(1));
    EXPECT_EQ(dialog.Recorders()[1].cameraMask, 4);
    EXPECT_EQ(dialog.Shown().topLevelItem(1)->text(RecorderFilterDialog::kCamera), "Filter aktiv");

    Button(dialog, "RemoveAll")->click();
    EXPECT_TRUE(dialog.Recorders().empty());
    EXPECT_FALSE(Button(dialog, "RemoveAll")->isEnabled());
    EXPECT_FALSE(Button(dialog, "Remove")->isEnabled());
    EXPECT_EQ(dialog.Hidden().topLevelItemCount(), 3);
}

TEST_F(FilterDialogTest, TimeDialogStaysOpenOnEveryRefusal)
{
    AlarmFilter filter;
    filter.rangeStart = *Timestamp::FromLocalFields(1, 3, 2024, 8, 0, 0, 0);
    filter.rangeEnd = *Timestamp::FromLocalFields(1, 2, 2024, 8, 0, 0, 0);
    FakeClock clock;
    TimeFilterDialog dialog(filter, prompt, clock);
    Save(dialog, "filter-time.png");
    dialog.accept();
    auto* endDate = dialog.findChild<QDateEdit*>("EndDate");
    endDate->setDate(QDate(2038, 1, 1));
    dialog.accept();
    dialog.findChild<QRadioButton*>("ModeLastDays")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(prompt.shown.size(), 3U);
    EXPECT_NE(prompt.shown[0].text.find("Zeitspanne"), std::string::npos);
    EXPECT_NE(prompt.shown[1].text.find("1970 - 2037"), std::string::npos);
    EXPECT_NE(prompt.shown[2].text.find("Letzten Tage"), std::string::npos);
    EXPECT_EQ(dialog.LastDays(), 1);

    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Mode(), AlarmFilter::kModeLastDays);
}

TEST_F(FilterDialogTest, AClickIntoADateOrTimePartLetsTypingReplaceIt)
{
    AlarmFilter filter;
    filter.rangeStart = *Timestamp::FromLocalFields(1, 3, 2024, 8, 30, 0, 0);
    FakeClock clock;
    TimeFilterDialog dialog(filter, prompt, clock);
    dialog.show();
    // Into the first part (hour, day), into the second (minute, month).
    const std::tuple<const char*, double, const char*, std::string> cases[] = {
        {"StartTime", 0.1, "13", "13:30:00"},
        {"StartTime", 0.4, "45", "08:45:00"},
        {"StartDate", 0.1, "17", "17.03.2024"}};
    for (const auto& [name, where, typed, expected] : cases) {
        auto* edit = dialog.findChild<QDateTimeEdit*>(name);
        edit->setDateTime(QDateTime(QDate(2024, 3, 1), QTime(8, 30)));
        auto* text = edit->findChild<QLineEdit*>();
        QTest::mouseClick(text, Qt::LeftButton, {},
                          QPoint(int(text->width() * where), text->height() / 2));
        QTest::keyClicks(text, typed);
        EXPECT_EQ(edit->text().toStdString(), expected) << name << " " << typed;
    }
}

TEST_F(FilterDialogTest, AlarmTypeButtonsTickAllInvertAndClear)
{
    AlarmTypeFilterDialog dialog({CatalogueOrder()[2], 99999});
    QAbstractItemModelTester tester(dialog.List().model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(dialog.Codes(), (std::vector<int32_t>{CatalogueOrder()[2]}));
    Save(dialog, "filter-alarm-types.png");
    Button(dialog, "Toggle")->click();
    EXPECT_EQ(dialog.Codes().size(), CatalogueOrder().size() - 1);
    Button(dialog, "AllOff")->click();
    EXPECT_TRUE(dialog.Codes().empty());
    Button(dialog, "AllOn")->click();
    EXPECT_EQ(dialog.Codes(),
              std::vector<int32_t>(CatalogueOrder().begin(), CatalogueOrder().end()));
}

TEST_F(FilterDialogTest, AboutBoxNamesVersionBuildDateAndQt)
{
    AboutDialog about;
    QString details = about.Details();
    EXPECT_TRUE(details.contains(QString::fromUtf8(
        ProductVersion().data(), static_cast<qsizetype>(ProductVersion().size()))));
    EXPECT_TRUE(details.contains(QString::fromLatin1(qVersion())));
    EXPECT_TRUE(details.contains(QString::fromLatin1(__DATE__).right(4)));
    Save(about, "about.png");
}
