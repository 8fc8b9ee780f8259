// The station's main window: menus for the station's commands, the place of
// the alarm list, the status bar, the tray icon and the 25 ms timer that
// drives the main-window logic.
#pragma once

#include "station/MainWindowLogic.h"
#include "ui/LogInDialogs.h"
#include "ui/config/ConfigurationSheet.h"
#include "users/UserSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class AuditViewer;
class QAction;
class AlarmListView;
class DiagramWindows;
struct AlarmListCommandParts;
class ForwardingWindow;
class FilterController;
class QCheckBox;
class QComboBox;
class QLabel;
class QSystemTrayIcon;
class QtAlarmWindowFactory;
class RecorderStatusWindow;
class Station;

class MainWindow final : public QMainWindow, public MainWindowView {
    Q_OBJECT

public:
    MainWindow(Station& station, Beeper& beeper);
    // Opened by its menu entry; null before.
    RecorderStatusWindow* RecorderStatus() { return m_recorderStatus; }
    ~MainWindow() override;

    // Runs the initialisation and shows the window in its last mode.
    void Start();

    MainWindowLogic& Logic() { return *m_logic; }

    // MainWindowView
    void RefreshAlarmList() override;
    void BringToFront() override;
    void RestoreMainWindow() override;
    AlarmWindowViewFactory& AlarmWindowViews() override;
    std::unique_ptr<PresentationView>
    CreatePresentationView(PresentationWindowLogic& logic) override;
    void PresentationEntered() override;
    int SelectedAlarmRecord() override;
    void ShowHousekeepingNotice(const std::string& text) override;
    void ShowOldestUnconfirmed(const std::string& text) override;
    bool StoreWindowLayout() override;
    void RecorderStatesChanged() override;
    // What the configuration sheet's system page shows of the running station.
    SheetServices StationSheetServices();

    // Forwarding mode: the forwarding window replaces the main window until
    // it closes. A non-empty host is started at once.
    void OpenForwarding(const std::string& startHost = {});
    // "Protokoll...".
    void ShowAuditTrail();
    // The station ends: what forwarding still holds is stored here.
    void EndForwarding();

    enum class Mode { Normal, Maximised, Tray };
    Mode CurrentMode() const;
    void GoToTray();
    void RestoreFromTray();
    // A click on the tray icon, left or right.
    void TrayClicked();
    // The station ends, by "Beenden" or by a stop signal: keeps the column
    // widths and the window mode, removes the tray icon, stops the timer.
    void EndWithStation();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void ShowResponseTimes();
    void UpdateStatus();
    // Shown only while alarm mails wait for the server.
    void UpdateMailQueueField();
    void SaveWindowMode();
    // A first start: the window and the list's columns fit the screen.
    void FitToScreen();

    void EnterPresentation();
    void ShowTrayIcon();
    void BuildFilterBar();
    void LoadFilters();
    void EditFilters();
    void ShowRecorderStatus();
    // The overview's double click: the list shows only this recorder's
    // alarms until filtering is switched off or a filter chosen.
    void ShowAlarmsOfRecorder(const QString& name);
    void RunListCommand(const std::function<void(const AlarmListCommandParts&)>& command);

    Station& m_station;
    LogInDialogs m_dialogs;
    UserSession m_users;
    QPointer<AuditViewer> m_auditViewer;
    // Before the logic, which creates its alarm windows through it.
    std::unique_ptr<QtAlarmWindowFactory> m_alarmWindows;
    std::unique_ptr<MainWindowLogic> m_logic;
    AlarmListView* m_list = nullptr;
    std::unique_ptr<FilterController> m_filters;
    std::unique_ptr<DiagramWindows> m_diagrams;
    QCheckBox* m_filterToggle = nullptr;
    QComboBox* m_filterSelector = nullptr;
    QAction* m_presentationAction = nullptr;
    QTimer m_timer;
    QLabel* m_userField = nullptr;
    QLabel* m_countField = nullptr;
    QLabel* m_noticeField = nullptr;
    QLabel* m_oldestField = nullptr;
    QLabel* m_mailField = nullptr;
    QLabel* m_recorderField = nullptr;
    RecorderStatusWindow* m_recorderStatus = nullptr; // owned as a child
    QAction* m_alwaysOnTop = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    bool m_inTray = false;
    bool m_ending = false;
    std::unique_ptr<ForwardingWindow> m_forwarding;
};
