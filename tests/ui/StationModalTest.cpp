// The whole station in this process with its Qt desktop: while a modal
// dialog runs its own loop (the configuration sheet, the recorder sheet
// inside it, a message box, the log-in dialog), telegrams from a recorder
// on loopback are stored and dispatched and alarm windows open; a stop
// signal cancels the dialogs and ends the station in order. Pictures of the
// main window with a dialog and of the refusal go into the build folder.
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "core/station/PresentationWindowLogic.h"
#include "core/station/Station.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmDefaults.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"
#include "ui/MainWindow.h"
#include "ui/QtDesktop.h"
#include "users/UserAccounts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <csignal>
#include <functional>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

constexpr int kTelegrams = 3;

QAction* FindAction(QWidget& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// What the scenario saw while the dialog was open.
struct Seen {
    QString dialog;
    int storedWhileOpen = -1;
    bool alarmWindowOpen = false;
    bool dialogStillOpen = false;
    StationExit exit = StationExit::InitFailed;
};

class StationModalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
        // A recorder on loopback, and a second account so that the log-in
        // dialog opens.
        FakePrompt prompt;
        ConfigTree saved;
        ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
        ConfigNode* recorder = saved.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Tor");
        // Its alarm opens an alarm window at once.
        RebuildAlarmDefaults(saved);
        CompleteRecorderSettings(saved);
        ConfigNode* setting = recorder->Child("AlarmSettings")->FindEntryByInt("Type", 10001);
        ASSERT_NE(setting, nullptr);
        setting->Child("Priority")->SetInt(0);
        setting->Child("ShowAlarmWindow")->SetInt(1);
        setting->Child("DoAuto")->SetInt(0);
        // Saved by this version: no upgrade touches the settings.
        saved.TopFolder("Program")->Child("iVersion")->SetInt(VersionNumber(ProductVersion()));
        CreateBuiltInAccount(saved);
        ConfigNode* users = saved.TopFolder("Program")->Child("UserList");
        users->NewEntry(users->ChildCount())->Child("Name")->SetString("wache");
        ASSERT_EQ(saved.SaveImage((dir.Path() / "programdata.bin").string()), 0);
    }
    void TearDown() override { Translator::Global().Clear(); }

    CommandLine Options() const
    {
        return CommandLine("/datadir:\"" + dir.Path().string() + "\" /port:0 /shmprefix:i14modal" +
                           std::to_string(getpid()));
    }

    // Starts the station; once its main window exists `open` opens a dialog
    // from the loop. While `isOpen` holds, telegrams are sent; once they are
    // stored, `stored` runs and a stop signal ends the station (or `stored`
    // ends it).
    enum class End { StopSignal, ByStored };
    Seen Run(const std::function<void(QtDesktop&)>& open,
             const std::function<bool(QWidget* modal)>& isOpen,
             const std::function<void(QtDesktop&)>& stored = {}, End end = End::StopSignal)
    {
        QtDesktop desktop(Attendance::Desktop);
        ConfigTree tree;
        Station station(Options(), desktop, tree);
        Seen seen;
        enum class Phase { Starting, Opening, Sending, Ending } phase = Phase::Starting;
        int rounds = 0;
        QTimer probe;
        probe.setInterval(5);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            // A scenario that never gets there fails instead of hanging.
            if (++rounds > 6000) {
                station.RequestQuit();
                return;
            }
            QWidget* modal = QApplication::activeModalWidget();
            switch (phase) {
            case Phase::Starting:
                if (desktop.Window() == nullptr || station.Pump() == nullptr)
                    return;
                phase = Phase::Opening;
                // Not from this handler: Qt fires no timer again while its
                // handler runs, and the dialog's loop must see this one.
                QTimer::singleShot(0, [&] { open(desktop); });
                return;
            case Phase::Opening: {
                if (modal == nullptr || !isOpen(modal))
                    return;
                seen.dialog = modal->windowTitle();
                TelegramFields fields;
                fields.typeCode = 10001;
                for (int i = 0; i < kTelegrams; ++i)
                    EXPECT_TRUE(SendToLoopback(station.ListeningPort(), EncodeTelegram(fields)));
                phase = Phase::Sending;
                return;
            }
            case Phase::Sending:
                if (station.Database()->RecordCount() < kTelegrams)
                    return;
                seen.storedWhileOpen = station.Database()->RecordCount();
                seen.dialogStillOpen = modal != nullptr && isOpen(modal);
                seen.alarmWindowOpen = desktop.Window()->Logic().AlarmWindows().AnyOpen();
                if (stored)
                    stored(desktop);
                phase = Phase::Ending;
                if (end == End::StopSignal)
                    std::raise(SIGTERM);
                return;
            case Phase::Ending:
                return;
            }
        });
        probe.start();
        seen.exit = station.Run();
        EXPECT_FALSE(QApplication::activeModalWidget());
        return seen;
    }

    void ExpectStoredWhileOpenAndEndedInOrder(const Seen& seen, const char* dialog)
    {
        EXPECT_EQ(seen.dialog, dialog);
        EXPECT_EQ(seen.storedWhileOpen, kTelegrams);
        EXPECT_TRUE(seen.dialogStillOpen);
        EXPECT_TRUE(seen.alarmWindowOpen);
        EXPECT_EQ(seen.exit, StationExit::Normal);
        EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
        FakePrompt prompt;
        ConfigTree saved;
        ASSERT_TRUE(saved.LoadDefaults(DefaultScript(), prompt));
        ASSERT_TRUE(saved.LoadImage((dir.Path() / "programdata.bin").string()));
        EXPECT_EQ(saved.TopFolder("Program")->Child("RecorderList")->ChildCount(), 1);
    }

    // The whole screen: the main window fitted to it, the open dialog
    // centred over it as a window manager would place it.
    static void SaveScreen(QtDesktop& desktop, const char* name)
    {
        ASSERT_TRUE(QDir().mkpath(WARDEX_SCREENSHOT_DIR));
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        MainWindow& window = *desktop.Window();
        window.setGeometry(screen.x(), screen.y(), screen.width(), screen.height() * 3 / 4);
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->move(window.geometry().center() - modal->rect().center());
        for (QWidget* shown : QApplication::topLevelWidgets())
            shown->repaint();
        QApplication::processEvents();
        QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(QString(WARDEX_SCREENSHOT_DIR) + "/" + name));
    }

    TempDir dir;
};

bool IsTitled(QWidget* modal, const char* title)
{
    return modal->windowTitle() == title;
}

} // namespace

TEST_F(StationModalTest, TheConfigurationSheetLetsAlarmsInAndAStopSignalCancelsIt)
{
    Seen seen = Run(
        [](QtDesktop& desktop) { FindAction(*desktop.Window(), "Konfiguration...")->trigger(); },
        [](QWidget* modal) { return IsTitled(modal, "Konfiguration"); },
        [](QtDesktop& desktop) {
            SaveScreen(desktop, "station-configuration-sheet-with-alarm.png");
        });
    ExpectStoredWhileOpenAndEndedInOrder(seen, "Konfiguration");
}

TEST_F(StationModalTest, InsideTheRecorderSheetWithinTheSheetAlarmsAreStoredAndBothAreCancelled)
{
    Seen seen = Run(
        [](QtDesktop& desktop) {
            QTimer::singleShot(50, [] {
                // The recorder sheet: a dialog inside the sheet's loop.
                QWidget* sheet = QApplication::activeModalWidget();
                ASSERT_NE(sheet, nullptr);
                auto* list = sheet->findChild<QAbstractItemView*>("RecorderList");
                auto* edit = sheet->findChild<QPushButton*>("Edit");
                ASSERT_TRUE(list != nullptr && edit != nullptr);
                list->setCurrentIndex(list->model()->index(0, 0));
                edit->click();
            });
            FindAction(*desktop.Window(), "Konfiguration...")->trigger();
        },
        [](QWidget* modal) { return IsTitled(modal, "Rekorder bearbeiten"); });
    ExpectStoredWhileOpenAndEndedInOrder(seen, "Rekorder bearbeiten");
}

TEST_F(StationModalTest, AMessageBoxLetsAlarmsInAndAStopSignalAnswersIt)
{
    Seen seen = Run(
        [](QtDesktop& desktop) {
            EXPECT_EQ(desktop.Messages().Show("Bitte warten", "Hinweis", PromptIcon::Information,
                                              PromptButtons::YesNo),
                      PromptAnswer::No);
        },
        [](QWidget* modal) { return IsTitled(modal, "Hinweis"); });
    ExpectStoredWhileOpenAndEndedInOrder(seen, "Hinweis");
}

TEST_F(StationModalTest, TheLogInDialogLetsAlarmsInAndAStopSignalCancelsIt)
{
    Seen seen =
        Run([](QtDesktop& desktop) { FindAction(*desktop.Window(), "An-/Abmelden")->trigger(); },
            [](QWidget* modal) { return IsTitled(modal, "Anmelden an Wardex"); });
    ExpectStoredWhileOpenAndEndedInOrder(seen, "Anmelden an Wardex");
}

TEST_F(StationModalTest, WhileAnAlarmWindowIsOpenTheConfigurationIsRefused)
{
    QtDesktop desktop(Attendance::Desktop);
    ConfigTree tree;
    Station station(Options(), desktop, tree);
    QString refusal;
    bool sent = false;
    bool triggered = false;
    int rounds = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (++rounds > 6000) {
            station.RequestQuit();
            return;
        }
        if (desktop.Window() == nullptr || station.Pump() == nullptr || !refusal.isEmpty())
            return;
        if (!sent) {
            TelegramFields fields;
            fields.typeCode = 10001;
            sent = SendToLoopback(station.ListeningPort(), EncodeTelegram(fields));
            return;
        }
        if (!triggered && desktop.Window()->Logic().AlarmWindows().AnyOpen()) {
            triggered = true;
            QTimer::singleShot(
                0, [&] { FindAction(*desktop.Window(), "Konfiguration...")->trigger(); });
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!triggered || box == nullptr)
            return;
        refusal = box->windowTitle() + ": " + box->text();
        SaveScreen(desktop, "station-refusal-while-alarm-window-open.png");
        std::raise(SIGTERM);
    });
    probe.start();
    EXPECT_EQ(station.Run(), StationExit::Normal);
    EXPECT_EQ(refusal, "Wardex: Operation waehrend der Bearbeitung eines Alarms nicht "
                       "moeglich.\nBitte schliessen Sie vorher das Alarmfenster!");
}

TEST_F(StationModalTest, StartedPresentingTheMainWindowHidesAndATrayClickActivatesThePresentation)
{
    for (const char* option : {"/present", "/presentation_mode 1"}) {
        QtDesktop desktop(Attendance::Desktop);
        ConfigTree tree;
        Station station(CommandLine(Options().Raw() + " " + option), desktop, tree);
        bool checked = false;
        QTimer probe;
        probe.setInterval(5);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            MainWindow* window = desktop.Window();
            if (window == nullptr || station.Pump() == nullptr || checked)
                return;
            checked = true;
            PresentationWindowLogic& presentation = window->Logic().Presentation();
            EXPECT_TRUE(presentation.Exists()) << option;
            // Without a tray (offscreen) the tray is the minimised window.
            EXPECT_EQ(window->CurrentMode(), MainWindow::Mode::Tray) << option;
            window->TrayClicked();
            EXPECT_TRUE(presentation.Exists()) << option;
            EXPECT_EQ(window->CurrentMode(), MainWindow::Mode::Tray) << option;
            presentation.Leave();
            window->TrayClicked();
            EXPECT_EQ(window->CurrentMode(), MainWindow::Mode::Normal) << option;
            station.RequestQuit();
        });
        probe.start();
        EXPECT_EQ(station.Run(), StationExit::Normal);
        EXPECT_TRUE(checked);
    }
}

TEST_F(StationModalTest, TheEndOfTheDesktopSessionEndsTheStationInOrderEvenFromADialog)
{
    Seen seen = Run(
        [](QtDesktop& desktop) { FindAction(*desktop.Window(), "Konfiguration...")->trigger(); },
        [](QWidget* modal) { return IsTitled(modal, "Konfiguration"); },
        [](QtDesktop&) {
            // What Qt's session manager sends when the session dies.
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        },
        End::ByStored);
    ExpectStoredWhileOpenAndEndedInOrder(seen, "Konfiguration");
}
