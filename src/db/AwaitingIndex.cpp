#include "db/AwaitingIndex.h"

#include <algorithm>

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
    m_groups.clear();
    m_awaitingCount = 0;
    m_unconfirmed.clear();
    m_unconfirmedKeys.clear();
    m_keyIds.clear();
    m_keys.clear();
}

uint32_t AwaitingIndex::KeyId(const AlarmRecord& record)
{
    auto [it, inserted] = m_keyIds.try_emplace(KeyOf(record), static_cast<uint32_t>(m_keys.size()));
    if (inserted)
        m_keys.push_back(it->first);
    return it->second;
}

AwaitingIndex::Key AwaitingIndex::KeyOf(const AlarmRecord& record)
{
    return {std::string(record.Field(AlarmField::Recorder)), record.Int(AlarmField::AlarmType),
            record.Int(AlarmField::CameraID)};
}

void AwaitingIndex::Count(const AlarmRecord& record, int64_t delta)
{
    auto [it, inserted] = m_groups.try_emplace(KeyOf(record), 0);
    it->second += delta;
    if (it->second <= 0)
        m_groups.erase(it);
    m_awaitingCount += delta;
}

void AwaitingIndex::Add(int number, const AlarmRecord& record)
{
    if (AwaitsOperator(record))
        Count(record, 1);
    if (IsUnconfirmed(record)) {
        m_unconfirmed.push_back(number);
        m_unconfirmedKeys.push_back(KeyId(record));
    }
}

void AwaitingIndex::Change(int number, const AlarmRecord& before, const AlarmRecord& after)
{
    if (AwaitsOperator(before))
        Count(before, -1);
    if (AwaitsOperator(after))
        Count(after, 1);
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

int AwaitingIndex::FirstUnconfirmed(const Wanted& wanted) const
{
    // Per combination: 0 not asked yet, 1 wanted, 2 not.
    std::vector<uint8_t> decided(m_keys.size(), 0);
    for (size_t i = 0; i < m_unconfirmed.size(); ++i) {
        uint32_t id = m_unconfirmedKeys[i];
        if (decided[id] == 0) {
            const Key& key = m_keys[id];
            decided[id] = wanted(std::get<0>(key), std::get<1>(key), std::get<2>(key)) ? 1 : 2;
        }
        if (decided[id] == 1)
            return m_unconfirmed[i];
    }
    return -1;
}

std::vector<AwaitingGroup> AwaitingIndex::AwaitingGroups() const
{
    std::vector<AwaitingGroup> groups;
    groups.reserve(m_groups.size());
    for (const auto& [key, count] : m_groups)
        groups.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), count});
    return groups;
}
