// Record layout: a mark byte ('Q' queued, 'D' done), the telegram's byte
// count (32-bit little-endian), the origin address's length (one byte), the
// address, the telegram, and a checksum over everything after the mark. The
// checksum is copied last, so a record cut short by a kill never reads as
// whole. Reading stops at the first record that is not whole; bytes after
// the end are zero or belong to records that are done.
#include "links/ForwardJournal.h"

#include "links/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>

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

size_t RecordSize(const ForwardQueueItem& item)
{
    return kFixedBytes + std::min<size_t>(item.originIp.size(), 255) + item.bytes.size();
}

void EncodeRecord(const ForwardQueueItem& item, uint8_t* record)
{
    size_t ipLength = std::min<size_t>(item.originIp.size(), 255);
    size_t size = RecordSize(item);
    StoreI32(record + 1, static_cast<int32_t>(item.bytes.size()));
    record[5] = static_cast<uint8_t>(ipLength);
    std::memcpy(record + 6, item.originIp.data(), ipLength);
    if (!item.bytes.empty())
        std::memcpy(record + 6 + ipLength, item.bytes.data(), item.bytes.size());
    record[0] = kQueued;
    StoreI32(record + size - 4, static_cast<int32_t>(Checksum(record + 1, size - 5)));
}

} // namespace

ForwardJournal::ForwardJournal(std::filesystem::path path) : m_path(std::move(path)) {}

ForwardJournal::~ForwardJournal()
{
    Unmap();
}

std::vector<ForwardQueueItem> ForwardJournal::Open()
{
    std::vector<ForwardQueueItem> items;
    m_file = FileHandle::OpenReadWrite(m_path.string());
    if (!m_file.IsOpen())
        return items;
    // A file left by an older umask still holds alarm data: owner only.
    ::fchmod(m_file.Get(), 0600);
    int64_t fileSize = m_file.Size();
    if (fileSize < 0 || !Map(std::max<int64_t>(fileSize, kMinCapacity))) {
        m_file.Close();
        return items;
    }
    size_t size = static_cast<size_t>(fileSize);
    size_t at = 0;
    while (size - at >= kFixedBytes) {
        const uint8_t* record = m_map + at;
        auto count = static_cast<uint32_t>(LoadI32(record + 1));
        size_t ipLength = record[5];
        if ((record[0] != kQueued && record[0] != kDone) || count > kMaxTelegram)
            break;
        size_t recordSize = kFixedBytes + ipLength + count;
        if (size - at < recordSize || static_cast<uint32_t>(LoadI32(record + recordSize - 4)) !=
                                          Checksum(record + 1, recordSize - 5))
            break;
        if (record[0] == kQueued) {
            ForwardQueueItem item;
            item.count = static_cast<int32_t>(count);
            item.originIp.assign(reinterpret_cast<const char*>(record + 6), ipLength);
            item.bytes.assign(record + 6 + ipLength, record + 6 + ipLength + count);
            items.push_back(std::move(item));
            m_queued.push_back(static_cast<int64_t>(at));
        }
        at += recordSize;
    }
    m_end = static_cast<int64_t>(at);
    // Whatever follows was cut short or is not ours; zeroed, no part of it can
    // ever read as a record behind the ones appended from here on.
    std::memset(m_map + at, 0, static_cast<size_t>(m_capacity) - at);
    if (m_queued.empty())
        Clear();
    return items;
}

void ForwardJournal::Appended(const ForwardQueueItem& item)
{
    int64_t size = static_cast<int64_t>(RecordSize(item));
    if (m_map == nullptr || !Reserve(m_end + size))
        return;
    EncodeRecord(item, m_map + m_end);
    m_queued.push_back(m_end);
    m_end += size;
}

void ForwardJournal::HeadRemoved()
{
    if (m_map == nullptr || m_queued.empty())
        return;
    int64_t offset = m_queued.front();
    m_queued.pop_front();
    if (m_queued.empty()) {
        Clear();
        return;
    }
    m_map[offset] = kDone;
    int64_t dead = m_queued.front();
    if (dead > kCompactBytes && dead > m_end - dead)
        Compact();
}

void ForwardJournal::Clear()
{
    m_queued.clear();
    if (m_map == nullptr)
        return;
    // Zero from the front: a kill in the middle leaves a file that reads as
    // empty, and no old record can ever follow a new one.
    std::memset(m_map, 0, static_cast<size_t>(m_end));
    m_end = 0;
    if (m_capacity > kMinCapacity && m_file.Truncate(kMinCapacity)) {
        Unmap();
        Map(kMinCapacity);
    }
}

bool ForwardJournal::Map(int64_t capacity)
{
    int64_t size = m_file.Size();
    if (size < 0 || (size < capacity && !m_file.Truncate(capacity)))
        return false;
    void* map = ::mmap(nullptr, static_cast<size_t>(capacity), PROT_READ | PROT_WRITE, MAP_SHARED,
                       m_file.Get(), 0);
    if (map == MAP_FAILED)
        return false;
    m_map = static_cast<uint8_t*>(map);
    m_capacity = capacity;
    return true;
}

void ForwardJournal::Unmap()
{
    if (m_map != nullptr)
        ::munmap(m_map, static_cast<size_t>(m_capacity));
    m_map = nullptr;
    m_capacity = 0;
}

bool ForwardJournal::Reserve(int64_t size)
{
    if (size <= m_capacity)
        return true;
    int64_t capacity = std::max(size, m_capacity * 2);
    Unmap();
    return Map(capacity);
}

void ForwardJournal::Compact()
{
    // Items leave from the front only, so the queued records are the tail of
    // the file: it is copied into a new file that replaces the old one by
    // rename, which a kill cannot leave half done. Like every write to the
    // mapping, it is not synced.
    int64_t start = m_queued.front();
    int64_t live = m_end - start;
    int64_t capacity = std::max(live * 2, kMinCapacity);
    if (!ReplaceFileWhole(m_path.string(), ".new", Survives::ProcessDeath, [&](FileHandle& file) {
            return file.Truncate(capacity) &&
                   file.WriteAt(0, m_map + start, static_cast<size_t>(live));
        }))
        return;
    Unmap();
    m_file = FileHandle::OpenReadWrite(m_path.string());
    if (!Map(capacity)) {
        m_queued.clear();
        return;
    }
    m_end = live;
    for (int64_t& offset : m_queued)
        offset -= start;
}
