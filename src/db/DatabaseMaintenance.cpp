#include "db/DatabaseMaintenance.h"

#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "db/AwaitingIndex.h"
#include "db/OpenAlarmWindows.h"
#include "platform/BusyIndicator.h"
#include "platform/FileTimes.h"
#include "platform/posix/FileHandle.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

template <typename T>
auto LockedGet(ConfigTree& tree, const ConfigKey<T>& key)
{
    ConfigLock lock(tree);
    return Get(tree, key);
}

void LockedSet(ConfigTree& tree, const ConfigKey<int64_t>& key, int64_t value)
{
    ConfigLock lock(tree);
    Set(tree, key, value);
}

bool EndsWithNoCase(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(),
                      text.end() - static_cast<ptrdiff_t>(suffix.size()), [](char a, char b) {
                          auto lower = [](char c) {
                              return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

// Regular files whose names end in ".txt" (any case), by name, so that the
// first listed of equally old files does not depend on the directory order.
std::vector<fs::path> ListBackups(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) &&
            EndsWithNoCase(it->path().filename().string(), ".txt"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A copy that a kill interrupts stays under its ".part" name, which pruning
// never counts as a backup.
bool CopyWhole(const std::string& from, const fs::path& to)
{
    FileHandle source = FileHandle::OpenReadOnly(from);
    if (!source.IsOpen())
        return false;
    return ReplaceFileWhole(to.string(), ".part", Survives::PowerLoss, [&](FileHandle& target) {
        std::vector<char> block(1 << 20);
        for (int64_t offset = 0;;) {
            int64_t got = source.ReadAt(offset, block.data(), block.size());
            if (got <= 0)
                return got == 0;
            if (!target.Write(block.data(), static_cast<size_t>(got)))
                return false;
            offset += got;
        }
    });
}

void RemoveStaleParts(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (EndsWithNoCase(it->path().filename().string(), ".txt.part")) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

} // namespace

DatabaseMaintenance::DatabaseMaintenance(AlarmDatabase& database, ConfigTree& tree, Clock& clock,
                                         std::filesystem::path programFolder, FileTimes& fileTimes,
                                         BusyIndicator& busy)
    : m_database(database), m_tree(tree), m_clock(clock), m_programFolder(std::move(programFolder)),
      m_fileTimes(fileTimes), m_busy(busy), m_scheduledInterval(LockedGet(m_tree, kBackupInterval))
{
}

void DatabaseMaintenance::ScheduleFromSettings()
{
    int64_t now = m_clock.NowMs();
    int32_t interval = LockedGet(m_tree, kBackupInterval);
    bool scheduled = LockedGet(m_tree, kNextBackup) > 0;
    if (interval != m_scheduledInterval || scheduled != (interval > 0))
        LockedSet(m_tree, kNextBackup, interval > 0 ? now + interval * kHourMs : 0);
    m_scheduledInterval = interval;
    LockedSet(m_tree, kNextMaxAge, now);
}

int64_t DatabaseMaintenance::LastBackupMs() const
{
    std::optional<int64_t> newest;
    for (const fs::path& file : ListBackups(BackupFolder())) {
        std::optional<int64_t> created = m_fileTimes.CreationTime(file);
        if (created && (!newest || *created > *newest))
            newest = created;
    }
    return newest ? Timestamp::FromCalendarSeconds(*newest).ToMs() : 0;
}

int64_t DatabaseMaintenance::NextBackupMs() const
{
    return std::max<int64_t>(0, LockedGet(m_tree, kNextBackup));
}

void DatabaseMaintenance::ScheduleFirstBackup()
{
    int32_t interval = LockedGet(m_tree, kBackupInterval);
    if (interval > 0 && LockedGet(m_tree, kNextBackup) <= 0)
        LockedSet(m_tree, kNextBackup, m_clock.NowMs() + interval * kHourMs);
}

void DatabaseMaintenance::RunBackupIfDue()
{
    int64_t next = LockedGet(m_tree, kNextBackup);
    if (next <= 0 || m_clock.NowMs() <= next)
        return;
    MakeBackup();
    // An interval of 0 or less here would make every pass a backup; it
    // switches backups off as on the system page.
    int32_t interval = LockedGet(m_tree, kBackupInterval);
    m_scheduledInterval = interval;
    LockedSet(m_tree, kNextBackup, interval > 0 ? m_clock.NowMs() + interval * kHourMs : 0);
}

bool DatabaseMaintenance::MakeBackup()
{
    BusyScope busy(m_busy);
    fs::path folder = BackupFolder();
    std::error_code error;
    // Backups hold the alarms: the folder is the owner's alone, whatever
    // the umask.
    if (fs::create_directory(folder, error))
        fs::permissions(folder, fs::perms::owner_all, error);
    RemoveStaleParts(folder);
    bool copied = !m_database.Path().empty() &&
                  CopyWhole(m_database.Path(), folder / (m_clock.Now().FormatStamp() + ".txt"));
    int kept = PruneBackups(folder, LockedGet(m_tree, kBackupsKept));
    if (m_audit != nullptr)
        m_audit->Record("backup", copied ? "made" : "failed",
                        {{"records", std::to_string(m_database.RecordCount())},
                         {"backups kept", std::to_string(kept)}});
    return copied;
}

int DatabaseMaintenance::PruneBackups(const std::filesystem::path& folder, int keep)
{
    for (;;) {
        std::vector<fs::path> files = ListBackups(folder);
        int count = static_cast<int>(files.size());
        if (keep >= count)
            return count;
        std::optional<int64_t> oldestTime;
        const fs::path* oldest = nullptr;
        for (const fs::path& file : files) {
            std::optional<int64_t> created = m_fileTimes.CreationTime(file);
            if (created && (!oldestTime || *created < *oldestTime)) {
                oldestTime = created;
                oldest = &file;
            }
        }
        std::error_code error;
        if (oldest == nullptr || !fs::remove(*oldest, error))
            return count;
        if (keep >= count - 1)
            return count - 1;
    }
}

int DatabaseMaintenance::RunAgeLimitIfDue()
{
    if (LockedGet(m_tree, kEnableMaxAge) != 1)
        return 0;
    int64_t now = m_clock.NowMs();
    if (now <= LockedGet(m_tree, kNextMaxAge))
        return 0;
    LockedSet(m_tree, kNextMaxAge, now + kDayMs);
    return PruneAlarms(PruneBy::Age);
}

int64_t DatabaseMaintenance::LowMark(int64_t limit)
{
    return limit - limit / kLowMarkDivisor;
}

int DatabaseMaintenance::PruneAlarms(PruneBy by)
{
    if (!m_database.IsOpen())
        return 0;
    bool byCount = by == PruneBy::Count;
    int64_t& kept = byCount ? m_keptOverCount : m_keptOverAge;
    kept = 0;
    if (LockedGet(m_tree, byCount ? kEnableMaxAlarms : kEnableMaxAge) == 0)
        return 0;
    int64_t excess = 0;
    int64_t cutoff = 0;
    int64_t limit = 0;
    // A limit never throws away an alarm nobody has handled: only confirmed
    // records not held by an alarm window may go, oldest first.
    int64_t deletable =
        m_database.RecordCount() - static_cast<int64_t>(m_database.UnconfirmedRecords().size());
    if (byCount) {
        limit = LockedGet(m_tree, kMaxAlarms);
        if (m_database.RecordCount() <= limit)
            return 0;
        if (deletable <= 0) {
            kept = m_database.RecordCount() - limit;
            ReportKeptUnconfirmed();
            return 0;
        }
        // Once over the limit, down to its low mark: each pass rewrites the
        // whole file, so it deletes enough for the next pass to be a tenth
        // of the limit away, not one alarm.
        excess = LowMark(limit) - m_database.RecordCount();
    } else {
        cutoff = m_clock.NowMs() - int64_t{LockedGet(m_tree, kMaxAgeDays)} * kDayMs;
    }

    // Walk in arrival order over every record; sorting first keeps the
    // filter's rebuild cheap.
    bool wasFiltered = m_database.IsFilterActive();
    int code = m_database.SortCode();
    SortDirection direction = m_database.SortOrder();
    bool resorted = code != AlarmDatabase::kSortByArrival || direction != SortDirection::Ascending;
    if (resorted)
        m_database.SortView(AlarmDatabase::kSortByArrival, SortDirection::Ascending);
    if (wasFiltered)
        m_database.ClearFilter();

    std::vector<int> marked;
    AlarmRange range;
    AlarmRecord record;
    for (int position = 0; position < m_database.ViewCount(); ++position) {
        if (byCount && static_cast<int64_t>(marked.size()) >= deletable)
            break;
        int number = m_database.ViewRecord(position);
        if (!m_database.Read(number, record))
            break;
        int64_t arrival = record.Number(AlarmField::TimeArrival);
        if (!byCount && arrival >= cutoff)
            break;
        if (AwaitingIndex::IsUnconfirmed(record) ||
            (m_windows != nullptr && m_windows->IsShownInAlarmWindow(arrival))) {
            if (!byCount)
                ++kept;
            continue;
        }
        marked.push_back(number);
        range.Add(arrival);
        if (byCount && ++excess >= 0)
            break;
    }
    // Over the limit only for want of confirmed records, not of the low mark.
    if (byCount)
        kept = std::max<int64_t>(0, m_database.RecordCount() - static_cast<int64_t>(marked.size()) -
                                        limit);
    int deleted = 0;
    if (!marked.empty() && m_database.DeleteRecords(marked)) {
        deleted = static_cast<int>(marked.size());
        if (m_audit != nullptr)
            m_audit->Record("limit-delete", byCount ? "count" : "age", range.Details());
    }

    if (wasFiltered)
        m_database.SetFilterActive();
    if (resorted)
        m_database.SortView(code, direction);
    if (kept > 0)
        ReportKeptUnconfirmed();
    return deleted;
}

void DatabaseMaintenance::ReportKeptUnconfirmed()
{
    int64_t now = m_clock.NowMs();
    if (m_lastKeptReportMs != 0 && now - m_lastKeptReportMs < kHourMs)
        return;
    m_lastKeptReportMs = now;
    if (m_keptOverCount > 0)
        std::fprintf(stderr,
                     "Wardex: %lld unconfirmed alarms above the limit of %d stored alarms are "
                     "kept; confirm them to let the limit work.\n",
                     static_cast<long long>(m_keptOverCount), LockedGet(m_tree, kMaxAlarms));
    if (m_keptOverAge > 0)
        std::fprintf(stderr,
                     "Wardex: %lld unconfirmed alarms older than the age limit are kept; confirm "
                     "them to let the limit work.\n",
                     static_cast<long long>(m_keptOverAge));
}
