// Record layout: a mark byte ('Q' queued, 'D' done), the telegram's byte
// count (32-bit little-endian), the origin address's length (one byte), the
// address, the telegram, and a checksum over everything after the mark.
#include "links/ForwardJournal.h"

#include "links/LittleEndian.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint8_t kQueued = 'Q';
constexpr uint8_t kDone = 'D';
constexpr size_t kFixedBytes = 1 + 4 + 1 + 4;
constexpr size_t kMaxTelegram = 18 + 65536;

uint32_t Checksum(const uint8_t* bytes, size_t n)
{
    // FNV-1a: a torn or foreign record is all it must tell apart.
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t n, int64_t offset)
{
    while (n > 0) {
        ssize_t written = ::pwrite(fd, bytes, n, offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        n -= static_cast<size_t>(written);
        offset += written;
    }
    return true;
}

std::vector<uint8_t> ReadWhole(int fd)
{
    std::vector<uint8_t> bytes;
    uint8_t chunk[1 << 16];
    for (int64_t offset = 0;;) {
        ssize_t n = ::pread(fd, chunk, sizeof chunk, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.insert(bytes.end(), chunk, chunk + n);
        offset += n;
    }
}

std::vector<uint8_t> EncodeRecord(const ForwardQueueItem& item)
{
    size_t ipLength = std::min<size_t>(item.originIp.size(), 255);
    std::vector<uint8_t> record(kFixedBytes + ipLength + item.bytes.size());
    record[0] = kQueued;
    StoreI32(record.data() + 1, static_cast<int32_t>(item.bytes.size()));
    record[5] = static_cast<uint8_t>(ipLength);
    std::memcpy(record.data() + 6, item.originIp.data(), ipLength);
    if (!item.bytes.empty())
        std::memcpy(record.data() + 6 + ipLength, item.bytes.data(), item.bytes.size());
    size_t body = record.size() - 4;
    StoreI32(record.data() + body, static_cast<int32_t>(Checksum(record.data() + 1, body - 1)));
    return record;
}

} // namespace

ForwardJournal::ForwardJournal(std::filesystem::path path) : m_path(std::move(path)) {}

ForwardJournal::~ForwardJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<ForwardQueueItem> ForwardJournal::Open()
{
    std::vector<ForwardQueueItem> items;
    m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return items;
    // A file left by an older umask still holds alarm data: owner only.
    ::fchmod(m_fd, 0600);
    std::vector<uint8_t> bytes = ReadWhole(m_fd);
    size_t at = 0;
    while (bytes.size() - at >= kFixedBytes) {
        const uint8_t* record = bytes.data() + at;
        auto count = static_cast<uint32_t>(LoadI32(record + 1));
        size_t ipLength = record[5];
        if ((record[0] != kQueued && record[0] != kDone) || count > kMaxTelegram)
            break;
        size_t size = kFixedBytes + ipLength + count;
        if (bytes.size() - at < size ||
            static_cast<uint32_t>(LoadI32(record + size - 4)) != Checksum(record + 1, size - 5))
            break;
        if (record[0] == kQueued) {
            ForwardQueueItem item;
            item.count = static_cast<int32_t>(count);
            item.originIp.assign(reinterpret_cast<const char*>(record + 6), ipLength);
            item.bytes.assign(record + 6 + ipLength, record + 6 + ipLength + count);
            items.push_back(std::move(item));
            m_queued.push_back(static_cast<int64_t>(at));
        }
        at += size;
    }
    // Whatever follows the last whole record was cut short by a kill.
    m_end = static_cast<int64_t>(at);
    if (static_cast<size_t>(m_end) != bytes.size() && ::ftruncate(m_fd, m_end) != 0)
        m_end = static_cast<int64_t>(bytes.size());
    if (m_queued.empty())
        Clear();
    return items;
}

void ForwardJournal::Appended(const ForwardQueueItem& item)
{
    if (m_fd < 0)
        return;
    std::vector<uint8_t> record = EncodeRecord(item);
    if (!WriteAll(m_fd, record.data(), record.size(), m_end)) {
        // A record that is not whole is cut off at the next open anyway.
        return;
    }
    m_queued.push_back(m_end);
    m_end += static_cast<int64_t>(record.size());
}

void ForwardJournal::HeadRemoved()
{
    if (m_fd < 0 || m_queued.empty())
        return;
    int64_t offset = m_queued.front();
    m_queued.pop_front();
    if (m_queued.empty()) {
        Clear();
        return;
    }
    // One byte cannot be torn.
    WriteAll(m_fd, &kDone, 1, offset);
    int64_t dead = m_queued.front();
    if (dead > kCompactBytes && dead > m_end - dead)
        Compact();
}

void ForwardJournal::Clear()
{
    m_queued.clear();
    if (m_fd >= 0 && ::ftruncate(m_fd, 0) == 0)
        m_end = 0;
}

void ForwardJournal::Compact()
{
    // Items leave from the front only, so the queued records are the tail of
    // the file: it is copied into a new file that replaces the old one by
    // rename, which a kill cannot leave half done.
    int64_t start = m_queued.front();
    std::filesystem::path temporary = m_path;
    temporary += ".new";
    int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    std::vector<uint8_t> chunk(1 << 16);
    bool ok = true;
    for (int64_t from = start; ok && from < m_end;) {
        size_t want = static_cast<size_t>(std::min<int64_t>(m_end - from, chunk.size()));
        ssize_t n = ::pread(m_fd, chunk.data(), want, from);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0 && WriteAll(fd, chunk.data(), static_cast<size_t>(n), from - start);
        from += n > 0 ? n : 0;
    }
    if (!ok || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return;
    }
    ::close(m_fd);
    m_fd = fd;
    m_end -= start;
    for (int64_t& offset : m_queued)
        offset -= start;
}
