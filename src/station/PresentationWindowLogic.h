// The presentation window's behaviour without its widgets: whether it exists
// and is shown, its own list of stored alarms (awaiting alarms by priority in
// alarm-stack mode, all alarms newest first otherwise), new alarms and
// refresh requests, the next alarm after a window closes, and the count of
// unconfirmed alarms it shows.
#pragma once

#include "alarm/PresentationWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class AlarmDatabase;
class AlarmWindowManager;
class ConfigTree;

// The widgets of the presentation window; the desktop layer implements it.
class PresentationView {
public:
    virtual ~PresentationView() = default;
    virtual void Show() = 0;
    virtual void Activate() = 0;
    virtual bool IsShown() const = 0;
    // The list changed: show it anew, with the unconfirmed count.
    virtual void Reload() = 0;
    virtual void Select(int listPosition) = 0;
};

// What the main window does when the mode starts and ends.
struct PresentationModeHandlers {
    // The window was created and shown: the main window hides.
    std::function<void()> entered;
    // The operator closed the window: the mode ends and the main window
    // comes back. Called from the window's own close handler, so the window
    // must not be destroyed before it returns.
    std::function<void()> closed;
};

class PresentationWindowLogic final : public PresentationWindow {
public:
    using ViewFactory = std::function<std::unique_ptr<PresentationView>(PresentationWindowLogic&)>;

    PresentationWindowLogic(ConfigTree& tree, AlarmDatabase& database, ViewFactory factory);
    ~PresentationWindowLogic() override;

    // Known once alarm handling exists; the window opens alarms through it.
    void SetAlarmWindows(AlarmWindowManager* windows) { m_windows = windows; }
    void SetModeHandlers(PresentationModeHandlers handlers) { m_handlers = std::move(handlers); }

    // Creates the window. Stack mode follows iStackWnd at this moment.
    void Enter(bool returnToNormalWhenEmpty);
    void Leave();
    // The operator closed the window.
    void Closed();
    bool StackMode() const { return m_stackMode; }
    bool ReturnsToNormalWhenEmpty() const { return m_returnToNormal; }

    // PresentationWindow
    bool Exists() const override { return m_view != nullptr; }
    bool IsActive() const override;
    void CountNewAlarm() override;
    void AddNewAlarm() override;
    void Open() override;
    void Refresh() override;
    void ChooseNextAlarm() override;
    void SelectAlarm(int64_t arrival) override;

    // The list: record numbers in display order.
    const std::vector<int>& Records() const { return m_records; }
    bool Empty() const { return m_records.empty(); }
    // The alarm settings priority of the first entry, 6 when unknown.
    int FirstPriority();
    int UnconfirmedCount() const { return m_unconfirmed; }
    // "Unquittierte Alarme: %d", translated.
    std::string UnconfirmedText() const;

    // A refresh was asked for while alarms were still arriving; the main
    // window's timer carries it out once the sockets are quiet.
    bool RefreshPending() const { return m_refreshPending; }
    void ClearRefreshPending() { m_refreshPending = false; }
    // Records were stored, confirmed or deleted elsewhere.
    void RequestRefresh() { m_refreshPending = true; }

private:
    int PriorityOf(int recordNumber);

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    ViewFactory m_factory;
    AlarmWindowManager* m_windows = nullptr;
    PresentationModeHandlers m_handlers;
    std::unique_ptr<PresentationView> m_view;
    std::vector<int> m_records;
    int m_unconfirmed = 0;
    bool m_stackMode = false;
    bool m_returnToNormal = false;
    bool m_refreshPending = false;
};
