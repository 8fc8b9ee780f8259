// The alarm table: every access runs under "KXSWMutex".
#include "links/AlarmTable.h"

#include "links/FixedText.h"
#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/NamedMutexLock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

using Layout = AlarmTableLayout;

AlarmTable::AlarmTable(std::string namePrefix) : m_prefix(std::move(namePrefix)) {}

bool AlarmTable::Attach()
{
    Detach();
    if (!m_mutex.Open(m_prefix + kMutexName, SharedAccess::Group))
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    if (m_mapping.Attach(m_prefix + kMappingName, Layout::kSize, SharedCreate::OpenOrCreate,
                         SharedAccess::Group) != AttachResult::Attached)
        return false;
    uint8_t* base = m_mapping.Data();
    if (m_mapping.WasCreated()) {
        std::memset(base, 0, Layout::kSize);
        StoreI32(base + Layout::kVersionAt, Layout::kVersion);
        StoreI32(base + Layout::kHeaderSizeAt, Layout::kHeaderSize);
        StoreI32(base + Layout::kRecordSizeAt, Layout::kRecordSize);
        StoreI32(base + Layout::kCapacityAt, Layout::kCapacity);
        m_valid = true;
        return true;
    }
    m_valid = LoadI32(base + Layout::kVersionAt) == Layout::kVersion;
    if (!m_valid)
        m_mapping.Detach();
    return m_valid;
}

void AlarmTable::Detach()
{
    m_valid = false;
    m_arrivals.clear();
    m_oldestFirst.clear();
    m_lastWritten = -1;
    m_mapping.Detach();
    m_mutex.Close();
}

bool AlarmTable::AddAlarm(std::string_view recorderName, int32_t camera, std::string_view trackName,
                          int64_t arrival, int32_t priority)
{
    if (!m_valid)
        return false;
    std::array<uint8_t, Layout::kRecordSize> record{};
    StoreFixedText({record.data() + Layout::kRecorderNameAt, Layout::kRecorderNameField},
                   recorderName, Layout::kRecorderNameMax);
    StoreFixedText({record.data() + Layout::kTrackNameAt, Layout::kTrackNameField}, trackName,
                   Layout::kTrackNameMax);
    StoreI32(record.data() + Layout::kCameraAt, camera);
    StoreI32(record.data() + Layout::kPriorityAt, priority);
    StoreI64(record.data() + Layout::kArrivalAt, arrival);

    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    int32_t count = CountInUse();
    if (!ArrivalsHold(count))
        ReadArrivals(count);
    int32_t slot = count;
    if (count < Layout::kCapacity) {
        StoreI32(m_mapping.Data() + Layout::kCountAt, count + 1);
        m_arrivals.push_back(arrival);
    } else {
        slot = m_oldestFirst.front();
        m_oldestFirst.pop_front();
        m_arrivals[static_cast<size_t>(slot)] = arrival;
    }
    FileByArrival(slot);
    std::memcpy(Record(slot), record.data(), record.size());
    m_lastWritten = slot;
    return true;
}

bool AlarmTable::ArrivesBefore(int32_t first, int32_t second) const
{
    int64_t a = m_arrivals[static_cast<size_t>(first)];
    int64_t b = m_arrivals[static_cast<size_t>(second)];
    return a < b || (a == b && first < second);
}

void AlarmTable::FileByArrival(int32_t index)
{
    // New alarms are the newest: the search is for the others.
    if (m_oldestFirst.empty() || ArrivesBefore(m_oldestFirst.back(), index)) {
        m_oldestFirst.push_back(index);
        return;
    }
    auto at = std::ranges::lower_bound(
        m_oldestFirst, index, [this](int32_t a, int32_t b) { return ArrivesBefore(a, b); });
    m_oldestFirst.insert(at, index);
}

bool AlarmTable::ArrivalsHold(int32_t count) const
{
    // The live-view program changes the table only by removing records,
    // which changes the count.
    if (static_cast<int32_t>(m_arrivals.size()) != count)
        return false;
    return count == 0 || (m_lastWritten >= 0 && m_lastWritten < count &&
                          LoadI64(Record(m_lastWritten) + Layout::kArrivalAt) ==
                              m_arrivals[static_cast<size_t>(m_lastWritten)]);
}

void AlarmTable::ReadArrivals(int32_t count)
{
    m_arrivals.resize(static_cast<size_t>(count));
    m_oldestFirst.clear();
    for (int32_t i = 0; i < count; ++i) {
        m_arrivals[static_cast<size_t>(i)] = LoadI64(Record(i) + Layout::kArrivalAt);
        m_oldestFirst.push_back(i);
    }
    std::ranges::sort(m_oldestFirst, [this](int32_t a, int32_t b) { return ArrivesBefore(a, b); });
    m_lastWritten = count - 1;
}

bool AlarmTable::RemoveAlarm(int64_t arrival)
{
    if (!m_valid)
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    int32_t count = CountInUse();
    for (int32_t i = 0; i < count; ++i) {
        if (LoadI64(Record(i) + Layout::kArrivalAt) != arrival)
            continue;
        bool held = ArrivalsHold(count);
        std::memmove(Record(i), Record(i + 1), (count - i - 1) * Layout::kRecordSize);
        StoreI32(m_mapping.Data() + Layout::kCountAt, count - 1);
        if (held) {
            m_arrivals.erase(m_arrivals.begin() + i);
            std::erase(m_oldestFirst, i);
            for (int32_t& index : m_oldestFirst)
                index -= index > i ? 1 : 0;
            m_lastWritten = count - 2;
        } else {
            m_arrivals.clear();
            m_oldestFirst.clear();
            m_lastWritten = -1;
        }
        return true;
    }
    return false;
}

bool AlarmTable::SetShownAlarm(int64_t arrival)
{
    if (!m_valid)
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    StoreI64(m_mapping.Data() + Layout::kShownAlarmAt, arrival);
    return true;
}

bool AlarmTable::Read(std::vector<AlarmTableRecord>& records, int64_t& shownAlarm)
{
    records.clear();
    shownAlarm = 0;
    if (!m_valid)
        return false;
    NamedMutexLock lock(m_mutex);
    if (!lock.IsLocked())
        return false;
    int32_t count = CountInUse();
    for (int32_t i = 0; i < count; ++i)
        records.push_back(DecodeRecord(Record(i)));
    shownAlarm = LoadI64(m_mapping.Data() + Layout::kShownAlarmAt);
    return true;
}

AlarmTableRecord AlarmTable::DecodeRecord(const uint8_t* record)
{
    AlarmTableRecord decoded;
    decoded.recorderName =
        LoadFixedText({record + Layout::kRecorderNameAt, Layout::kRecorderNameField});
    decoded.trackName = LoadFixedText({record + Layout::kTrackNameAt, Layout::kTrackNameField});
    decoded.camera = LoadI32(record + Layout::kCameraAt);
    decoded.priority = LoadI32(record + Layout::kPriorityAt);
    decoded.arrival = LoadI64(record + Layout::kArrivalAt);
    return decoded;
}

int32_t AlarmTable::CountInUse() const
{
    return std::clamp(LoadI32(m_mapping.Data() + Layout::kCountAt), 0, Layout::kCapacity);
}

uint8_t* AlarmTable::Record(int32_t index) const
{
    return m_mapping.Data() + Layout::kHeaderSize +
           static_cast<size_t>(index) * Layout::kRecordSize;
}
