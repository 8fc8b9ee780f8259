#include "db/AlarmDatabase.h"

#include "config/CachedChildren.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "db/ConfigPath.h"
#include "db/NewAlarmObserver.h"
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

namespace {

constexpr int64_t kRecordBytes = static_cast<int64_t>(AlarmRecord::kRecordBytes);
// Records per block when the whole file is read; about 1.5 MB.
constexpr int kBlockRecords = 4096;
struct SortEntry {
    uint64_t key;
    int number;
};

// Leaves room for the view's capacity steps within an int.
constexpr int64_t kMaxRecords = std::numeric_limits<int>::max() - AlarmDatabase::kViewGrowth;
constexpr size_t kWriteBlockBytes = 1 << 20;

bool IsFieldCode(int code)
{
    return code >= 0 && code <= 11 && code != 10;
}

std::string JournalPath(const std::string& path)
{
    return std::filesystem::path(path).replace_extension(".journal").string();
}

constexpr std::string_view kTempSuffix = ".temp";

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

size_t LayoutBytes(int fieldCount)
{
    size_t bytes = 0;
    for (int i = 0; i < fieldCount; ++i)
        bytes += AlarmRecord::Capacity(static_cast<AlarmField>(i));
    return bytes;
}

void FoldCase(std::string_view text, std::string& folded)
{
    folded.assign(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

int32_t Int32Of(std::string_view text)
{
    return static_cast<int32_t>(std::clamp<int64_t>(ParseDecimal(text),
                                                    std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int ConfirmationRank(const char* bytes)
{
    int32_t state = Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::ConfirmState));
    if (state == 1 || state == 3)
        return 1;
    if (Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::AutoConfirmed)) == 1)
        return 3;
    if (Int32Of(AlarmRecord::FieldIn(bytes, AlarmField::Confirmed)) == 1)
        return 2;
    return 0;
}

// Stable sort by key, one byte at a time from the lowest; a byte in which
// every key agrees costs no pass.
void RadixSort(std::vector<SortEntry>& entries)
{
    std::vector<SortEntry> buffer(entries.size());
    std::vector<std::array<size_t, 256>> counts(8);
    for (auto& count : counts)
        count.fill(0);
    for (const SortEntry& entry : entries) {
        for (int b = 0; b < 8; ++b)
            ++counts[static_cast<size_t>(b)][(entry.key >> (8 * b)) & 0xFF];
    }
    for (int b = 0; b < 8; ++b) {
        std::array<size_t, 256>& count = counts[static_cast<size_t>(b)];
        if (std::find(count.begin(), count.end(), entries.size()) != count.end())
            continue;
        size_t offset = 0;
        for (size_t& c : count)
            offset += std::exchange(c, offset);
        for (const SortEntry& entry : entries)
            buffer[count[(entry.key >> (8 * b)) & 0xFF]++] = entry;
        entries.swap(buffer);
    }
}

// Numbers: the ascending direction puts the smallest first. Texts: the
// ascending direction puts them in reverse alphabetical order. Equal keys:
// the newer record first, in both directions.
bool Before(SortKeyKind kind, SortDirection direction, int64_t numberA, std::string_view textA,
            int recordA, int64_t numberB, std::string_view textB, int recordB)
{
    bool ascending = direction == SortDirection::Ascending;
    if (kind == SortKeyKind::Number) {
        if (numberA != numberB)
            return ascending ? numberA < numberB : numberA > numberB;
        return recordA > recordB;
    }
    int order = textA.compare(textB);
    if (order != 0)
        return ascending ? order > 0 : order < 0;
    return recordA > recordB;
}

} // namespace

AlarmDatabase::AlarmDatabase(ConfigTree& tree, std::filesystem::path programFolder,
                             ModifierKeys& keys, BusyIndicator& busy)
    : m_tree(tree), m_programFolder(std::move(programFolder)), m_keys(keys), m_busy(busy)
{
}

AlarmDatabase::~AlarmDatabase()
{
    StopObserving();
}

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

bool AlarmDatabase::ReadCountCache(int64_t& count)
{
    std::string cachePath = (m_programFolder / "db.cache").string();
    bool usable = false;
    {
        FileHandle cache = FileHandle::OpenReadOnly(cachePath);
        char text[32];
        int64_t got = cache.IsOpen() ? cache.ReadAt(0, text, sizeof text) : -1;
        size_t length = got > 0 ? static_cast<size_t>(got) : 0;
        size_t i = 0;
        while (i < length && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i < length && text[i] >= '0' && text[i] <= '9') {
            count = ParseDecimal(std::string_view(text + i, length - i));
            usable = true;
        }
    }
    unlink(cachePath.c_str());
    return usable;
}

void AlarmDatabase::WriteCountCache()
{
    {
        ConfigLock lock(m_tree);
        ConfigNode* flag =
            FindConfigNode(m_tree, {"Runtime", "FFTMNumRecords", "iDoNotWriteDBCache"});
        if (flag == nullptr || flag->GetInt() != 0)
            return;
    }
    std::string text = std::to_string(m_count);
    // A cache that is not written is only slower to start from.
    (void)ReplaceFileWhole(
        (m_programFolder / "db.cache").string(), ".tmp", Survives::PowerLoss,
        [&](FileHandle& cache) { return cache.Write(text.data(), text.size()); });
}

void AlarmDatabase::SetRuntimeDoNotWriteCache(int32_t value)
{
    ConfigLock lock(m_tree);
    if (ConfigNode* flag =
            FindConfigNode(m_tree, {"Runtime", "FFTMNumRecords", "iDoNotWriteDBCache"}))
        flag->SetInt(value);
}

bool AlarmDatabase::ConvertLayout(int fieldCount)
{
    return ReplaceFileWhole(m_path, kTempSuffix, Survives::PowerLoss, [&](FileHandle& out) {
        return WriteConvertedRecords(fieldCount, out);
    });
}

bool AlarmDatabase::WriteConvertedRecords(int fieldCount, FileHandle& out)
{
    bool ok = true;
    // Without an AlarmType field no record has a type above 0: none is kept.
    if (fieldCount > static_cast<int>(AlarmField::AlarmType)) {
        size_t recordBytes = LayoutBytes(fieldCount);
        std::vector<char> buffer;
        size_t pos = 0;
        int64_t readAt = 0;
        bool end = false;
        auto available = [&](size_t need) {
            while (buffer.size() - pos < need && !end) {
                buffer.erase(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(pos));
                pos = 0;
                size_t old = buffer.size();
                buffer.resize(old + kWriteBlockBytes);
                int64_t got = m_file.ReadAt(readAt, buffer.data() + old, kWriteBlockBytes);
                buffer.resize(old + static_cast<size_t>(std::max<int64_t>(got, 0)));
                readAt += std::max<int64_t>(got, 0);
                end = got <= 0;
                ok = ok && got >= 0;
            }
            return buffer.size() - pos >= need;
        };
        std::vector<char> output;
        char encoded[AlarmRecord::kRecordBytes];
        while (ok && available(recordBytes)) {
            AlarmRecord record = AlarmRecord::NewAlarm();
            const char* source = buffer.data() + pos;
            for (int i = 0; i < fieldCount; ++i) {
                AlarmField field = static_cast<AlarmField>(i);
                std::string_view raw(source + AlarmRecord::Offset(field),
                                     AlarmRecord::Capacity(field));
                record.SetField(field,
                                raw.substr(0, raw.find_first_of(std::string_view("\0\1", 2))));
            }
            pos += recordBytes;
            if (available(2) && buffer[pos] == '\r' && buffer[pos + 1] == '\n')
                pos += 2;
            else if (available(1) && buffer[pos] == '\n')
                pos += 1;
            if (record.Int(AlarmField::AlarmType) <= 0)
                continue;
            record.Encode(encoded);
            output.insert(output.end(), encoded, encoded + sizeof encoded);
            if (output.size() >= kWriteBlockBytes) {
                ok = out.Write(output.data(), output.size());
                output.clear();
            }
        }
        ok = ok && out.Write(output.data(), output.size());
    }
    return ok;
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

// --- records -----------------------------------------------------------------

template <typename Visit>
bool AlarmDatabase::Walk(int first, int end, Visit&& visit)
{
    if (m_inMemory) {
        for (int number = first; number < end; ++number) {
            if (!visit(number, m_memory.data() + static_cast<size_t>(number) * kRecordBytes))
                return true;
        }
        return true;
    }
    if (first >= end)
        return true;
    // Read into without clearing first: a small database needs a small block.
    size_t blockRecords = static_cast<size_t>(std::min(kBlockRecords, end - first));
    auto block = std::make_unique_for_overwrite<char[]>(blockRecords * kRecordBytes);
    for (int number = first; number < end;) {
        int records = std::min(kBlockRecords, end - number);
        size_t bytes = static_cast<size_t>(records) * kRecordBytes;
        int64_t got = m_file.ReadAt(number * kRecordBytes, block.get(), bytes);
        if (got < 0)
            return false;
        int whole = static_cast<int>(got / kRecordBytes);
        for (int i = 0; i < whole; ++i) {
            if (!visit(number + i, block.get() + static_cast<size_t>(i) * kRecordBytes))
                return true;
        }
        if (whole < records)
            return false;
        number += records;
    }
    return true;
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

bool AlarmDatabase::DeleteRecords(std::span<const int> numbers)
{
    if (!IsOpen())
        return false;
    std::vector<uint8_t> drop(static_cast<size_t>(m_count), 0);
    int dropCount = 0;
    for (int number : numbers) {
        if (number < 0 || number >= m_count || drop[static_cast<size_t>(number)] != 0)
            continue;
        drop[static_cast<size_t>(number)] = 1;
        ++dropCount;
    }
    if (dropCount == 0)
        return true;
    if (!SettleJournal()) {
        m_lastError = DbError::WriteFailed;
        return false;
    }
    // Records move or go.
    m_lastWritten = -1;

    if (dropCount == m_count) {
        if (!m_file.Truncate(0) || !m_file.Sync()) {
            m_lastError = DbError::WriteFailed;
            return false;
        }
        m_count = 0;
        m_memory.clear();
        m_index.Clear();
        m_indexBuilt = true;
        m_indexedUpTo = 0;
    } else {
        AwaitingIndex index;
        std::vector<char> memory;
        int kept = 0;
        bool created = false;
        bool replaced =
            ReplaceFileWhole(m_path, kTempSuffix, Survives::PowerLoss, [&](FileHandle& out) {
                created = true;
                std::vector<char> output;
                output.reserve(kWriteBlockBytes + kRecordBytes);
                bool ok = true;
                bool read = Walk(0, m_count, [&](int number, const char* bytes) {
                    if (drop[static_cast<size_t>(number)] != 0)
                        return true;
                    index.Add(kept++, AlarmRecord::FromBytes(bytes));
                    output.insert(output.end(), bytes, bytes + kRecordBytes);
                    if (m_inMemory)
                        memory.insert(memory.end(), bytes, bytes + kRecordBytes);
                    if (output.size() >= kWriteBlockBytes) {
                        ok = out.Write(output.data(), output.size());
                        output.clear();
                    }
                    return ok;
                });
                return ok && read && kept == m_count - dropCount &&
                       out.Write(output.data(), output.size());
            });
        if (!replaced) {
            m_lastError = created ? DbError::WriteFailed : DbError::TempNotCreated;
            return false;
        }
        m_lastWritten = -1;
        // The old descriptor still reads the replaced file.
        m_file = FileHandle::OpenReadWrite(m_path);
        if (!m_file.IsOpen()) {
            ReleaseFiles();
            m_lastError = DbError::CannotOpen;
            return false;
        }
        m_count = kept;
        ForgetNumberKeys();
        m_memory = std::move(memory);
        m_index = std::move(index);
        m_indexBuilt = true;
        m_indexedUpTo = kept;
    }
    m_current = -1;
    RebuildView();
    return true;
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

bool AlarmDatabase::EnsureIndex()
{
    if (m_indexBuilt || !IsOpen())
        return m_indexBuilt;
    if (m_indexCompleted)
        return false;
    BusyScope busy(m_busy);
    return IndexUpTo(m_count);
}

bool AlarmDatabase::IndexUpTo(int end)
{
    Walk(m_indexedUpTo, std::min(end, m_count), [&](int number, const char* bytes) {
        m_indexedUpTo = number + 1;
        // Most records are confirmed by an operator and add nothing; telling
        // them by two fields spares decoding a million records.
        std::string_view state = AlarmRecord::FieldIn(bytes, AlarmField::ConfirmState);
        if (AlarmRecord::FieldIn(bytes, AlarmField::Confirmed) == "1" &&
            (state == "2" || state == "3"))
            return true;
        m_index.Add(number, AlarmRecord::FromBytes(bytes));
        return true;
    });
    m_indexBuilt = m_indexedUpTo >= m_count;
    return m_indexBuilt;
}

void AlarmDatabase::BuildIndexInSlices(IndexCompleted completed)
{
    m_indexCompleted = std::move(completed);
    m_groupsAskedEarly = false;
    m_unconfirmedAskedEarly = false;
}

bool AlarmDatabase::BuildIndexSlice(int records)
{
    if (!IsOpen())
        return true;
    if (!m_indexBuilt && !IndexUpTo(m_indexedUpTo + std::max(records, 1)))
        return false;
    bool groups = std::exchange(m_groupsAskedEarly, false);
    bool unconfirmed = std::exchange(m_unconfirmedAskedEarly, false);
    if (m_indexCompleted && (groups || unconfirmed))
        m_indexCompleted(groups, unconfirmed);
    return true;
}

std::vector<AwaitingGroup> AlarmDatabase::AwaitingGroups()
{
    m_groupsAskedEarly = !EnsureIndex() || m_groupsAskedEarly;
    return m_index.AwaitingGroups();
}

const std::vector<int>& AlarmDatabase::UnconfirmedRecords()
{
    m_unconfirmedAskedEarly = !EnsureIndex() || m_unconfirmedAskedEarly;
    return m_index.Unconfirmed();
}

int AlarmDatabase::FirstUnconfirmed(const AwaitingIndex::Wanted& wanted)
{
    m_unconfirmedAskedEarly = !EnsureIndex() || m_unconfirmedAskedEarly;
    return m_index.FirstUnconfirmed(wanted);
}

// --- the view ----------------------------------------------------------------

int AlarmDatabase::ViewRecord(int position) const
{
    if (position < 0 || position >= ViewCount())
        return -1;
    return m_view.At(static_cast<size_t>(position));
}

bool AlarmDatabase::ReadViewed(int position, AlarmRecord& record)
{
    int number = ViewRecord(position);
    if (number < 0) {
        m_lastError = DbError::OutOfRange;
        return false;
    }
    return Read(number, record);
}

void AlarmDatabase::ReserveView(size_t size)
{
    while (static_cast<size_t>(m_viewCapacity) < size)
        m_viewCapacity += kViewGrowth;
}

void AlarmDatabase::AssignView(const std::vector<int>& numbers)
{
    ReserveView(numbers.size());
    m_view.Assign(numbers);
}

void AlarmDatabase::RebuildView()
{
    std::vector<int> numbers;
    if (!m_filterActive || m_filter == nullptr) {
        numbers.resize(static_cast<size_t>(m_count));
        std::iota(numbers.begin(), numbers.end(), 0);
    } else {
        m_filter->BeginPass();
        Walk(0, m_count, [&](int number, const char* bytes) {
            if (m_filter->Matches(AlarmRecord::FromBytes(bytes)))
                numbers.push_back(number);
            return true;
        });
        m_filter->EndPass();
    }
    AssignView(numbers);
    if ((m_sortCode != kSortByArrival || m_sortDirection != SortDirection::Ascending) &&
        !SortView(m_sortCode, m_sortDirection)) {
        m_sortCode = kSortByArrival;
        m_sortDirection = SortDirection::Ascending;
    }
    m_lastPosition = -1;
}

void AlarmDatabase::SetFilterActive()
{
    m_filterActive = true;
    RebuildView();
}

void AlarmDatabase::ClearFilter()
{
    m_filterActive = false;
    RebuildView();
}

void AlarmDatabase::AddToView(int number, const AlarmRecord& record)
{
    if (m_view.Size() >= static_cast<size_t>(m_viewCapacity))
        ReserveView(m_view.Size() + 1);
    if (m_filterActive && m_filter != nullptr && !m_filter->Matches(record)) {
        m_lastPosition = -1;
        return;
    }
    m_lastPosition = InsertionPosition(number, record);
}

int AlarmDatabase::InsertionPosition(int number, const AlarmRecord& record)
{
    bool ascending = m_sortDirection == SortDirection::Ascending;
    SortKeyKind kind = KindOf(m_sortCode);
    size_t low = 0;
    size_t high = m_view.Size();
    if (m_sortCode == kSortByArrival) {
        // A new record has the highest number: the end, or the front when
        // the newest come first.
        if (ascending && (high == 0 || m_view.At(high - 1) < number))
            low = high;
        else if (!ascending && (high == 0 || m_view.At(0) < number))
            high = 0;
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (ascending ? probe < number : probe > number)
                low = middle + 1;
            else
                high = middle;
        }
    } else if (std::vector<int64_t>* keys = NumberKeys(m_sortCode)) {
        int64_t key = (*keys)[static_cast<size_t>(number)];
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (Before(kind, m_sortDirection, (*keys)[static_cast<size_t>(probe)], {}, probe, key,
                       {}, number))
                low = middle + 1;
            else
                high = middle;
        }
    } else if (kind != SortKeyKind::None) {
        SortKey key;
        KeyOf(m_sortCode, record.Bytes(), key);
        SortKey probeKey;
        char bytes[AlarmRecord::kFieldBytes];
        while (low < high) {
            size_t middle = low + (high - low) / 2;
            int probe = m_view.At(middle);
            if (!ReadBytes(probe, bytes, sizeof bytes)) {
                low = m_view.Size();
                break;
            }
            KeyOf(m_sortCode, bytes, probeKey);
            if (Before(kind, m_sortDirection, probeKey.number, probeKey.text, probe, key.number,
                       key.text, number))
                low = middle + 1;
            else
                high = middle;
        }
    } else {
        low = m_view.Size();
    }
    m_view.Insert(low, number);
    return static_cast<int>(low);
}

void AlarmDatabase::ReevaluateRecord(int number)
{
    if (!m_filterActive || m_filter == nullptr || number < 0 || number >= m_count)
        return;
    char bytes[AlarmRecord::kFieldBytes];
    if (!ReadBytes(number, bytes, sizeof bytes))
        return;
    AlarmRecord record = AlarmRecord::FromBytes(bytes);
    bool passes = m_filter->Matches(record);
    long at = m_view.Find(number);
    bool present = at >= 0;
    if (present == passes)
        return;
    if (present)
        m_view.Erase(static_cast<size_t>(at));
    else
        InsertionPosition(number, record);
    m_lastPosition = -1;
}

SortKeyKind AlarmDatabase::KindOf(int code) const
{
    switch (code) {
    case 0:
    case 1:
    case 3:
    case 4:
    case 5:
    case 7:
    case 11:
        return SortKeyKind::Number;
    case 2:
    case 6:
    case 8:
    case 9:
        return SortKeyKind::Text;
    default:
        return m_sortKeys != nullptr ? m_sortKeys->KindOf(code) : SortKeyKind::None;
    }
}

void AlarmDatabase::KeyOf(int code, const char* bytes, SortKey& key)
{
    auto text = [bytes](AlarmField field) { return AlarmRecord::FieldIn(bytes, field); };
    switch (code) {
    case 0:
        key.number = 0;
        return;
    case 1:
        key.number = ParseDecimal(text(AlarmField::TimeDeparture));
        return;
    case 2:
        FoldCase(text(AlarmField::Recorder), key.text);
        return;
    case 3:
        key.number = Int32Of(text(AlarmField::CameraID));
        return;
    case 4:
        key.number = Int32Of(text(AlarmField::TrackID));
        return;
    case 5:
        key.number = Int32Of(text(AlarmField::AlarmType));
        return;
    case 6:
        FoldCase(text(AlarmField::AddInfo), key.text);
        return;
    case 7:
        key.number = ConfirmationRank(bytes);
        return;
    case 8:
        FoldCase(text(AlarmField::ConfirmUser), key.text);
        return;
    case 9:
        FoldCase(text(AlarmField::ConfirmComment), key.text);
        return;
    case 11:
        key.number = ParseDecimal(text(AlarmField::ActionTime));
        return;
    default:
        if (m_sortKeys == nullptr)
            return;
        AlarmRecord record = AlarmRecord::FromBytes(bytes);
        if (m_sortKeys->KindOf(code) == SortKeyKind::Number) {
            key.number = m_sortKeys->NumberKey(code, record);
            return;
        }
        m_sortKeys->TextKey(code, record, m_textKey);
        FoldCase(m_textKey, key.text);
    }
}

std::vector<uint8_t> AlarmDatabase::ViewMembership() const
{
    if (!m_filterActive)
        return {};
    std::vector<uint8_t> member(static_cast<size_t>(m_count), 0);
    m_view.ForEach([&member](int number) { member[static_cast<size_t>(number)] = 1; });
    return member;
}

bool AlarmDatabase::SortView(int code, SortDirection direction)
{
    SortKeyKind kind = KindOf(code);
    if (kind == SortKeyKind::None)
        return false;
    bool sorted =
        code == kSortByArrival ? SortByRecordNumber(direction) : SortByKeys(code, kind, direction);
    if (!sorted)
        return false;
    m_sortCode = code;
    m_sortDirection = direction;
    m_lastPosition = -1;
    return true;
}

bool AlarmDatabase::SortByRecordNumber(SortDirection direction)
{
    std::vector<int> numbers;
    if (m_filterActive) {
        numbers = m_view.Flatten();
        std::sort(numbers.begin(), numbers.end());
    } else {
        // Unfiltered, the view holds every record: file order needs no comparison.
        numbers.resize(static_cast<size_t>(m_count));
        std::iota(numbers.begin(), numbers.end(), 0);
    }
    if (direction == SortDirection::Descending)
        std::reverse(numbers.begin(), numbers.end());
    AssignView(numbers);
    return true;
}

// Each record's key is read once into an unsigned number whose ascending
// order is the wanted order: numbers directly, texts by the rank of their
// folded form among the distinct texts. A stable radix sort of the entries,
// taken newest first, then leaves equal keys newest first.
bool AlarmDatabase::SortByKeys(int code, SortKeyKind kind, SortDirection direction)
{
    std::vector<uint8_t> member = ViewMembership();
    std::vector<SortEntry> entries;
    entries.reserve(m_view.Size());
    std::unordered_map<std::string, uint32_t> textIds;
    if (kind == SortKeyKind::Number && IsFieldCode(code) && BuildNumberKeys(code)) {
        const std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
        for (int number = 0; number < m_count; ++number) {
            if (member.empty() || member[static_cast<size_t>(number)] != 0)
                entries.push_back(
                    {static_cast<uint64_t>(keys[static_cast<size_t>(number)]) ^ (uint64_t{1} << 63),
                     number});
        }
    } else if (InternedColumn* column = TextColumn(code)) {
        // The key of each distinct combination of texts, from a record that
        // holds just these texts.
        std::vector<uint64_t> keyOf(column->Distinct());
        char bytes[AlarmRecord::kRecordBytes];
        AlarmRecord::NewAlarm().Encode(bytes);
        bool delegated = !IsFieldCode(code);
        if (delegated)
            m_sortKeys->BeginPass();
        SortKey key;
        for (uint32_t id = 0; id < keyOf.size(); ++id) {
            column->Restore(id, bytes);
            KeyOf(code, bytes, key);
            keyOf[id] = kind == SortKeyKind::Number
                            ? static_cast<uint64_t>(key.number) ^ (uint64_t{1} << 63)
                            : textIds.try_emplace(key.text, static_cast<uint32_t>(textIds.size()))
                                  .first->second;
        }
        if (delegated)
            m_sortKeys->EndPass();
        const std::vector<uint32_t>& ids = column->Ids();
        for (int number = 0; number < m_count; ++number) {
            if (member.empty() || member[static_cast<size_t>(number)] != 0)
                entries.push_back({keyOf[ids[static_cast<size_t>(number)]], number});
        }
    } else {
        bool delegated = !IsFieldCode(code);
        if (delegated)
            m_sortKeys->BeginPass();
        SortKey key;
        bool read = Walk(0, m_count, [&](int number, const char* bytes) {
            if (!member.empty() && member[static_cast<size_t>(number)] == 0)
                return true;
            KeyOf(code, bytes, key);
            if (kind == SortKeyKind::Number) {
                entries.push_back(
                    {static_cast<uint64_t>(key.number) ^ (uint64_t{1} << 63), number});
                return true;
            }
            auto id = textIds.try_emplace(key.text, static_cast<uint32_t>(textIds.size())).first;
            entries.push_back({id->second, number});
            return true;
        });
        if (delegated)
            m_sortKeys->EndPass();
        if (!read)
            return false;
    }
    if (entries.size() != m_view.Size())
        return false;

    bool ascending = direction == SortDirection::Ascending;
    if (kind == SortKeyKind::Number) {
        if (!ascending) {
            for (SortEntry& entry : entries)
                entry.key = ~entry.key;
        }
    } else {
        std::vector<const std::string*> texts(textIds.size());
        for (const auto& [text, id] : textIds)
            texts[id] = &text;
        std::vector<uint32_t> order(texts.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(),
                  [&](uint32_t a, uint32_t b) { return *texts[a] < *texts[b]; });
        std::vector<uint64_t> rank(texts.size());
        for (size_t i = 0; i < order.size(); ++i)
            rank[order[i]] = i;
        // Texts run the other way round: ascending is Z to A.
        for (SortEntry& entry : entries)
            entry.key = ascending ? texts.size() - 1 - rank[entry.key] : rank[entry.key];
    }
    std::reverse(entries.begin(), entries.end());
    RadixSort(entries);
    std::vector<int> numbers(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        numbers[i] = entries[i].number;
    AssignView(numbers);
    return true;
}

std::vector<int64_t>* AlarmDatabase::NumberKeys(int code)
{
    if (code <= 0 || code >= static_cast<int>(m_numberKeys.size()))
        return nullptr;
    std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
    return keys.size() == static_cast<size_t>(m_count) && m_count > 0 ? &keys : nullptr;
}

bool AlarmDatabase::BuildNumberKeys(int code)
{
    if (NumberKeys(code) != nullptr)
        return true;
    std::vector<int64_t>& keys = m_numberKeys[static_cast<size_t>(code)];
    keys.clear();
    keys.reserve(static_cast<size_t>(m_count));
    SortKey key;
    bool read = Walk(0, m_count, [&](int, const char* bytes) {
        KeyOf(code, bytes, key);
        keys.push_back(key.number);
        return true;
    });
    if (!read || keys.size() != static_cast<size_t>(m_count)) {
        keys.clear();
        return false;
    }
    return true;
}

void AlarmDatabase::KeepNumberKeys(int number, const char* bytes)
{
    SortKey key;
    for (size_t code = 1; code < m_numberKeys.size(); ++code) {
        std::vector<int64_t>& keys = m_numberKeys[code];
        if (keys.empty())
            continue;
        KeyOf(static_cast<int>(code), bytes, key);
        auto at = static_cast<size_t>(number);
        if (at < keys.size())
            keys[at] = key.number;
        else if (at == keys.size())
            keys.push_back(key.number);
        else
            keys.clear();
    }
}

void AlarmDatabase::ForgetNumberKeys()
{
    for (std::vector<int64_t>& keys : m_numberKeys) {
        keys.clear();
        keys.shrink_to_fit();
    }
    m_textColumns.clear();
}

size_t AlarmDatabase::SortColumnBytes() const
{
    size_t bytes = 0;
    for (const std::vector<int64_t>& keys : m_numberKeys)
        bytes += keys.capacity() * sizeof(int64_t);
    for (const TextColumnSlot& slot : m_textColumns)
        bytes += slot.column.MemoryBytes();
    return bytes;
}

std::vector<AlarmField> AlarmDatabase::ColumnFields(int code) const
{
    switch (code) {
    case 2:
        return {AlarmField::Recorder};
    case 6:
        return {AlarmField::AddInfo};
    case 8:
        return {AlarmField::ConfirmUser};
    case 9:
        return {AlarmField::ConfirmComment};
    default:
        if (IsFieldCode(code) || m_sortKeys == nullptr)
            return {};
        return m_sortKeys->KeyFields(code);
    }
}

InternedColumn* AlarmDatabase::TextColumn(int code)
{
    std::vector<AlarmField> fields = ColumnFields(code);
    if (fields.empty() || m_count == 0)
        return nullptr;
    auto slot = std::find_if(m_textColumns.begin(), m_textColumns.end(),
                             [&](const TextColumnSlot& s) { return s.column.Fields() == fields; });
    if (slot == m_textColumns.end())
        slot = m_textColumns.insert(slot, TextColumnSlot{InternedColumn(fields)});
    InternedColumn& column = slot->column;
    if (slot->gaveUp)
        return nullptr;
    if (column.Size() == static_cast<size_t>(m_count))
        return &column;
    column.Clear();
    bool kept = true;
    bool read = Walk(0, m_count, [&](int number, const char* bytes) {
        kept = column.Set(static_cast<size_t>(number), bytes);
        return kept;
    });
    slot->gaveUp = !kept;
    if (!read || !kept || column.Size() != static_cast<size_t>(m_count)) {
        column.Clear();
        return nullptr;
    }
    return &column;
}

void AlarmDatabase::KeepTextColumns(int number, const char* bytes)
{
    for (TextColumnSlot& slot : m_textColumns) {
        InternedColumn& column = slot.column;
        if (column.Size() == 0)
            continue;
        if (static_cast<size_t>(number) > column.Size())
            column.Clear();
        else if (!column.Set(static_cast<size_t>(number), bytes))
            slot.gaveUp = true;
    }
}

// --- new events ----------------------------------------------------------------

ConfigNode* AlarmDatabase::GuardEvent() const
{
    return FindConfigNode(m_tree, {"Runtime", "GuardEvent"});
}

bool AlarmDatabase::StartObserving()
{
    StopObserving();
    ConfigLock lock(m_tree);
    m_observed = GuardEvent();
    if (m_observed == nullptr)
        return false;
    m_observed->AddObserver(this);
    return true;
}

void AlarmDatabase::StopObserving()
{
    if (m_observed == nullptr)
        return;
    ConfigLock lock(m_tree);
    m_observed->RemoveObserver(this);
    m_observed = nullptr;
}

void AlarmDatabase::OnChanged()
{
    ConfigLock lock(m_tree);
    // Read for every alarm: the fields are found by name once.
    enum Field : size_t { kType, kArrival, kDeparture, kRecorder, kCamera, kTrack, kAddInfo };
    static CachedChildren fields({"Runtime", "GuardEvent"},
                                 {"AlarmType", "TimeArrival", "TimeDeparture", "Recorder",
                                  "CameraID", "TrackID", "AddInfo"});
    if (fields.Folder(m_tree) == nullptr || !IsOpen())
        return;
    auto integer = [](Field field) -> int64_t {
        ConfigNode* node = fields.At(field);
        return node != nullptr ? node->GetInt() : -1;
    };
    auto int64 = [](Field field) -> int64_t {
        ConfigNode* node = fields.At(field);
        return node != nullptr ? node->GetInt64() : -1;
    };
    auto text = [](Field field) {
        ConfigNode* node = fields.At(field);
        return node != nullptr ? node->GetString() : std::string();
    };
    if (integer(kType) == -1)
        return;
    AlarmRecord& record = m_recordBuffer;
    record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, int64(kArrival));
    record.SetNumber(AlarmField::TimeDeparture, int64(kDeparture));
    record.SetField(AlarmField::Recorder, text(kRecorder));
    record.SetNumber(AlarmField::CameraID, integer(kCamera));
    record.SetNumber(AlarmField::TrackID, integer(kTrack));
    record.SetNumber(AlarmField::AlarmType, integer(kType));
    record.SetField(AlarmField::AddInfo, text(kAddInfo));
    if (m_newAlarmObserver != nullptr)
        m_newAlarmObserver->PrepareNewAlarm(record);
    // Dispatch marks "the newest record"; without one stored it would mark
    // an older alarm.
    if (!Append(record))
        return;
    if (m_newAlarmObserver != nullptr)
        m_newAlarmObserver->OnNewAlarm(m_count - 1);
}
