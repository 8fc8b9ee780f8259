// The station's life from start to end: the single-instance guard, the
// configuration and its language, the database, the listener on the port,
// the loop, and the orderly shutdown that saves the configuration.
#pragma once

#include "config/Clock.h"
#include "platform/ClockSource.h"
#include "platform/InstanceLock.h"
#include "station/CommandLine.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

class AlarmDatabase;
class AuditTrail;
class AlarmIntake;
class ConfigTree;
class EventDecoder;
class RecorderListener;
class RecorderStateBoard;
class RecorderStateLog;
class RecorderSupervision;
class ServiceStatus;
class SessionHub;
class StationDesktop;
class StationMetrics;
class StationPump;
class SupervisionAudit;

// How RunStation ended.
enum class StationExit {
    Normal = 0,
    AlreadyRunning = 1, // a second start: ends silently
    InitFailed = 2,     // the built-in configuration could not be read
    DatabaseFailed = 3, // "AlarmDB.txt" could not be opened
    FolderFailed = 4,   // the program folder could not be made or written
    AdminReset = 5,     // /resetadmin did its work; no station ran
    ResetRefused = 6,   // /resetadmin could not write, or the station runs
};

class Station {
public:
    static constexpr int kDefaultPort = 30000;
    static constexpr int kDefaultKeepAliveMinutes = 15;

    // The station's one clock reads this source; every part that needs the
    // time is handed the clock, so a test steps them all by one fake source.
    Station(const CommandLine& options, StationDesktop& desktop, ConfigTree& tree,
            ClockSource& clockSource = SystemClockSource());
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    StationExit Run();

    // The quit message: the loop stops after the current round.
    void RequestQuit();
    bool QuitRequested() const { return m_quitRequested; }
    // Called every few milliseconds from inside a nested event loop (a modal
    // dialog, a message box, a menu): serves the sockets as the loop would,
    // and turns a stop signal into the quit, cancelling the open dialogs.
    void ServeFromNestedLoop();
    // The desktop session ends: no more desktop events, database closed.
    void EndSession();
    // Writes the whole configuration tree to its image file; false when it
    // could not be written.
    [[nodiscard]] bool SaveConfiguration();

    const CommandLine& Options() const { return m_options; }
    const std::filesystem::path& ProgramFolder() const { return m_folder; }
    std::filesystem::path FileInFolder(const std::string& name) const { return m_folder / name; }
    const std::filesystem::path& LanguagesFolder() const { return m_languages; }
    int ListeningPort() const { return m_port; }
    // The port is listened on.
    bool ServesPort() const { return m_listener != nullptr; }
    // No saved configuration was found: the station starts on its defaults.
    bool FirstStart() const { return m_firstStart; }
    int KeepAliveMinutes() const;

    ConfigTree& Tree() { return m_tree; }
    Clock& StationClock() { return m_clock; }
    StationDesktop& Desktop() { return m_desktop; }
    AlarmDatabase* Database() { return m_database.get(); }
    EventDecoder* Decoder() { return m_decoder.get(); }
    // Where every new alarm is stored and dispatched from.
    AlarmIntake* Intake() { return m_intake.get(); }
    StationPump* Pump() { return m_pump.get(); }
    // What the recorder sessions share; null before Run.
    SessionHub* Sessions() { return m_sessions.get(); }
    RecorderSupervision* Supervision() { return m_supervision.get(); }
    // "Audit.log": who did what; null before the folder is locked.
    AuditTrail* Audit() { return m_audit.get(); }
    // Every recorder's state, as the main window's tick last read it.
    RecorderStateBoard* RecorderStates() { return m_recorderStates.get(); }
    // Their changes over time, for the availability figures.
    const RecorderStateLog* StateLog() const { return m_stateLog.get(); }
    // The metrics endpoint; null without /metrics or when it could not listen.
    StationMetrics* Metrics() { return m_metrics.get(); }
    // One line on how the station does, for the service manager.
    std::string StatusSummary();
    // Reads the recorders' states and keeps their record; true when what
    // the overview shows changed.
    bool UpdateRecorderStates(int64_t nowMs);

private:
    [[nodiscard]] bool LoadConfiguration();
    StationExit ResetAdministratorAndEnd();
    void ShowFirstStartNotice();
    void LoadTranslation();
    [[nodiscard]] bool OpenDatabase();
    // /sync: makes the records written so far durable.
    void SyncDatabase();
    void ReportNoDatabaseAccess();
    // Descriptor limit, recorder list and supervision intervals for the
    // pump's connection guard.
    void GuardConnections();
    void StartListening();
    // /metrics and the service manager's notifications, once the port is
    // listened on.
    void StartMonitoring();
    void OpenAuditTrail();
    void EndAuditTrail();
    void Shutdown();

    CommandLine m_options;
    StationDesktop& m_desktop;
    ConfigTree& m_tree;
    Clock m_clock;
    InstanceLock m_lock;
    std::filesystem::path m_folder;
    std::filesystem::path m_languages;
    int m_port = kDefaultPort;
    std::unique_ptr<AuditTrail> m_audit;
    std::unique_ptr<SupervisionAudit> m_supervisionAudit;
    std::unique_ptr<AlarmDatabase> m_database;
    std::unique_ptr<AlarmIntake> m_intake;
    std::unique_ptr<EventDecoder> m_decoder;
    std::unique_ptr<RecorderSupervision> m_supervision;
    // Before the pump: the sessions it deletes still report to the guard.
    std::unique_ptr<SessionHub> m_sessions;
    std::unique_ptr<RecorderStateBoard> m_recorderStates;
    std::unique_ptr<RecorderStateLog> m_stateLog;
    std::unique_ptr<StationPump> m_pump;
    // Both hook into the pump and go before it.
    std::unique_ptr<StationMetrics> m_metrics;
    std::unique_ptr<ServiceStatus> m_service;
    RecorderListener* m_listener = nullptr; // owned by the pump once registered
    bool m_mainWindowCreated = false;
    bool m_sessionEnded = false;
    bool m_quitRequested = false;
    bool m_syncFailing = false;
    // A start-up message (the translation's error) shown once the loop
    // serves the port, so that no start waits for an answer.
    std::string m_startupNotice;
    bool m_firstStart = false;
};
