// Pictures of the configuration sheet's recorder page, the new-recorder
// wizard and the alarm settings editor, rendered offscreen into the build
// folder so that anyone can look at what the operator sees.
#include "ConfigPagesFixture.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/CPropSheetRecorder.h"
#include "ui/config/ConfigurationSheet.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

class ConfigScreenshots : public ConfigPagesTest {
protected:
    void SetUp() override
    {
        AddRecorder(*tree, "Einfahrt Nord", "192.168.10.21")->Child("iSignalState")->SetInt(1);
        AddRecorder(*tree, "Lager Halle 3", "192.168.10.34")->Child("iSignalState")->SetInt(-1);
        AddRecorder(*tree, "Pforte", "192.168.10.40")->Child("iSignalState")->SetInt(1);
        AddRecorder(*tree, "Tiefgarage", "192.168.11.7");
        ConfigNode* lager = Recorders(*tree)->ChildAt(1);
        FirstOfType(*lager, 10000)->Child("Priority")->SetInt(0);
        FirstOfType(*lager, 10001)->Child("ShowAlarmWindow")->SetInt(0);
        FirstOfType(*lager, 10003)->Child("Priority")->SetInt(5);
        ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
    }

    static void Save(QWidget& widget, const char* name)
    {
        widget.show();
        QApplication::processEvents();
        QPixmap picture = widget.grab();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GE(picture.width(), 400);
        EXPECT_GE(picture.height(), 300);
        QString path = QString(WARDEX_SCREENSHOT_DIR) + "/" + name;
        EXPECT_TRUE(picture.save(path, "PNG")) << path.toStdString();
    }
};

} // namespace

TEST_F(ConfigScreenshots, RecorderPage)
{
    ConfigurationSheet sheet(*tree, prompt, {SheetPage::Recorder}, options);
    sheet.resize(760, 440);
    sheet.RecorderPage()->SelectRow(1);
    Save(sheet, "recorder-page.png");
}

TEST_F(ConfigScreenshots, NewRecorderWizard)
{
    CPropPageRecorder page(*tree, prompt, options);
    QAbstractItemModelTester tester(&page.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    WhenModal<CPropSheetRecorder>([](CPropSheetRecorder& sheet) {
        sheet.findChild<QLineEdit*>("RecorderIP")->setText("192.168.12.5");
        sheet.findChild<QLineEdit*>("RecorderName")->setText("Anlieferung");
        Save(sheet, "recorder-wizard-address.png");
        Button(sheet, "Next")->click();
        Save(sheet, "recorder-wizard-alarm-settings.png");
        Button(sheet, "Cancel")->click();
    });
    Button(page, "New")->click();
}

TEST_F(ConfigScreenshots, AlarmSettingsEditorWithCameraGrid)
{
    CPropPageRecorder page(*tree, prompt, options);
    QAbstractItemModelTester tester(&page.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    WhenModal<CPropSheetRecorder>([](CPropSheetRecorder& sheet) {
        sheet.findChild<QTabWidget*>()->setCurrentIndex(CPropSheetRecorder::kAlarmSettingsPage);
        CPropPageRecorderAlarmSettings& settings = sheet.AlarmSettingsPage();
        auto* types = settings.findChild<QTreeWidget*>("AlarmTypes");
        types->setCurrentItem(types->topLevelItem(5));
        Button(settings, "SubAlarms")->click();
        Button(settings, "AddSubAlarm")->click();
        auto* grid = settings.findChild<QTableWidget*>("CameraGrid");
        for (int camera : {3, 4, 9})
            emit grid->cellClicked(1, camera);
        Save(sheet, "alarm-settings-editor.png");
        Button(sheet, "Cancel")->click();
    });
    page.SelectRow(1);
    Button(page, "Edit")->click();
}
