// The record file: opening, reading, appending and updating records, the
// journal and the last record kept in memory, and the new events.

#include "db/AlarmDatabase.h"

#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabaseFile.h"
#include "db/ConfigPath.h"
#include "db/RecordFilter.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <unordered_map>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using alarm_database_file::kRecordBytes;
using alarm_database_file::kTempSuffix;

namespace {

// Leaves room for the view's capacity steps within an int.
constexpr int64_t kMaxRecords = std::numeric_limits<int>::max() - AlarmDatabase::kViewGrowth;

std::string JournalPath(const std::string& path)
{
    return std::filesystem::path(path).replace_extension(".journal").string();
}

// Number of fields at the start of the first record that read whole without
// meeting a line end; an older layout had fewer fields per line.
int LeadingFields(const char* bytes, size_t size)
{
    size_t offset = 0;
    int fields = 0;
    for (int width : AlarmRecord::kWidths) {
        size_t length = static_cast<size_t>(width - 1);
        if (offset + length > size || std::memchr(bytes + offset, '\n', length) != nullptr)
            break;
        offset += length;
        ++fields;
    }
    return fields;
}

} // namespace

AlarmDatabase::AlarmDatabase(ConfigTree& tree, std::filesystem::path programFolder,
                             ModifierKeys& keys, BusyIndicator& busy)
    : m_tree(tree), m_programFolder(std::move(programFolder)), m_keys(keys), m_busy(busy)
{
}

AlarmDatabase::~AlarmDatabase() = default;

// --- opening and closing ---------------------------------------------------

bool AlarmDatabase::Open(const std::string& path)
{
    if (IsOpen()) {
        m_lastError = DbError::AlreadyOpen;
        return false;
    }
    m_path = path;
    // A converted file has the current layout, so the second pass is final.
    for (int pass = 0; pass < 2; ++pass) {
        Opened opened = OpenOnce();
        if (opened == Opened::Failed)
            break;
        if (opened == Opened::Converted)
            continue;
        m_current = -1;
        m_filterActive = false;
        m_sortCode = kSortByArrival;
        m_sortDirection = SortDirection::Ascending;
        m_view.Clear();
        m_viewCapacity = m_count + kViewGrowth;
        RebuildView();
        m_lastError = DbError::None;
        return true;
    }
    ReleaseFiles();
    m_lastError = DbError::CannotOpen;
    return false;
}

AlarmDatabase::Opened AlarmDatabase::OpenOnce()
{
    // A rewrite that a kill interrupted leaves its temporary file behind.
    unlink((m_path + std::string(kTempSuffix)).c_str());

    // Clear a read-only mark, as an installer copying files may leave one.
    struct stat info {};
    if (stat(m_path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0)
        chmod(m_path.c_str(), (info.st_mode & 07777) | S_IWUSR);

    m_lastWritten = -1;
    m_file = FileHandle::OpenReadWrite(m_path);
    if (!m_file.IsOpen() || !m_journal.Open(JournalPath(m_path)))
        return Opened::Failed;
    int64_t size = m_file.Size();
    if (size < 0 || m_journal.Replay(m_file, size) < 0)
        return Opened::Failed;
    m_journalPending = false;

    int64_t cachedCount = -1;
    bool cacheUsable = ReadCountCache(cachedCount);
    bool forced = m_keys.ControlAndShiftHeld();

    char first[AlarmRecord::kRecordBytes];
    int64_t got = m_file.ReadAt(0, first, sizeof first);
    if (got < 0)
        return Opened::Failed;
    size_t firstSize = static_cast<size_t>(got);
    int fields = LeadingFields(first, firstSize);
    // A whole first record with its CR LF is the current layout even if a
    // foreign writer put a line end into one of its fields; without any line
    // end the bytes are a first record cut short by a kill.
    bool wholeFirst = firstSize == sizeof first && first[sizeof first - 2] == '\r' &&
                      first[sizeof first - 1] == '\n';
    bool lineEnd = std::memchr(first, '\n', firstSize) != nullptr;
    if (fields < AlarmRecord::kFieldCount && firstSize > 0 && lineEnd && !wholeFirst) {
        bool converted = ConvertLayout(fields);
        ReleaseFiles();
        return converted ? Opened::Converted : Opened::Failed;
    }

    size = m_file.Size();
    if (size < 0 || size / kRecordBytes > kMaxRecords)
        return Opened::Failed;
    // A trailing partial record is an append a kill interrupted. Should the
    // cut fail, the next append overwrites those bytes all the same.
    if (size % kRecordBytes != 0)
        m_file.Truncate(size - size % kRecordBytes);
    m_count = static_cast<int>(size / kRecordBytes);
    ForgetNumberKeys();

    m_index.Clear();
    m_indexBuilt = false;
    m_indexedUpTo = 0;
    m_memory.clear();
    m_inMemory = false;
    // The file size decides the count: a cache that disagrees is stale (the
    // file was replaced while the station was off), and trusting it would
    // make appends overwrite records or leave a gap. So a recount needs no
    // pass over the records; what needs one (the awaiting index) is built
    // when asked for or a slice at a time.
    if (!cacheUsable || forced || cachedCount != m_count)
        SetRuntimeDoNotWriteCache(0);
    return Opened::Ready;
}

void AlarmDatabase::ReleaseFiles()
{
    m_file.Close();
    m_journal.Close();
    m_count = 0;
    ForgetNumberKeys();
    m_memory.clear();
    m_inMemory = false;
    m_index.Clear();
    m_indexBuilt = false;
    m_indexedUpTo = 0;
    m_view.Clear();
}

void AlarmDatabase::Close()
{
    if (!IsOpen())
        return;
    m_lastWritten = -1;
    m_file.Close();
    bool journalDone = !m_journalPending && m_journal.Clear();
    m_journal.Close();
    if (journalDone)
        unlink(JournalPath(m_path).c_str());
    WriteCountCache();
    ReleaseFiles();
}

bool AlarmDatabase::ReadBytes(int number, char* bytes, size_t size)
{
    if (number == m_lastWritten && size <= m_lastBytes.size()) {
        std::memcpy(bytes, m_lastBytes.data(), size);
        return true;
    }
    if (m_inMemory) {
        std::memcpy(bytes, m_memory.data() + static_cast<size_t>(number) * kRecordBytes, size);
        return true;
    }
    return m_file.ReadAt(number * kRecordBytes, bytes, size) == static_cast<int64_t>(size);
}

int64_t AlarmDatabase::ArrivalOf(int number)
{
    char bytes[AlarmRecord::kWidths[0] - 1];
    if (!ReadBytes(number, bytes, sizeof bytes))
        return std::numeric_limits<int64_t>::min();
    std::string_view text(bytes, sizeof bytes);
    return ParseDecimal(text.substr(0, text.find_first_of(std::string_view("\0\1", 2))));
}

bool AlarmDatabase::Append(const AlarmRecord& record)
{
    if (!IsOpen()) {
        m_lastError = DbError::CannotOpen;
        return false;
    }
    if (m_count >= kMaxRecords) {
        m_lastError = DbError::WriteFailed;
        return false;
    }
    char bytes[AlarmRecord::kRecordBytes];
    record.Encode(bytes);
    int64_t offset = m_count * kRecordBytes;
    m_unsynced = true;
    if (!m_file.WriteAt(offset, bytes, sizeof bytes)) {
        // Leave no partial record behind for the next append to follow.
        m_file.Truncate(offset);
        m_lastError = DbError::WriteFailed;
        return false;
    }
    std::memcpy(m_lastBytes.data(), bytes, m_lastBytes.size());
    int number = m_count++;
    m_lastWritten = number;
    KeepNumberKeys(number, bytes);
    KeepTextColumns(number, bytes);
    if (m_inMemory)
        m_memory.insert(m_memory.end(), bytes, bytes + sizeof bytes);
    AlarmRecord stored = AlarmRecord::FromBytes(bytes);
    if (m_indexBuilt)
        m_index.Add(number, stored);
    m_current = number;
    AddToView(number, stored);
    return true;
}

bool AlarmDatabase::Read(int number, AlarmRecord& record)
{
    if (!IsOpen())
        return false;
    if (number < 0 || number >= m_count) {
        m_lastError = DbError::OutOfRange;
        return false;
    }
    char bytes[AlarmRecord::kFieldBytes];
    if (!ReadBytes(number, bytes, sizeof bytes))
        return false;
    record = AlarmRecord::FromBytes(bytes);
    m_current = number;
    return true;
}

bool AlarmDatabase::Update(int number, const AlarmRecord& record)
{
    if (!IsOpen())
        return false;
    if (number < 0 || number >= m_count) {
        m_lastError = DbError::OutOfRange;
        return false;
    }
    char bytes[AlarmRecord::kRecordBytes];
    record.Encode(bytes);
    // The journal entry carries what it replaces, so that replaying it can
    // tell this record from one a later rewrite put in its place.
    char before[AlarmRecord::kFieldBytes];
    if (!ReadBytes(number, before, sizeof before)) {
        m_lastError = DbError::WriteFailed;
        return false;
    }
    int64_t offset = number * kRecordBytes;
    std::span<const char> fields(bytes, AlarmRecord::kFieldBytes);
    if (!m_journal.Record(offset, fields, before)) {
        m_lastError = DbError::WriteFailed;
        return false;
    }
    m_unsynced = true;
    if (!m_file.WriteAt(offset, fields.data(), fields.size())) {
        if (number == m_lastWritten)
            m_lastWritten = -1;
        // The record may now be half written; the journal entry completes it
        // at the next open, so it must survive until then.
        m_journal.KeepLast();
        m_journalPending = true;
        m_lastError = DbError::WriteFailed;
        return false;
    }
    KeepNumberKeys(number, bytes);
    KeepTextColumns(number, bytes);
    std::memcpy(m_lastBytes.data(), bytes, m_lastBytes.size());
    m_lastWritten = number;
    if (m_inMemory)
        std::memcpy(m_memory.data() + offset, bytes, fields.size());
    // A record the index has not reached yet enters it as it is now.
    if (m_indexBuilt || number < m_indexedUpTo)
        m_index.Change(number, AlarmRecord::FromBytes(before), AlarmRecord::FromBytes(bytes));
    m_current = number;
    return true;
}

bool AlarmDatabase::SyncWrites()
{
    if (!m_unsynced || !IsOpen())
        return true;
    m_unsynced = false;
    return m_file.SyncData();
}

int AlarmDatabase::FindByArrival(std::string_view key, int hint)
{
    if (!IsOpen())
        return -1;
    int64_t wanted = ParseDecimal(key);
    if (hint > 0 && hint < m_count && ArrivalOf(hint) == wanted)
        return hint;
    int low = 0;
    int high = m_count - 1;
    while (low <= high) {
        int middle = low + (high - low) / 2;
        int64_t arrival = ArrivalOf(middle);
        if (arrival == wanted)
            return middle;
        if (arrival > wanted)
            high = middle - 1;
        else
            low = middle + 1;
    }
    // The file is in arrival order unless someone edited it; look everywhere.
    int found = -1;
    Walk(0, m_count, [&](int number, const char* bytes) {
        if (ParseDecimal(AlarmRecord::FieldIn(bytes, AlarmField::TimeArrival)) != wanted)
            return true;
        found = number;
        return false;
    });
    return found;
}

bool AlarmDatabase::SettleJournal()
{
    if (m_journalPending) {
        int64_t size = m_file.Size();
        if (size < 0 || m_journal.Replay(m_file, size) < 0)
            return false;
        m_journalPending = false;
    }
    return m_journal.Clear();
}

bool AlarmDatabase::LoadIntoMemory()
{
    if (!IsOpen())
        return false;
    if (m_inMemory)
        return true;
    std::vector<char> memory(static_cast<size_t>(m_count) * kRecordBytes);
    if (m_file.ReadAt(0, memory.data(), memory.size()) != static_cast<int64_t>(memory.size()))
        return false;
    m_memory = std::move(memory);
    m_inMemory = true;
    return true;
}
