// The whole station in this process with its Qt desktop: while a dialog
// runs its own loop, telegrams from a recorder on loopback are stored and
// alarm windows open; a stop signal or the end of the desktop session
// cancels the dialogs and ends in order. Screenshots go into the build
// folder.
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "core/station/Station.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmDefaults.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "ui/config/CPropPageRecorder.h"
#include "users/UserAccounts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
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
        return CommandLine("/datadir:\"" + dir.Path().string() + "\" /port:0 /shmprefix:i14modal" +
                           std::to_string(getpid()) + " " + extra);
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

    static void SendAlarms(Station& station, int count)
    {
        TelegramFields fields;
        fields.typeCode = 10001;
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(SendToLoopback(station.ListeningPort(), EncodeTelegram(fields)));
    }

    TempDir dir;
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
    EXPECT_TRUE(refusal.startsWith(
        "Sie haben nicht die noetigen Rechte, um den Weiterleitungs Modus zu starten!"));
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
