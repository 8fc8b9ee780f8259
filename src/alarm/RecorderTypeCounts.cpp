#include "alarm/RecorderTypeCounts.h"

#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"

void RecorderTypeCounts::Clear()
{
    m_bars.clear();
    m_index.clear();
    m_total = 0;
}

void RecorderTypeCounts::Build(AlarmDatabase& database)
{
    Clear();
    AlarmRecord record;
    int count = database.ViewCount();
    for (int position = 0; position < count; ++position) {
        if (database.ReadViewed(position, record))
            Add(record);
    }
}

void RecorderTypeCounts::Add(const AlarmRecord& record)
{
    Add(record.Field(AlarmField::Recorder), record.Int(AlarmField::AlarmType));
}

void RecorderTypeCounts::Add(std::string_view address, int32_t alarmType)
{
    auto found = m_index.find(address);
    if (found == m_index.end()) {
        found = m_index.emplace(std::string(address), m_bars.size()).first;
        m_bars.push_back({std::string(address), {}, 0});
    }
    RecorderBar& bar = m_bars[found->second];
    ++bar.types[alarmType];
    ++bar.total;
    ++m_total;
}

int64_t RecorderTypeCounts::Count(std::string_view address, int32_t alarmType) const
{
    auto found = m_index.find(address);
    if (found == m_index.end())
        return 0;
    const auto& types = m_bars[found->second].types;
    auto type = types.find(alarmType);
    return type == types.end() ? 0 : type->second;
}
