// The whole station in this process with its Qt desktop: while a dialog
// runs its own loop, telegrams from a recorder on loopback are stored and
// alarm windows open; a stop signal or the end of the desktop session
// cancels the dialogs and ends in order. Screenshots go into the build
// folder.
#include "../db/DbTestSupport.h"
#include "alarm/AlarmDispatcher.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmDefaults.h"
#include "links/LinksTestSupport.h"
#include "platform/qt/QtPrompt.h"
#include "station/RecorderStateLog.h"
#include "station/Station.h"
#include "telegram/EntryListWriter.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "ui/ScreenshotFolder.h"
#include "ui/alarms/AlarmListView.h"
#include "ui/config/CPropPageRecorder.h"
#include "ui/config/CPropPageRecorderAlarmSettings.h"
#include "ui/config/CPropSheetRecorder.h"
#include "ui/config/ConfigurationSheet.h"
#include "ui/health/RecorderStatusWindow.h"
#include "users/UserAccounts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <csignal>
#include <functional>
#include <utility>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

void Trigger(QtDesktop& desktop, const char* text)
{
    for (QAction* action : desktop.Window()->findChildren<QAction*>()) {
        if (action->text() == text)
            action->trigger();
    }
}

// The whole screen, the main window fitted to it and the dialog centred
// over it as a window manager would place it.
void SaveScreen(QtDesktop& desktop, const std::string& name)
{
    ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    desktop.Window()->setGeometry(screen.x(), screen.y(), screen.width(), screen.height() * 3 / 4);
    if (QWidget* modal = QApplication::activeModalWidget())
        modal->move(desktop.Window()->geometry().center() - modal->rect().center());
    QApplication::processEvents();
    QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
    QString platform = QGuiApplication::platformName();
    EXPECT_TRUE(
        picture.save(WARDEX_SCREENSHOT_DIR "/" + platform + "-" + QString::fromStdString(name)));
}

class StationModalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
        // A recorder on loopback whose alarm opens a window at once, and a
        // second account so that the log-in dialog opens.
        FakePrompt prompt;
        ConfigTree saved;
        ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
        saved.TopFolder("Program")->Child("iVersion")->SetInt(VersionNumber(ProductVersion()));
        ConfigNode* recorder = saved.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Tor");
        RebuildAlarmDefaults(saved);
        CompleteRecorderSettings(saved);
        ConfigNode* setting = recorder->Child("AlarmSettings")->FindEntryByInt("Type", 10001);
        setting->Child("Priority")->SetInt(0);
        setting->Child("ShowAlarmWindow")->SetInt(1);
        CreateBuiltInAccount(saved);
        ConfigNode* users = saved.TopFolder("Program")->Child("UserList");
        users->NewEntry(users->ChildCount())->Child("Name")->SetString("wache");
        ASSERT_EQ(saved.SaveImage((dir.Path() / "programdata.bin").string()), 0);
    }
    void TearDown() override { Translator::Global().Clear(); }

    CommandLine Options(const std::string& extra = "") const
    {
        return CommandLine("/datadir:\"" + dir.Path().string() +
                           "\" /port:0 /shmprefix:" + shm.Prefix() + " " + extra);
    }

    // Runs a station; `step` is called every 5 ms from whatever loop runs
    // (the dialogs' too) until it returns true. A station that never gets
    // there is ended, so that the test fails instead of hanging.
    StationExit Run(QtDesktop& desktop, Station& station, const std::function<bool()>& step)
    {
        int rounds = 0;
        bool done = false;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (++rounds > 6000)
                station.RequestQuit();
            else if (!done && desktop.Window() != nullptr && station.Pump() != nullptr)
                done = step();
        });
        probe.start(5);
        return station.Run();
    }

    // Alarms of type 10001 open no window and are mailed at once through
    // `server`.
    static void MailAlarmsThrough(ConfigTree& tree, const std::string& server)
    {
        ConfigNode* program = tree.TopFolder("Program");
        program->Child("Configuration")
            ->Child("System")
            ->Child("mailSMTPServer")
            ->SetString(server);
        ConfigNode* setting = program->Child("RecorderList")
                                  ->ChildAt(0)
                                  ->Child("AlarmSettings")
                                  ->FindEntryByInt("Type", 10001);
        setting->Child("Priority")->SetInt(kPriorityWithoutWindow);
        setting->Child("mailDoSendMail")->SetInt(1);
        setting->Child("mailFromAddress")->SetString("station@example.org");
        setting->Child("mailToAddress")->SetString("wache@example.org");
    }

    static void SendAlarms(Station& station, int count)
    {
        TelegramFields fields;
        fields.typeCode = 10001;
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(SendToLoopback(station.ListeningPort(), EncodeTelegram(fields)));
    }

    TempDir dir;
    ShmScope shm;
};

struct ModalCase {
    const char* name;
    // Opens the dialog from the loop, perhaps a dialog inside a dialog.
    std::function<void(QtDesktop&)> open;
    QString title;
    bool endBySession;
};

} // namespace

TEST_F(StationModalTest, WhileADialogIsOpenAlarmsAreStoredAndTheStationEndsInOrder)
{
    auto editFirstRecorder = [] {
        QWidget* sheet = QApplication::activeModalWidget();
        auto* list = sheet->findChild<QAbstractItemView*>("RecorderList");
        list->setCurrentIndex(list->model()->index(0, 0));
        // The user page has an "Edit" button too.
        sheet->findChild<CPropPageRecorder*>()->findChild<QPushButton*>("Edit")->click();
    };
    const ModalCase cases[] = {
        {"sheet", [](QtDesktop& d) { Trigger(d, "Konfiguration..."); }, "Konfiguration", false},
        {"recorder sheet in the sheet",
         [&](QtDesktop& d) {
             QTimer::singleShot(50, editFirstRecorder);
             Trigger(d, "Konfiguration...");
         },
         "Rekorder bearbeiten", false},
        {"message box",
         [](QtDesktop& d) {
             // Cancelled as "Nein" would.
             EXPECT_EQ(d.Messages().Show("Bitte warten", "Hinweis", PromptIcon::Information,
                                         PromptButtons::YesNo),
                       PromptAnswer::No);
         },
         "Hinweis", false},
        {"log-in", [](QtDesktop& d) { Trigger(d, "An-/Abmelden"); }, "Anmelden an Wardex", false},
        {"sheet, session ends", [](QtDesktop& d) { Trigger(d, "Konfiguration..."); },
         "Konfiguration", true},
    };
    for (const ModalCase& c : cases) {
        std::filesystem::remove(dir.Path() / "AlarmDB.txt");
        std::filesystem::remove(dir.Path() / "db.cache");
        QtDesktop desktop(Attendance::Desktop);
        ConfigTree tree;
        Station station(Options(), desktop, tree);
        bool opened = false;
        bool sent = false;
        bool alarmWindowAboveDialog = false;
        StationExit exit = Run(desktop, station, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!std::exchange(opened, true)) {
                // Not from this handler: Qt fires no timer again while its
                // handler runs, and the dialog's loop must see this one.
                QTimer::singleShot(0, [&] { c.open(desktop); });
            } else if (!sent && modal != nullptr && modal->windowTitle() == c.title) {
                SendAlarms(station, 3);
                sent = true;
            } else if (sent && station.Database()->RecordCount() == 3) {
                EXPECT_EQ(modal != nullptr ? modal->windowTitle() : "", c.title) << c.name;
                alarmWindowAboveDialog = desktop.Window()->Logic().AlarmWindows().AnyOpen();
                if (c.title == "Konfiguration" && !c.endBySession)
                    SaveScreen(desktop, "station-configuration-sheet-with-alarm.png");
                QEvent quit(QEvent::Quit);
                if (c.endBySession) // what Qt's session manager sends when the session dies
                    QCoreApplication::sendEvent(qApp, &quit);
                else
                    std::raise(SIGTERM);
                return true;
            }
            return false;
        });
        EXPECT_EQ(exit, StationExit::Normal) << c.name;
        EXPECT_TRUE(alarmWindowAboveDialog) << c.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.name;
        EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache")) << c.name;
    }
}

namespace {

// What the screen shows of a widget (under X read back from the server).
QImage OnScreen(const QWidget& widget)
{
    QPoint at = widget.mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), widget.width(), widget.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The widget as it paints now is on the screen: not black, not what lay
// below it.
bool ShownAsPainted(const QImage& shown, QWidget& widget)
{
    QImage painted = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    qsizetype same = 0;
    for (int y = 0; y < shown.height() && shown.size() == painted.size(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            same += shown.pixel(x, y) == painted.pixel(x, y);
    }
    return same * 100 > qsizetype(painted.width()) * painted.height() * 99;
}

} // namespace

TEST_F(StationModalTest, ABoxOpenedFromTheFullSizeSheetIsPaintedOnTheScreen)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    int stage = 0;
    bool painted = false;
    Run(desktop, station, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* test = modal != nullptr ? modal->findChild<QPushButton*>("TestMail") : nullptr;
        if (stage == 0) {
            stage = 1;
            QTimer::singleShot(0, [&] { Trigger(desktop, "Konfiguration..."); });
        } else if (stage == 1 && test != nullptr) {
            stage = 2;
            EXPECT_GE(modal->width(), 960);
            // Without server or addresses: a message box says what is missing.
            QTimer::singleShot(0, test, &QPushButton::click);
        } else if (stage == 2 && modal != nullptr && test == nullptr &&
                   modal->windowHandle()->isExposed() &&
                   (painted = ShownAsPainted(OnScreen(*modal), *modal))) {
            SaveScreen(desktop, "station-box-from-sheet.png");
            std::raise(SIGTERM);
            return true;
        }
        return false;
    });
    EXPECT_TRUE(painted);
}

TEST_F(StationModalTest, WhileAnAlarmWindowIsOpenTheConfigurationIsRefused)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool sent = false;
    bool triggered = false;
    QString refusal;
    StationExit exit = Run(desktop, station, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!std::exchange(sent, true)) {
            SendAlarms(station, 1);
        } else if (box != nullptr) {
            refusal = box->windowTitle() + ": " + box->text();
            SaveScreen(desktop, "station-refusal-while-alarm-window-open.png");
            std::raise(SIGTERM);
            return true;
        } else if (!triggered && desktop.Window()->Logic().AlarmWindows().AnyOpen()) {
            triggered = true;
            QTimer::singleShot(0, [&] { Trigger(desktop, "Konfiguration..."); });
        }
        return false;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_EQ(refusal, "Wardex: Operation waehrend der Bearbeitung eines Alarms nicht "
                       "moeglich.\nBitte schliessen Sie vorher das Alarmfenster!");
}

TEST_F(StationModalTest, StartedPresentingTheMainWindowHidesAndATrayClickActivatesThePresentation)
{
    for (const char* option : {"/present", "/presentation_mode 1"}) {
        QtDesktop desktop(Attendance::Desktop);
        ConfigTree tree;
        Station station(Options(option), desktop, tree);
        Run(desktop, station, [&] {
            MainWindow& window = *desktop.Window();
            EXPECT_TRUE(window.Logic().Presentation().Exists()) << option;
            // Without a tray (offscreen) the tray is the minimised window.
            EXPECT_EQ(window.CurrentMode(), MainWindow::Mode::Tray) << option;
            window.TrayClicked();
            EXPECT_TRUE(window.Logic().Presentation().Exists()) << option;
            window.Logic().Presentation().Leave();
            window.TrayClicked();
            EXPECT_EQ(window.CurrentMode(), MainWindow::Mode::Normal) << option;
            station.RequestQuit();
            return true;
        });
    }
}

TEST_F(StationModalTest, AFirstStartFitsEveryColumnAndHeaderAndStoredWidthsAreKept)
{
    // The saved configuration first, then a start without one.
    for (bool first : {false, true}) {
        if (first)
            std::filesystem::remove(dir.Path() / "programdata.bin");
        QtDesktop desktop(Attendance::Desktop);
        ConfigTree tree;
        Station station(Options(), desktop, tree);
        int rounds = 0;
        Run(desktop, station, [&] {
            MainWindow& window = *desktop.Window();
            // Painted in the round after it was exposed.
            if (!window.isVisible() || !window.windowHandle()->isExposed() || ++rounds < 2)
                return false;
            auto* list = static_cast<QTableView*>(window.findChild<QAbstractItemView*>());
            QHeaderView* header = list->horizontalHeader();
            for (int column = 0; first && column < header->count(); ++column)
                EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
            QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            // All in view.
            EXPECT_TRUE(!first || screen.width() < 1366 ||
                        header->length() <= list->viewport()->width());
            // As saved, though the header is wider.
            EXPECT_TRUE(first || header->sectionSize(7) == 70) << header->sectionSize(7);
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                ScreenshotFolder() + "/first-start-" + QLocale().name() + (first ? "" : "-saved") +
                ".png");
            station.RequestQuit();
            return true;
        });
    }
}

TEST_F(StationModalTest, MarkingAllRecordsOfTheViewSelectsTheirRows)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool sent = false;
    size_t selected = 0;
    Run(desktop, station, [&] {
        if (!std::exchange(sent, true))
            SendAlarms(station, 3);
        if (station.Database()->RecordCount() < 3)
            return false;
        Trigger(desktop, "Alle Datensaetze der Ansicht markieren");
        selected = desktop.Window()->findChild<AlarmListView*>()->SelectedRows().size();
        SaveScreen(desktop, "station-marked-view.png");
        station.RequestQuit();
        return true;
    });
    EXPECT_EQ(selected, 3u);
}

TEST_F(StationModalTest, QuestionsAndQtsOwnDialogsSpeakTheStationsLanguage)
{
    ASSERT_TRUE(Translator::Global().LoadLanguage(dir.Path() / "Languages" / "French.txt",
                                                  dir.Path() / "Languages" / "English.txt"));
    ASSERT_TRUE(LoadQtTranslation("French"));
    QtPrompt prompt;
    prompt.SetButtonTexts({Tr("OK"), Tr("Abbrechen"), Tr("Ja"), Tr("Nein")});
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        auto* box = static_cast<QMessageBox*>(QApplication::activeModalWidget());
        for (QAbstractButton* button : box->buttons())
            buttons << button->text();
        box->grab().save(ScreenshotFolder() + "/question-French.png");
        box->reject();
    });
    prompt.Show("Supprimer ?", "Question", PromptIcon::Question, PromptButtons::YesNo);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Non", "Oui"}));
    // A dialog of Qt's own.
    QDialogButtonBox standard(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(standard.button(QDialogButtonBox::Cancel)->text().remove('&'), "Annuler");
    LoadQtTranslation("German");
}

TEST_F(StationModalTest, AnAppliedFilterAndLogInAreOnDiskWhileTheStationRuns)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool opened = false;
    int savedFilters = -1;
    std::string savedUser;
    StationExit exit = Run(desktop, station, [&] {
        auto* dialog = QApplication::activeModalWidget();
        if (!std::exchange(opened, true)) {
            QTimer::singleShot(0, [&] { Trigger(desktop, "Filter bearbeiten..."); });
            return false;
        }
        if (dialog == nullptr || dialog->findChild<QPushButton*>("New") == nullptr)
            return false;
        dialog->findChild<QPushButton*>("New")->click();
        qobject_cast<QDialog*>(dialog)->accept();
        QTimer::singleShot(0, [&] {
            // The log-in as the menu's dialog would do it.
            LogIn(station.Tree(), "wache");
            desktop.Window()->Logic().SettingsApplied();
            // Read back as a start after a kill would read it.
            FakePrompt prompt;
            ConfigTree saved;
            ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
            ASSERT_TRUE(saved.LoadImage((dir.Path() / "programdata.bin").string()));
            savedFilters = saved.TopFolder("Program")->Child("FilterList")->ChildCount();
            savedUser = CurrentUserName(saved);
            station.RequestQuit();
        });
        return true;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_EQ(savedFilters, 1);
    EXPECT_EQ(savedUser, "wache");
}

TEST_F(StationModalTest, ALimitedUserIsRefusedForwardingMode)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool triggered = false;
    QString refusal;
    StationExit exit = Run(desktop, station, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!std::exchange(triggered, true)) {
            LogIn(station.Tree(), "wache");
            QTimer::singleShot(0, [&] { Trigger(desktop, "Weiterleitungs Modus..."); });
        } else if (box != nullptr) {
            refusal = box->text();
            SaveScreen(desktop, "station-forwarding-refused.png");
            box->reject();
            QTimer::singleShot(0, [&] {
                // Still here, not hidden behind a forwarding window.
                EXPECT_TRUE(desktop.Window()->isVisible());
                station.RequestQuit();
            });
            return true;
        }
        return false;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_TRUE(
        refusal.startsWith("Sie haben nicht die noetigen Rechte fuer den Weiterleitungs Modus!"));
}

TEST_F(StationModalTest, BackUpNowOnTheSystemPageMakesABackupAndShowsIt)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool opened = false;
    QString state;
    StationExit exit = Run(desktop, station, [&] {
        QWidget* sheet = QApplication::activeModalWidget();
        if (!std::exchange(opened, true)) {
            QTimer::singleShot(0, [&] { Trigger(desktop, "Konfiguration..."); });
            return false;
        }
        auto* button = sheet != nullptr ? sheet->findChild<QPushButton*>("BackUpNow") : nullptr;
        if (button == nullptr)
            return false;
        sheet->findChild<QTabWidget*>()->setCurrentWidget(sheet->findChild<QWidget*>("SystemPage"));
        button->click();
        state = sheet->findChild<QLabel*>("BackupState")->text();
        SaveScreen(desktop, "station-system-page-backups.png");
        qobject_cast<QDialog*>(sheet)->reject();
        QTimer::singleShot(0, [&] { station.RequestQuit(); });
        return true;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() / "Backup"),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_TRUE(state.contains((dir.Path() / "Backup").string().c_str())) << state.toStdString();
    EXPECT_FALSE(state.contains("Letzte Sicherung: keine")) << state.toStdString();
}

TEST_F(StationModalTest, WhileAlarmMailsWaitForTheServerTheStatusBarSaysHowMany)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool sent = false;
    QString shown;
    StationExit exit = Run(desktop, station, [&] {
        if (!std::exchange(sent, true)) {
            // Mail only, no window; nothing listens on port 1 of loopback.
            ConfigNode* program = tree.TopFolder("Program");
            program->Child("Configuration")
                ->Child("System")
                ->Child("mailSMTPServer")
                ->SetString("127.0.0.1:1");
            ConfigNode* setting = program->Child("RecorderList")
                                      ->ChildAt(0)
                                      ->Child("AlarmSettings")
                                      ->FindEntryByInt("Type", 10001);
            setting->Child("Priority")->SetInt(kPriorityWithoutWindow);
            setting->Child("ShowAlarmWindow")->SetInt(0);
            setting->Child("mailDoSendMail")->SetInt(1);
            setting->Child("mailFromAddress")->SetString("station@example.org");
            setting->Child("mailToAddress")->SetString("ops@example.org");
            SendAlarms(station, 2);
        }
        auto* field = desktop.Window()->findChild<QLabel*>("MailQueueField");
        if (field == nullptr || !field->isVisible() || !field->text().contains("naechster"))
            return false;
        shown = field->text();
        SaveScreen(desktop, "station-mail-queue.png");
        std::raise(SIGTERM);
        return true;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_TRUE(shown.startsWith("E-Mail-Warteschlange: 2, naechster Versuch in "))
        << shown.toStdString();
}

TEST_F(StationModalTest, AnAlarmWhileTheServerIsHalfTypedIsMailedWithTheSavedServer)
{
    TempDir mails;
    SmtpServer server(mails.Path().string());
    ASSERT_TRUE(server.IsReady());
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    bool opened = false;
    bool sent = false;
    StationExit exit = Run(desktop, station, [&] {
        QWidget* sheet = QApplication::activeModalWidget();
        if (!std::exchange(opened, true)) {
            MailAlarmsThrough(tree, server.Address());
            QTimer::singleShot(0, [&] { Trigger(desktop, "Konfiguration..."); });
            return false;
        }
        auto* field = sheet != nullptr ? sheet->findChild<QLineEdit*>("mailSMTPServer") : nullptr;
        if (field == nullptr)
            return false;
        if (!std::exchange(sent, true)) {
            field->setText("127.0.0.1:2"); // on its way to another server
            SendAlarms(station, 1);
            return false;
        }
        if (!std::filesystem::exists(mails.Path() / "message-1.eml"))
            return false;
        qobject_cast<QDialog*>(sheet)->reject();
        QTimer::singleShot(0, [&] { station.RequestQuit(); });
        return true;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_TRUE(std::filesystem::exists(mails.Path() / "message-1.eml"));
    EXPECT_EQ(tree.TopFolder("Program")
                  ->Child("Configuration")
                  ->Child("System")
                  ->Child("mailSMTPServer")
                  ->GetString(),
              server.Address());
}

TEST_F(StationModalTest, AnAlarmWhileTheAlarmSettingsAreHalfEditedIsHandledWithTheSavedOnes)
{
    TempDir mails;
    SmtpServer server(mails.Path().string());
    ASSERT_TRUE(server.IsReady());
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    int step = 0;
    std::string mail;
    StationExit exit = Run(desktop, station, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* configuration = qobject_cast<ConfigurationSheet*>(modal);
        auto* recorder = qobject_cast<CPropSheetRecorder*>(modal);
        if (step == 0) {
            MailAlarmsThrough(tree, server.Address());
            QTimer::singleShot(0, [&] { Trigger(desktop, "Konfiguration..."); });
        } else if (step == 1 && configuration != nullptr) {
            configuration->RecorderPage()->SelectRow(0);
            QPushButton* edit = configuration->RecorderPage()->findChild<QPushButton*>("Edit");
            QTimer::singleShot(0, edit, &QPushButton::click);
        } else if (step == 2 && recorder != nullptr) {
            recorder->GoTo(CPropSheetRecorder::kAlarmSettingsPage);
            CPropPageRecorderAlarmSettings& page = recorder->AlarmSettingsPage();
            auto* types = page.findChild<QTreeWidget*>("AlarmTypes");
            for (int i = 0; i < types->topLevelItemCount(); ++i) {
                int item = types->topLevelItem(i)->data(0, Qt::UserRole).toInt();
                if (page.Editor().Items()[static_cast<size_t>(item)].type == 10001)
                    types->setCurrentItem(types->topLevelItem(i));
            }
            page.findChild<QComboBox*>("Priority")->setCurrentIndex(0); // a window at once
            page.findChild<QLineEdit*>("mailToAddress")->setText("andere@example.org");
            // Stored, but only into the sheet's copy of the recorder.
            page.findChild<QPushButton*>("Store")->click();
            SendAlarms(station, 1);
        } else if (step == 3 && recorder != nullptr) {
            if (std::filesystem::exists(mails.Path() / "message-1.eml"))
                mail = ReadFileBytes(mails.Path() / "message-1.eml");
            if (mail.find("@example.org\r\n") == std::string::npos)
                return false;
            recorder->reject();
        } else if (step == 4 && configuration != nullptr) {
            configuration->reject();
            QTimer::singleShot(0, [&] { station.RequestQuit(); });
            return true;
        } else {
            return false;
        }
        ++step;
        return false;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    EXPECT_NE(mail.find("wache@example.org"), std::string::npos) << mail;
    EXPECT_EQ(mail.find("andere@example.org"), std::string::npos) << mail;
    // Abbrechen dropped the edit.
    const ConfigNode* setting = tree.TopFolder("Program")
                                    ->Child("RecorderList")
                                    ->ChildAt(0)
                                    ->Child("AlarmSettings")
                                    ->FindEntryByInt("Type", 10001);
    EXPECT_EQ(setting->Child("Priority")->GetInt(), kPriorityWithoutWindow);
    EXPECT_EQ(setting->Child("mailToAddress")->GetString(), "wache@example.org");
}

TEST_F(StationModalTest, RecorderStatusShowsEveryStateLiveAndADoubleClickFiltersTheList)
{
    int64_t now = Clock(SystemClockSource()).NowMs();
    constexpr int64_t kMinute = 60'000;
    {
        FakePrompt prompt;
        ConfigTree saved;
        ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
        ASSERT_TRUE(saved.LoadImage((dir.Path() / "programdata.bin").string()));
        ConfigNode* list = saved.TopFolder("Program")->Child("RecorderList");
        auto set = [](ConfigNode* r, int32_t state, int64_t last, int64_t next, int32_t klass) {
            r->Child("iSignalState")->SetInt(state);
            r->Child("iLastSignal")->SetInt64(last);
            r->Child("iNextSignal")->SetInt64(next);
            r->Child("iReportingTime")->SetInt(klass);
        };
        set(list->ChildAt(0), -1, now - 180 * kMinute, 0, 0);
        list->ChildAt(0)->Child("iMissedSignal")->SetInt64(now - 120 * kMinute);
        const struct {
            const char* name;
            const char* ip;
            int32_t state;
            int64_t last, next;
            int32_t klass;
        } more[] = {
            {"Einfahrt Nord", "10.0.0.21", 1, now - 5 * kMinute, now + 5 * kMinute, 90},
            {"Lager Halle 3", "10.0.0.34", 1, now - 20 * kMinute, now - 2 * kMinute, 18'000},
            {"Pforte", "10.0.0.40", 0, now - 1440 * kMinute, 0, 0},
            {"Kasse", "10.0.0.50", 0, 0, 0, 0}};
        for (const auto& m : more) {
            ConfigNode* r = list->NewEntry(list->ChildCount());
            r->Child("Name")->SetString(m.name);
            r->Child("IP")->SetString(m.ip);
            set(r, m.state, m.last, m.next, m.klass);
        }
        ConfigNode* serviced = list->NewEntry(list->ChildCount());
        serviced->Child("Name")->SetString("Anlieferung");
        serviced->Child("IP")->SetString("10.0.0.60");
        set(serviced, 1, now - 5 * kMinute, now + 5 * kMinute, 0);
        serviced->Child("iMaintenanceFrom")->SetInt64(now - 10 * kMinute);
        serviced->Child("iMaintenanceUntil")->SetInt64(now + 120 * kMinute);
        ASSERT_EQ(saved.SaveImage((dir.Path() / "programdata.bin").string()), 0);
        // Ten days of record: the gate's outage two hours ago, the station
        // down for a day in between.
        using Kind = StateLogLine::Kind;
        int64_t start = now - 10 * 1440 * kMinute;
        std::string log;
        for (const StateLogLine& line : std::vector<StateLogLine>{
                 StateLogLine::Mark(Kind::Start, start),
                 {Kind::Recorder, start, RecorderState::Online, 0, "127.0.0.1"},
                 {Kind::Recorder, start, RecorderState::Online, 0, "10.0.0.21"},
                 {Kind::Recorder, start, RecorderState::Online, 0, "10.0.0.34"},
                 {Kind::Recorder, start + 3000 * kMinute, RecorderState::Missed, 0, "10.0.0.21"},
                 {Kind::Recorder, start + 3100 * kMinute, RecorderState::Online, 0, "10.0.0.21"},
                 StateLogLine::Mark(Kind::End, now - 6 * 1440 * kMinute),
                 StateLogLine::Mark(Kind::Start, now - 5 * 1440 * kMinute),
                 {Kind::Recorder, now - 5 * 1440 * kMinute, RecorderState::Online, 0, "127.0.0.1"},
                 {Kind::Recorder, now - 5 * 1440 * kMinute, RecorderState::Online, 0, "10.0.0.21"},
                 {Kind::Recorder, now - 5 * 1440 * kMinute, RecorderState::Online, 0, "10.0.0.34"},
                 {Kind::Recorder, now - 120 * kMinute, RecorderState::Missed, 0, "127.0.0.1"},
                 StateLogLine::Mark(Kind::End, now - kMinute)})
            log += FormatStateLogLine(line);
        WriteFileBytes(dir.Path() / RecorderStateLog::kFileName, log);
        // Another recorder's alarm, which the filter must leave out.
        WriteFileBytes(dir.Path() / "AlarmDB.txt",
                       EncodeRecords({MakeRecord(now - 60 * kMinute, 10001, "10.0.0.21")}));
    }

    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    RecorderStatusWindow* window = nullptr;
    auto rowOf = [&](const QString& name) {
        RecorderStatusModel& model = window->Model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.RowAt(row).status.name == name.toStdString())
                return row;
        }
        return -1;
    };
    auto stateOf = [&](const QString& name) {
        return window->Model().RowAt(rowOf(name)).status.state;
    };
    enum class Step { Open, Shown, Back, Filtered } step = Step::Open;
    StationExit exit = Run(desktop, station, [&] {
        switch (step) {
        case Step::Open:
            Trigger(desktop, "Rekorderstatus...");
            window = desktop.Window()->RecorderStatus();
            step = Step::Shown;
            return false;
        case Step::Shown: {
            if (window->Model().rowCount() != 6 ||
                desktop.Window()->findChild<QLabel*>("RecorderCountField")->text().isEmpty())
                return false;
            EXPECT_EQ(stateOf("Tor"), RecorderState::Missed);
            EXPECT_EQ(stateOf("Einfahrt Nord"), RecorderState::Online);
            EXPECT_EQ(stateOf("Lager Halle 3"), RecorderState::Late);
            EXPECT_EQ(stateOf("Pforte"), RecorderState::SwitchedOff);
            EXPECT_EQ(stateOf("Kasse"), RecorderState::NeverSeen);
            EXPECT_EQ(stateOf("Anlieferung"), RecorderState::Maintenance);
            // Sorted by urgency: the missed recorder first.
            EXPECT_EQ(window->Table()->model()->index(0, 0).data().toString(), "Tor");
            EXPECT_EQ(desktop.Window()->findChild<QLabel*>("RecorderCountField")->text(),
                      "Rekorder: 1 ausgefallen, 1 verspaetet, 1 in Wartung, 1 online, 1 "
                      "ausgeschaltet, 1 nie gemeldet");
            // 3000-3100 of the 4 days before the first end, the rest online.
            EXPECT_NE(window->Model().RowAt(rowOf("Einfahrt Nord")).last30Days, std::nullopt);
            window->resize(1100, 330);
            EXPECT_TRUE(window->grab().save(ScreenshotFolder() + "/recorder-status.png"));
            window->Search()->setText("lager");
            EXPECT_EQ(window->Table()->model()->rowCount(), 1);
            window->Search()->clear();
            window->StateFilter()->setCurrentIndex(1); // missed
            EXPECT_EQ(window->Table()->model()->rowCount(), 1);
            window->StateFilter()->setCurrentIndex(0);
            EntryListWriter payload;
            payload.Value32(1, 600);
            TelegramFields fields;
            fields.typeCode = 10042;
            EXPECT_TRUE(
                SendToLoopback(station.ListeningPort(), EncodeTelegram(fields, payload.Bytes())));
            step = Step::Back;
            return false;
        }
        case Step::Back: {
            if (stateOf("Tor") != RecorderState::Online)
                return false;
            EXPECT_EQ(station.Database()->RecordCount(), 3);
            EXPECT_EQ(desktop.Window()->findChild<QLabel*>("RecorderCountField")->text(),
                      "Rekorder: 1 verspaetet, 1 in Wartung, 2 online, 1 ausgeschaltet, 1 nie "
                      "gemeldet");
            QAbstractItemModel* shown = window->Table()->model();
            for (int row = 0; row < shown->rowCount(); ++row) {
                if (shown->index(row, 0).data().toString() == "Tor")
                    emit window->Table()->doubleClicked(shown->index(row, 2));
            }
            step = Step::Filtered;
            return false;
        }
        case Step::Filtered:
            EXPECT_EQ(station.Database()->ViewCount(), 2);
            EXPECT_TRUE(desktop.Window()->findChild<QCheckBox*>()->isChecked());
            window->hide();
            SaveScreen(desktop, "recorder-status-main-window.png");
            std::raise(SIGTERM);
            return true;
        }
        return false;
    });
    EXPECT_EQ(exit, StationExit::Normal);
    std::vector<StateLogLine> lines =
        ParseStateLog(ReadFileBytes(dir.Path() / RecorderStateLog::kFileName));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().kind, StateLogLine::Kind::End);
}
