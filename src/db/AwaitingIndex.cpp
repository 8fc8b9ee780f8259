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
    if (IsUnconfirmed(record))
        m_unconfirmed.push_back(number);
}

void AwaitingIndex::Change(int number, const AlarmRecord& before, const AlarmRecord& after)
{
    if (AwaitsOperator(before))
        Count(before, -1);
    if (AwaitsOperator(after))
        Count(after, 1);
    bool wasUnconfirmed = IsUnconfirmed(before);
    bool isUnconfirmed = IsUnconfirmed(after);
    if (wasUnconfirmed == isUnconfirmed)
        return;
    auto at = std::lower_bound(m_unconfirmed.begin(), m_unconfirmed.end(), number);
    if (isUnconfirmed)
        m_unconfirmed.insert(at, number);
    else if (at != m_unconfirmed.end() && *at == number)
        m_unconfirmed.erase(at);
}

std::vector<AwaitingGroup> AwaitingIndex::AwaitingGroups() const
{
    std::vector<AwaitingGroup> groups;
    groups.reserve(m_groups.size());
    for (const auto& [key, count] : m_groups)
        groups.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), count});
    return groups;
}
