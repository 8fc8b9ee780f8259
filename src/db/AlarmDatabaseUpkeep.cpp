// Keeping the record file in shape: the count cache, the conversion of an
// older record layout and the deletion of records, each file rewrite done
// whole under a temporary name.

#include "config/CachedChildren.h"
#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmDatabaseFile.h"
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

constexpr size_t kWriteBlockBytes = 1 << 20;

size_t LayoutBytes(int fieldCount)
{
    size_t bytes = 0;
    for (int i = 0; i < fieldCount; ++i)
        bytes += AlarmRecord::Capacity(static_cast<AlarmField>(i));
    return bytes;
}

} // namespace

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
        ConfigNode* flag = Find(m_tree, kDoNotWriteCountCache);
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
    Set(m_tree, kDoNotWriteCountCache, value);
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

    if (!(dropCount == m_count ? EmptyFile() : RewriteWithout(drop, m_count - dropCount)))
        return false;
    m_current = -1;
    RebuildView();
    return true;
}

bool AlarmDatabase::EmptyFile()
{
    if (!m_file.Truncate(0) || !m_file.Sync()) {
        m_lastError = DbError::WriteFailed;
        return false;
    }
    m_count = 0;
    m_memory.clear();
    m_index.Clear();
    m_indexBuilt = true;
    m_indexedUpTo = 0;
    return true;
}

// The kept records go whole into a new file that replaces the old one; the
// awaiting index and the copy in memory are built on the way.
bool AlarmDatabase::RewriteWithout(const std::vector<uint8_t>& drop, int keep)
{
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
            return ok && read && kept == keep && out.Write(output.data(), output.size());
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
    return true;
}
