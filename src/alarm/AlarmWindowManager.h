// The alarm windows of the station and the confirmation of alarms: opening
// a window (at arrival, from the queue of waiting alarms, from the list),
// confirming with the comment and phrase rules, postponing, the record's
// state changes with their live-view notices, and bulk confirmation.
//
// At most one window is opened by the system at a time. A closed window is
// hidden at once and destroyed at the next tick or opening, so that a view
// may report an action from inside its own event handler.
#pragma once

#include "alarm/AlarmAudit.h"
#include "alarm/AlarmContext.h"
#include "alarm/AlarmWindow.h"
#include "alarm/RecordConfirmation.h"
#include "db/OpenAlarmWindows.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

class AlarmActions;
class AlarmDatabase;
class AlarmRecord;
class AlarmSound;
class AlarmWindowViewFactory;
class Beeper;
class Clock;
class ConfigTree;
class LiveViewLink;
class PresentationWindow;
class Prompt;
class ResponseLog;
class StationWindow;
class AuditTrail;

struct BulkConfirmation {
    int done = 0;
    int failed = 0;
    // The record number of the first alarm handled, -1 for none; the list
    // selects it.
    int firstHandled = -1;
};

class AlarmWindowManager final : public OpenAlarmWindows {
public:
    // A window opened at most this long after the alarm arrived asks the
    // live-view program for a fresh picture.
    static constexpr int64_t kFreshMs = 5000;

    AlarmWindowManager(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                       AlarmActions& actions, LiveViewLink& liveView, StationWindow& station,
                       PresentationWindow& presentation, AlarmWindowViewFactory& views,
                       Prompt& prompt, Beeper& beeper, Clock& clock);
    ~AlarmWindowManager() override;
    AlarmWindowManager(const AlarmWindowManager&) = delete;
    AlarmWindowManager& operator=(const AlarmWindowManager&) = delete;

    // Creates and shows the window for the alarm of record `recordNumber`.
    void OpenAlarmWindow(const AlarmContext& context, int recordNumber,
                         PostProcessing postProcessing);
    // "Bestaetigen": false (a warning beep, the window stays) when the
    // required phrase does not start the comment.
    bool ConfirmAlarm(AlarmWindow& window);
    // The close box and "Zurueckstellen": the alarm goes back to the queue
    // and the queue passes over it until the postpone time (iPostponeSeconds)
    // has run out; then the next-alarm request is posted again.
    void PostponeAlarm(AlarmWindow& window);
    // Whether the alarm is held back at nowMs.
    bool IsPostponed(int64_t arrival, int64_t nowMs) const;

    // The queue rule, run for the posted next-alarm request: with no window
    // open, the first unconfirmed alarm of priority 0 of a known recorder
    // that is not postponed.
    void NextAlarmWindow();
    // Opens the alarm of a record chosen in the alarm list.
    void OpenSelectedAlarm(int recordNumber);
    // "Bestaetigen" on the list's selection (record numbers).
    BulkConfirmation ConfirmSelectedAlarms(std::span<const int> recordNumbers);

    // Changes the record's state, writes it back and tells the live-view
    // program; false when the record could not be written.
    bool ConfirmRecord(int recordNumber, AlarmRecord& record, ConfirmKind kind);
    // Tells the live-view program of a record confirmed and written.
    void AnnounceConfirmed(const AlarmRecord& record, ConfirmKind kind);

    // An escalation step: the alarm's window raised and shown, or opened
    // when no window is open.
    void RaiseAlarm(int64_t arrival, int recordNumber);
    // The alarm of a record with the settings that apply now.
    AlarmContext ContextOfRecord(const AlarmRecord& record) const;

    // Told when a window first shows an alarm and when one is confirmed. Not
    // owned; may be null.
    void SetResponseLog(ResponseLog* log) { m_responses = log; }

    // The main window's 25 ms timer.
    void Tick();

    // Where confirmations and postponements are recorded; none when null.
    void SetAudit(AuditTrail* audit) { m_audit = audit; }

    bool AnyOpen() const { return OpenCount() > 0; }
    int OpenCount() const;
    // The open windows, oldest first.
    std::vector<AlarmWindow*> OpenWindows() const;
    bool IsShownInAlarmWindow(int64_t timeArrival) const override;

    // The main window's system menu entries, and Shift with the window's own
    // minimise or restore.
    void MinimiseAll();
    void RestoreAll();
    void HideAll();
    void ShowAll();

    // Every move of a window is remembered for the next one.
    void StoreWindowPosition(WindowPoint position);

private:
    AlarmWindow* OpenWindowShowing(int64_t arrival) const;
    // What the live-view program is told is shown once `arrival` is no
    // longer: the alarm of another open window, else none.
    int64_t ShownAlarmWithout(int64_t arrival) const;
    // Steps shared by confirming and postponing.
    void EndWindow(AlarmWindow& window, ConfirmKind kind, const std::string& comment);
    void CollectClosed();
    int32_t SystemInt(std::string_view key) const;
    int32_t WindowStateInt(std::string_view key) const;
    void SetWindowStateInt(std::string_view key, int32_t value);

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    AlarmSound& m_sound;
    AlarmActions& m_actions;
    LiveViewLink& m_liveView;
    StationWindow& m_station;
    PresentationWindow& m_presentation;
    AlarmWindowViewFactory& m_views;
    Prompt& m_prompt;
    Beeper& m_beeper;
    Clock& m_clock;
    std::vector<std::unique_ptr<AlarmWindow>> m_windows;
    AuditTrail* m_audit = nullptr;
    // Set while a bulk confirmation records one line for all its alarms.
    AlarmRange* m_bulkRange = nullptr;
    // Postponed alarms by arrival, with the time they come back. Kept in
    // memory only: after a restart the queue offers them again.
    std::map<int64_t, int64_t> m_postponedUntil;
    ResponseLog* m_responses = nullptr;
};

// The comment checked against the required phrase: nothing when it does not
// begin with the phrase (compared without regard to case); otherwise the
// comment without every occurrence of the phrase and without leading blanks
// and tabs.
std::optional<std::string> CommentWithoutPhrase(std::string_view comment, std::string_view phrase);
