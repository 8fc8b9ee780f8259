#include "db/RedoJournal.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[4] = {'W', 'R', 'J', '1'};
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

// FNV-1a: enough to tell a whole entry from a torn one.
uint64_t Checksum(const char* data, size_t size)
{
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) {
        hash ^= static_cast<unsigned char>(data[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

bool RedoJournal::Open(const std::string& path)
{
    m_file = FileHandle::OpenReadWrite(path);
    m_size = m_file.IsOpen() ? m_file.Size() : 0;
    return m_file.IsOpen() && m_size >= 0;
}

void RedoJournal::Close()
{
    m_file.Close();
    m_size = 0;
}

bool RedoJournal::Record(int64_t offset, std::span<const char> bytes)
{
    if (!m_file.IsOpen() || bytes.size() > kMaxEntryBytes)
        return false;
    std::vector<char> entry(kHeaderBytes + bytes.size() + kChecksumBytes);
    std::memcpy(entry.data(), kMagic, 4);
    PutLe(entry.data() + 4, static_cast<uint64_t>(offset), 8);
    PutLe(entry.data() + 12, bytes.size(), 4);
    std::memcpy(entry.data() + kHeaderBytes, bytes.data(), bytes.size());
    size_t checked = kHeaderBytes + bytes.size();
    PutLe(entry.data() + checked, Checksum(entry.data(), checked), 8);
    if (!m_file.WriteAt(m_size, entry.data(), entry.size())) {
        // Leave no half entry for the next one to be appended behind.
        m_file.Truncate(m_size);
        return false;
    }
    m_size += static_cast<int64_t>(entry.size());
    return true;
}

bool RedoJournal::Clear()
{
    if (!m_file.IsOpen())
        return false;
    if (m_size == 0)
        return true;
    if (!m_file.Truncate(0))
        return false;
    m_size = 0;
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
    while (journal.size() - pos >= kHeaderBytes + kChecksumBytes) {
        const char* entry = journal.data() + pos;
        if (std::memcmp(entry, kMagic, 4) != 0)
            break;
        uint64_t offset = GetLe(entry + 4, 8);
        uint64_t length = GetLe(entry + 12, 4);
        if (length > kMaxEntryBytes ||
            journal.size() - pos < kHeaderBytes + length + kChecksumBytes)
            break;
        size_t checked = kHeaderBytes + static_cast<size_t>(length);
        if (GetLe(entry + checked, 8) != Checksum(entry, checked))
            break;
        pos += checked + kChecksumBytes;
        if (offset > static_cast<uint64_t>(targetSize) ||
            length > static_cast<uint64_t>(targetSize) - offset)
            continue;
        if (!target.WriteAt(static_cast<int64_t>(offset), entry + kHeaderBytes,
                            static_cast<size_t>(length)))
            return -1;
        ++written;
    }
    if (written > 0 && !target.Sync())
        return -1;
    Clear();
    return written;
}
