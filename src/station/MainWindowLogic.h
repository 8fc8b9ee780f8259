// The main window's behaviour without its widgets: alarm handling wired to
// the database, the live-view program's channels and window messages, the
// presentation window, the 25 ms timer tick (alarm windows, the presentation
// window's debounce, recorder supervision, backup, age limit), the
// initialisation checks, the exit request and the posted private messages.
// The Qt window forwards its events here and implements MainWindowView.
#pragma once

#include "alarm/StationWindow.h"
#include "station/PresentationWindowLogic.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

class AlarmHandling;
class AlarmTable;
class AlarmWindowManager;
class AlarmWindowViewFactory;
class CommandMailbox;
class DatabaseMaintenance;
class LiveViewLink;
class SmtpMailSender;
class SettingsSortKeys;
class Station;
class UserSession;
class ViewerRequestQueue;
class WindowMessageReceiver;
struct WindowMessage;

// The notice when a shared-memory channel could not be opened: the object
// and that access to it was refused when `refusedObject` names one, else
// (a layout of another version) that the programs' versions differ.
std::string SharedMemoryNotice(const std::string& refusedObject);

// What the logic asks of the window on the screen.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    // Records were stored, changed or deleted: the list shows them anew.
    virtual void RefreshAlarmList() = 0;
    // Shows and activates the presentation window when it exists, else the
    // main window, restored if minimised.
    virtual void BringToFront() = 0;
    // The main window comes back from presentation mode or the tray.
    virtual void RestoreMainWindow() = 0;
    virtual AlarmWindowViewFactory& AlarmWindowViews() = 0;
    virtual std::unique_ptr<PresentationView> CreatePresentationView(PresentationWindowLogic&) = 0;
    // The presentation window is shown, by a command or by an alarm in
    // stack mode: the main window hides.
    virtual void PresentationEntered() = 0;
    // The record selected in the alarm list, -1 for none.
    virtual int SelectedAlarmRecord() = 0;
    // A standing warning for the status bar (limits that keep unconfirmed
    // alarms); empty clears it. Called only when the text changes.
    virtual void ShowHousekeepingNotice(const std::string& text) = 0;
    // How long the oldest unconfirmed alarm has waited; empty when none
    // waits. Called once a second.
    virtual void ShowOldestUnconfirmed(const std::string& /*text*/) {}
    // Writes the window's layout (column widths and order, window mode) into
    // the configuration; true when anything there changed.
    virtual bool StoreWindowLayout() = 0;
    // A recorder's state, signal times, class or name changed, or the list
    // did: the overview and the counts in the status bar show them anew.
    virtual void RecorderStatesChanged() {}
};

class MainWindowLogic final : public StationWindow {
public:
    static constexpr int kTickMs = 25;
    static constexpr int kTicksPerCycle = 40;
    // Quiet time after the last received bytes before the presentation
    // window is refreshed.
    static constexpr int64_t kQuietMs = 1000;
    // How often the recorders' states are read: a change shows well within
    // a second.
    static constexpr int kRecorderStateTicks = 8;

    MainWindowLogic(Station& station, MainWindowView& view, UserSession& users);
    ~MainWindowLogic() override;
    MainWindowLogic(const MainWindowLogic&) = delete;
    MainWindowLogic& operator=(const MainWindowLogic&) = delete;

    // Runs once when the window is created: the configuration upgrade, the
    // live-view program's channels, the mail check; then the pending-alarm
    // check is posted.
    void Initialise();

    void Tick();
    int TickCount() const { return m_tick; }

    // "Beenden" or the close box; true when the station is ending.
    bool RequestExit();
    // Commands that would disturb the handling of an alarm (configuration,
    // log-in, presentation mode) ask this first: while an alarm window is
    // open it shows the refusal and answers true.
    bool RefusedWhileAlarmOpen();

    // Presentation mode: by "/presentation_mode 1" the window returns to the
    // normal view when its list empties; by the button or `present` it stays.
    void EnterPresentationMode(bool returnToNormalWhenEmpty);
    void LeavePresentationMode();

    // Private messages are queued and run from the loop's drain, never
    // called directly.
    void Post(std::function<void()> message);
    void RunPosted();
    void PostPendingAlarmCheck();

    // Greater than 0 while a modal operation runs.
    int BusyCount() const { return m_busy; }
    void EnterBusy() { ++m_busy; }
    void LeaveBusy() { --m_busy; }

    // "Mark all records of the view"; the list is refreshed.
    void MarkViewedRecords();

    // StationWindow: the next tick applies the count limit.
    void RefreshAlarmList() override;
    // Once for all the alarms of a pump round, after them, and at most once
    // per tick: what arrives later in the tick is brought at the next one.
    void BringToFront() override;
    void PostNextAlarmRequest() override;

    DatabaseMaintenance& Maintenance() { return *m_maintenance; }
    AlarmHandling& Alarms() { return *m_alarms; }
    AlarmWindowManager& AlarmWindows();
    PresentationWindowLogic& Presentation() { return *m_presentation; }
    LiveViewLink& LiveView() { return *m_liveView; }
    // The configuration sheet was closed with OK: the tree is saved and the
    // mail configuration checked again.
    void ConfigurationAccepted();
    void CheckMailConfiguration();
    // A dialog or command changed the configuration (filters, the log-in,
    // forwarding hosts): it is saved at once, so that a kill loses nothing.
    void SettingsApplied();
    // How often a changed window layout is saved while the station runs.
    static constexpr int kLayoutSaveTicks = 60 * 1000 / kTickMs;
    // The alarm mails not yet delivered, as the status bar and the system
    // page show them.
    std::string MailQueueStatus() const;
    bool MailQueueEmpty() const;
    SmtpMailSender& Mail() { return *m_mail; }

private:
    // Indexes the stored records a slice per round, so that a start with
    // many records serves the port at once.
    void PostIndexSlice();
    class SettingsForSortKeys;

    void PendingAlarmCheck();
    void OnWindowMessage(const WindowMessage& message);
    void DebouncePresentation();
    void ApplyCountLimitIfDue();
    void UpdateHousekeepingNotice();
    void RecordPresentationMode(const char* state);
    void UpdateOldestUnconfirmed();

    Station& m_station;
    MainWindowView& m_view;
    UserSession& m_users;
    std::unique_ptr<DatabaseMaintenance> m_maintenance;
    std::unique_ptr<SettingsForSortKeys> m_settingsSource;
    std::unique_ptr<SettingsSortKeys> m_sortKeys;
    std::unique_ptr<AlarmTable> m_alarmTable;
    std::unique_ptr<ViewerRequestQueue> m_requests;
    std::unique_ptr<CommandMailbox> m_mailbox;
    std::unique_ptr<LiveViewLink> m_liveView;
    std::unique_ptr<SmtpMailSender> m_mail;
    std::unique_ptr<PresentationWindowLogic> m_presentation;
    std::unique_ptr<AlarmHandling> m_alarms;
    std::unique_ptr<WindowMessageReceiver> m_messages;
    std::deque<std::function<void()>> m_posted;
    int64_t m_quietSinceMs = 0;
    int m_tick = 0;
    // The count limit rewrites the whole database file when it deletes, so a
    // burst must not pay that per alarm: a refresh asks for it, and the tick
    // runs it at most once per cycle of ticks (a second).
    bool m_countLimitDue = false;
    int m_ticksSinceCountLimit = kTicksPerCycle;
    int m_busy = 0;
    std::string m_housekeepingNotice;
    int m_ticksSinceLayoutSave = 0;
    int m_ticksSinceRecorderStates = kRecorderStateTicks;
    // A BringToFront is posted and not yet run; one ran in this tick; one
    // more is owed at the next tick.
    bool m_frontPosted = false;
    bool m_frontThisTick = false;
    bool m_frontDue = false;
};
