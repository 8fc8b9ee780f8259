// The housekeeping that bounds and protects the alarm database: periodic
// backup copies with a fixed number kept, the limit on the number of stored
// alarms and the limit on their age. Driven by the main window's periodic
// supervision and by the alarm list's refresh, on the station's one thread.
#pragma once

#include <cstdint>
#include <filesystem>

class AlarmDatabase;
class AuditTrail;
class BusyIndicator;
class Clock;
class ConfigTree;
class FileTimes;
class OpenAlarmWindows;

enum class PruneBy { Count, Age };

class DatabaseMaintenance {
public:
    static constexpr int64_t kHourMs = 3'600'000;
    static constexpr int64_t kDayMs = 86'400'000;

    // Backups go to programFolder/Backup.
    DatabaseMaintenance(AlarmDatabase& database, ConfigTree& tree, Clock& clock,
                        std::filesystem::path programFolder, FileTimes& fileTimes,
                        BusyIndicator& busy);

    // Not owned; records shown in an open alarm window are never pruned.
    void SetOpenAlarmWindows(const OpenAlarmWindows* windows) { m_windows = windows; }
    // Where deletions by a limit and backups are recorded; none when null.
    void SetAudit(AuditTrail* audit) { m_audit = audit; }

    // After the system page stored its values. The next backup moves only
    // when the interval itself changed (or none is scheduled), so that a
    // sheet confirmed every hour does not keep pushing it away.
    void ScheduleFromSettings();
    // At start-up: backups that are switched on but have no due time yet
    // (a first start) get one; a saved due time stays, so a backup that fell
    // due while the station was not running is made at once.
    void ScheduleFirstBackup();

    void RunBackupIfDue();
    bool MakeBackup();
    // Deletes the oldest "*.txt" files of the folder, by creation time, until
    // at most `keep` are left; the number left.
    int PruneBackups(const std::filesystem::path& folder, int keep);

    // The number of records deleted; when it is not 0 the caller refreshes
    // the alarm list, which applies the count limit as well.
    int RunAgeLimitIfDue();
    // Deletes the oldest confirmed records beyond the limit; unconfirmed ones
    // and those in an alarm window stay, however many there are. The count
    // limit, once exceeded, deletes down to LowMark(limit).
    int PruneAlarms(PruneBy by);
    static constexpr int64_t kLowMarkDivisor = 10;
    // 90 % of the limit, rounded up; the limit itself below 10.
    static int64_t LowMark(int64_t limit);
    // Records the last pass of each limit had to keep because nobody
    // confirmed them (or an alarm window holds them). Also said on standard
    // error, at most once an hour.
    int64_t KeptOverCountLimit() const { return m_keptOverCount; }
    int64_t KeptOverAgeLimit() const { return m_keptOverAge; }

    std::filesystem::path BackupFolder() const { return m_programFolder / "Backup"; }
    // Creation time (stored ms, whole seconds) of the newest backup, 0 for none.
    int64_t LastBackupMs() const;
    // Due time of the next backup, 0 when none is scheduled.
    int64_t NextBackupMs() const;

private:
    AlarmDatabase& m_database;
    ConfigTree& m_tree;
    Clock& m_clock;
    std::filesystem::path m_programFolder;
    FileTimes& m_fileTimes;
    BusyIndicator& m_busy;
    const OpenAlarmWindows* m_windows = nullptr;
    AuditTrail* m_audit = nullptr;
    int64_t m_keptOverCount = 0;
    int64_t m_keptOverAge = 0;
    int64_t m_lastKeptReportMs = 0;
    // The interval the due time of the next backup was computed with.
    int32_t m_scheduledInterval = 0;

    void ReportKeptUnconfirmed();
};
