// Pictures of the configuration sheet's recorder page, the new-recorder
// wizard and the alarm settings editor, rendered offscreen into the build
// folder so that anyone can look at what the operator sees.
#include "ConfigPagesFixture.h"
#include "alarm/SmtpMailSender.h"
#include "config/Clock.h"
#include "config/Timestamp.h"
#include "db/ConfigPath.h"
#include "testsupport/FakeClock.h"
#include "ui/ScreenshotFolder.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/CPropSheetRecorder.h"
#include "ui/config/ConfigurationSheet.h"
#include "ui/config/EscalationPage.h"
#include "ui/config/LanguagePage.h"
#include "ui/config/SystemPage.h"
#include "ui/config/TestMailDialog.h"
#include "ui/config/UserDialog.h"
#include "ui/config/UserPage.h"
#include "users/UserAccounts.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
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
        AddRecorder(*tree, "Tiefgarage", "192.168.11.7")->Child("Hybrid")->SetInt(1);
        ConfigNode* lager = Recorders(*tree)->ChildAt(1);
        lager->Child("iReportingTime")->SetInt(180);
        Recorders(*tree)->ChildAt(0)->Child("iReportingTime")->SetInt(90'000);
        FirstOfType(*lager, 10000)->Child("Priority")->SetInt(0);
        FirstOfType(*lager, 10001)->Child("ShowAlarmWindow")->SetInt(0);
        FirstOfType(*lager, 10003)->Child("Priority")->SetInt(5);
        ASSERT_TRUE(QDir().mkpath(ScreenshotFolder()));
    }

    static void Save(QWidget& widget, const char* name)
    {
        widget.show();
        // Under X the window is mapped asynchronously.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
        QApplication::processEvents();
        QPixmap picture = widget.grab();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GE(picture.width(), 300);
        EXPECT_GE(picture.height(), 150);
        QString path = ScreenshotFolder() + "/" + name;
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
        sheet.findChild<QComboBox*>("RecorderReportingTime")->setCurrentIndex(2);
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

TEST_F(ConfigScreenshots, SystemUserAndLanguagePages)
{
    CreateBuiltInAccount(*tree);
    UserForm form;
    form.name = "nachtwache";
    form.SetRight(UserRight::DelAlarm, true);
    UserEditor::ForNewUser(*tree).Accept(form);
    ConfigNode* system = tree->TopFolder("Program")->Child("Configuration")->Child("System");
    system->Child("mailSMTPServer")->SetString("mail.example.org:587");
    system->Child("SndPrio0")->SetString("/usr/share/sounds/wardex/sirene.wav");
    std::vector<SheetPage> pages = {SheetPage::Recorder, SheetPage::User, SheetPage::Language,
                                    SheetPage::System};
    SheetServices services;
    services.languageFolder = std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages";
    // Three alarm mails wait for a server that is down.
    services.mailQueueStatus = [] {
        int64_t now = Clock(SystemClockSource()).NowMs();
        return MailQueueText({3, 0, now + 40'000}, now);
    };
    ConfigurationSheet sheet(*tree, prompt, pages, options, nullptr, services);
    sheet.Pages()->setCurrentWidget(sheet.System());
    Save(sheet, "system-page.png");
    sheet.Pages()->setCurrentWidget(sheet.Users());
    sheet.Users()->Table()->selectRow(1);
    Save(sheet, "user-page.png");
    sheet.Pages()->setCurrentWidget(sheet.Languages());
    Save(sheet, "language-page.png");
}

TEST_F(ConfigScreenshots, EscalationPage)
{
    ConfigNode* folder = FindConfigNode(*tree, {"Program", "Configuration", "Escalation"});
    EscalationSettings settings = ReadEscalationSettings(*folder);
    EscalationStep first;
    first.afterSeconds = 60;
    first.raise = true;
    first.speaker = 3;
    EscalationStep second;
    second.afterSeconds = 180;
    second.soundFile = "/usr/share/sounds/wardex/sirene-laut.wav";
    second.mailTo = "schichtleiter@example.org";
    EscalationStep third;
    third.afterSeconds = 600;
    third.mailTo = "leitstelle@example.org";
    third.programPath = "/usr/local/bin/alarm-weiterleiten";
    third.programArgs = "${RecorderName} ${AlarmType}";
    settings.chains[0] = {first, second, third};
    settings.mailFrom = "wardex@example.org";
    WriteEscalationSettings(settings, *folder);
    ConfigurationSheet sheet(*tree, prompt, {SheetPage::System, SheetPage::Escalation}, options);
    sheet.Pages()->setCurrentWidget(sheet.Escalation());
    Save(sheet, "escalation-page.png");
}

TEST_F(ConfigScreenshots, UserDialogs)
{
    CreateBuiltInAccount(*tree);
    UserDialog created(UserEditor::ForNewUser(*tree), prompt);
    Save(created, "user-dialog-new.png");
    // The limit is shown where the password is typed.
    EXPECT_EQ(created.findChild<QLabel*>("PasswordRule")->text(),
              "Hoechstens 12 Zeichen, nur Buchstaben und Ziffern");
    EXPECT_EQ(created.findChild<QLineEdit*>("Password")->maxLength(), 12);
    UserDialog administrator(*UserEditor::ForExistingUser(*tree, "administrator"), prompt);
    Save(administrator, "user-dialog-administrator.png");
}

TEST_F(ConfigScreenshots, TestMailDialog)
{
    SmtpTestMail::Settings settings;
    settings.server = "127.0.0.1:0";
    settings.from = "station@example.org";
    settings.to = "wache@example.org";
    FakeClock clock;
    TestMailDialog dialog(settings, clock);
    Save(dialog, "test-mail-connecting.png");
    QSignalSpy shown(&dialog, &TestMailDialog::ResultShown);
    EXPECT_TRUE(shown.wait(30'000));
    Save(dialog, "test-mail-result.png");
}

TEST_F(ConfigScreenshots, AlarmSettingsPreviewAndInsertMenus)
{
    CPropPageRecorder page(*tree, prompt, options);
    WhenModal<CPropSheetRecorder>([](CPropSheetRecorder& sheet) {
        sheet.findChild<QTabWidget*>()->setCurrentIndex(CPropSheetRecorder::kAlarmSettingsPage);
        CPropPageRecorderAlarmSettings& settings = sheet.AlarmSettingsPage();
        auto* tabs = settings.findChild<QTabWidget*>("SettingsTabs");
        settings.findChild<QLineEdit*>("Title")->setText("Einbruch Haupttor!");
        for (const char* box : {"ShwAlmTxtShort", "ShwAlmTxtMessage", "ShwScroller"})
            settings.findChild<QCheckBox*>(box)->setChecked(true);
        settings.findChild<QComboBox*>("Priority")->setCurrentIndex(0);
        tabs->setCurrentIndex(0);
        Save(sheet, "alarm-settings-preview.png");
        tabs->setCurrentIndex(3);
        Save(sheet, "alarm-settings-mail.png");
        tabs->setCurrentIndex(4);
        Save(sheet, "alarm-settings-program.png");
        Button(sheet, "Cancel")->click();
    });
    page.SelectRow(1);
    Button(page, "Edit")->click();
}
