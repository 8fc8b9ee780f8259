#include "db/RedoJournal.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Entries of an older station carry only the bytes after and are written
// unconditionally; they only ever outlived an interrupted update.
constexpr char kMagicAfterOnly[4] = {'W', 'R', 'J', '1'};
constexpr char kMagic[4] = {'W', 'R', 'J', '2'};
constexpr size_t kHeaderBytes = 4 + 8 + 4;
constexpr size_t kChecksumBytes = 8;
// Far above one record; a larger length is a foreign or corrupt entry.
constexpr uint32_t kMaxEntryBytes = 1 << 20;

void PutLe(char* out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>(value >> (8 * i));
}

uint64_t GetLe(const char* in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    return value;
}

// FNV-1a, a byte at a time: the checksum of older entries.
uint64_t ByteChecksum(const char* data, size_t size)
{
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

// Eight bytes a step (a byte a step cost a microsecond per update); as
// good at telling a whole entry from a torn one.
uint64_t Checksum(const char* data, size_t size)
{
    constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
    constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
    uint64_t hash = kPrime1 ^ size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8)
        hash = std::rotl(hash ^ (GetLe(data + i, 8) * kPrime2), 31) * kPrime1;
    for (; i < size; ++i)
        hash = std::rotl(hash ^ (static_cast<unsigned char>(data[i]) * kPrime2), 11) * kPrime1;
    hash ^= hash >> 33;
    hash *= kPrime2;
    return hash ^ (hash >> 29);
}

} // namespace

bool RedoJournal::Open(const std::string& path)
{
    m_file = FileHandle::OpenReadWrite(path);
    m_size = m_file.IsOpen() ? m_file.Size() : 0;
    m_kept = 0;
    m_lastEnd = 0;
    return m_file.IsOpen() && m_size >= 0;
}

void RedoJournal::Close()
{
    m_file.Close();
    m_size = 0;
    m_kept = 0;
    m_lastEnd = 0;
}

bool RedoJournal::Record(int64_t offset, std::span<const char> after, std::span<const char> before)
{
    if (!m_file.IsOpen() || after.size() > kMaxEntryBytes || before.size() != after.size())
        return false;
    size_t length = after.size();
    m_entry.resize(kHeaderBytes + 2 * length + kChecksumBytes);
    char* entry = m_entry.data();
    std::memcpy(entry, kMagic, 4);
    PutLe(entry + 4, static_cast<uint64_t>(offset), 8);
    PutLe(entry + 12, length, 4);
    std::memcpy(entry + kHeaderBytes, after.data(), length);
    std::memcpy(entry + kHeaderBytes + length, before.data(), length);
    size_t checked = kHeaderBytes + 2 * length;
    PutLe(entry + checked, Checksum(entry, checked), 8);
    // A torn write leaves an entry whose checksum fails, in place of one
    // that was complete and applied: nothing is lost by overwriting it.
    if (!m_file.WriteAt(m_kept, entry, m_entry.size()))
        return false;
    m_lastEnd = m_kept + static_cast<int64_t>(m_entry.size());
    m_size = std::max(m_size, m_lastEnd);
    return true;
}

void RedoJournal::KeepLast()
{
    m_kept = std::max(m_kept, m_lastEnd);
}

bool RedoJournal::Clear()
{
    if (!m_file.IsOpen())
        return false;
    if (m_size != 0 && !m_file.Truncate(0))
        return false;
    m_size = 0;
    m_kept = 0;
    m_lastEnd = 0;
    return true;
}

int RedoJournal::Replay(FileHandle& target, int64_t targetSize)
{
    if (!m_file.IsOpen() || m_size <= 0)
        return 0;
    std::vector<char> journal(static_cast<size_t>(m_size));
    int64_t read = m_file.ReadAt(0, journal.data(), journal.size());
    if (read < 0)
        return -1;
    journal.resize(static_cast<size_t>(read));

    int written = 0;
    size_t pos = 0;
    std::vector<char> current;
    while (journal.size() - pos >= kHeaderBytes + kChecksumBytes) {
        const char* entry = journal.data() + pos;
        bool guarded = std::memcmp(entry, kMagic, 4) == 0;
        if (!guarded && std::memcmp(entry, kMagicAfterOnly, 4) != 0)
            break;
        uint64_t offset = GetLe(entry + 4, 8);
        uint64_t length = GetLe(entry + 12, 4);
        size_t copies = guarded ? 2 : 1;
        if (length > kMaxEntryBytes ||
            journal.size() - pos < kHeaderBytes + copies * length + kChecksumBytes)
            break;
        size_t checked = kHeaderBytes + copies * static_cast<size_t>(length);
        uint64_t sum = guarded ? Checksum(entry, checked) : ByteChecksum(entry, checked);
        if (GetLe(entry + checked, 8) != sum)
            break;
        pos += checked + kChecksumBytes;
        if (offset > static_cast<uint64_t>(targetSize) ||
            length > static_cast<uint64_t>(targetSize) - offset)
            continue;
        const char* after = entry + kHeaderBytes;
        if (guarded) {
            // Bytes that neither this update could have left nor were there
            // before it: the target was rewritten since, the entry is stale.
            const char* before = after + length;
            current.resize(static_cast<size_t>(length));
            if (target.ReadAt(static_cast<int64_t>(offset), current.data(), current.size()) !=
                static_cast<int64_t>(current.size()))
                continue;
            bool ours = true;
            for (size_t i = 0; i < current.size() && ours; ++i)
                ours = current[i] == after[i] || current[i] == before[i];
            if (!ours)
                continue;
        }
        if (!target.WriteAt(static_cast<int64_t>(offset), after, static_cast<size_t>(length)))
            return -1;
        ++written;
    }
    if (written > 0 && !target.Sync())
        return -1;
    Clear();
    return written;
}
