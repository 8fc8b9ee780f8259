// The main window's behaviour without its widgets: the 25 ms timer tick
// (animation, recorder supervision, backup, age limit), the initialisation
// checks, the exit request and the posted private messages. The Qt window
// forwards its events here and implements MainWindowView.
#pragma once

#include <deque>
#include <functional>
#include <memory>

class DatabaseMaintenance;
class Station;
class UserSession;

// What the logic asks of the window on the screen.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    // Records were deleted or the view changed: the list shows them anew.
    virtual void RefreshAlarmList() = 0;
    // Every open alarm window takes one animation step.
    virtual void AnimateAlarmWindows(int tick) = 0;
};

class MainWindowLogic {
public:
    static constexpr int kTickMs = 25;
    static constexpr int kTicksPerCycle = 40;

    MainWindowLogic(Station& station, MainWindowView& view, UserSession& users);
    ~MainWindowLogic();
    MainWindowLogic(const MainWindowLogic&) = delete;
    MainWindowLogic& operator=(const MainWindowLogic&) = delete;

    // Runs once when the window is created: the configuration upgrade, the
    // mail check; then the pending-alarm check is posted.
    void Initialise();

    void Tick();
    int TickCount() const { return m_tick; }

    // "Beenden" or the close box; true when the station is ending.
    bool RequestExit();

    // Private messages are queued and run from the loop's drain, never
    // called directly.
    void Post(std::function<void()> message);
    void RunPosted();

    // Greater than 0 while an alarm is being handled or a modal dialog runs.
    int BusyCount() const { return m_busy; }
    void EnterBusy() { ++m_busy; }
    void LeaveBusy() { --m_busy; }

    DatabaseMaintenance& Maintenance() { return *m_maintenance; }

    // The configuration sheet was closed with OK: the tree is saved and the
    // mail configuration checked again.
    void ConfigurationAccepted();

private:
    void CheckMailConfiguration();

    Station& m_station;
    MainWindowView& m_view;
    UserSession& m_users;
    std::unique_ptr<DatabaseMaintenance> m_maintenance;
    std::deque<std::function<void()>> m_posted;
    int m_tick = 0;
    int m_busy = 0;
};
