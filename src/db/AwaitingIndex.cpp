#include "db/AwaitingIndex.h"

#include <algorithm>
#include <functional>
#include <numeric>

bool AwaitingIndex::AwaitsOperator(const AlarmRecord& record)
{
    int32_t state = record.Int(AlarmField::ConfirmState);
    return state == 0 || state == 1;
}

bool AwaitingIndex::IsUnconfirmed(const AlarmRecord& record)
{
    return record.Field(AlarmField::Confirmed) != "1";
}

void AwaitingIndex::Clear()
{
    m_keyIds.clear();
    m_keys.clear();
    m_counts.clear();
    m_ordered.clear();
    m_awaitingCount = 0;
    m_unconfirmed.clear();
    m_unconfirmedKeys.clear();
}

size_t AwaitingIndex::KeyHash::operator()(const Key& key) const
{
    size_t hash = std::hash<std::string>()(std::get<0>(key));
    uint64_t numbers = uint64_t{static_cast<uint32_t>(std::get<1>(key))} << 32 |
                       static_cast<uint32_t>(std::get<2>(key));
    return hash ^
           (std::hash<uint64_t>()(numbers) + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2));
}

AwaitingIndex::Key AwaitingIndex::KeyOf(const AlarmRecord& record)
{
    return {std::string(record.Field(AlarmField::Recorder)), record.Int(AlarmField::AlarmType),
            record.Int(AlarmField::CameraID)};
}

uint32_t AwaitingIndex::KeyId(const AlarmRecord& record)
{
    auto [it, inserted] = m_keyIds.try_emplace(KeyOf(record), static_cast<uint32_t>(m_keys.size()));
    if (inserted) {
        m_keys.push_back(it->first);
        m_counts.push_back(0);
    }
    return it->second;
}

void AwaitingIndex::Count(uint32_t id, int64_t delta)
{
    m_counts[id] = std::max<int64_t>(m_counts[id] + delta, 0);
    m_awaitingCount += delta;
}

void AwaitingIndex::Add(int number, const AlarmRecord& record)
{
    bool awaits = AwaitsOperator(record);
    bool unconfirmed = IsUnconfirmed(record);
    if (!awaits && !unconfirmed)
        return;
    uint32_t id = KeyId(record);
    if (awaits)
        Count(id, 1);
    if (unconfirmed) {
        m_unconfirmed.push_back(number);
        m_unconfirmedKeys.push_back(id);
    }
}

void AwaitingIndex::Change(int number, const AlarmRecord& before, const AlarmRecord& after)
{
    if (AwaitsOperator(before))
        Count(KeyId(before), -1);
    if (AwaitsOperator(after))
        Count(KeyId(after), 1);
    bool wasUnconfirmed = IsUnconfirmed(before);
    bool isUnconfirmed = IsUnconfirmed(after);
    if (!wasUnconfirmed && !isUnconfirmed)
        return;
    auto at = std::lower_bound(m_unconfirmed.begin(), m_unconfirmed.end(), number);
    auto keyAt = m_unconfirmedKeys.begin() + (at - m_unconfirmed.begin());
    bool present = at != m_unconfirmed.end() && *at == number;
    if (isUnconfirmed && present) {
        *keyAt = KeyId(after);
    } else if (isUnconfirmed) {
        m_unconfirmedKeys.insert(keyAt, KeyId(after));
        m_unconfirmed.insert(at, number);
    } else if (present) {
        m_unconfirmedKeys.erase(keyAt);
        m_unconfirmed.erase(at);
    }
}

int AwaitingIndex::FirstUnconfirmed(const Wanted& wanted, const Accepted& accepted) const
{
    // Per combination: 0 not asked yet, 1 wanted, 2 not.
    std::vector<uint8_t> decided(m_keys.size(), 0);
    for (size_t i = 0; i < m_unconfirmed.size(); ++i) {
        uint32_t id = m_unconfirmedKeys[i];
        if (decided[id] == 0) {
            const Key& key = m_keys[id];
            decided[id] = wanted(std::get<0>(key), std::get<1>(key), std::get<2>(key)) ? 1 : 2;
        }
        if (decided[id] == 1 && (!accepted || accepted(m_unconfirmed[i])))
            return m_unconfirmed[i];
    }
    return -1;
}

std::vector<AwaitingGroup> AwaitingIndex::AwaitingGroups() const
{
    if (m_ordered.size() != m_keys.size()) {
        m_ordered.resize(m_keys.size());
        std::iota(m_ordered.begin(), m_ordered.end(), 0);
        std::sort(m_ordered.begin(), m_ordered.end(),
                  [this](uint32_t a, uint32_t b) { return m_keys[a] < m_keys[b]; });
    }
    std::vector<AwaitingGroup> groups;
    for (uint32_t id : m_ordered) {
        if (m_counts[id] > 0) {
            const Key& key = m_keys[id];
            groups.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), m_counts[id]});
        }
    }
    return groups;
}
