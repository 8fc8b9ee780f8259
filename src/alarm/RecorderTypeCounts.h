// The numbers behind the bar diagram: alarms of the database's view counted
// per recorder address and alarm type. Built in one pass over the view and
// kept current one arriving alarm at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class AlarmDatabase;
class AlarmRecord;

struct RecorderBar {
    std::string address;
    // Alarm type code -> alarms.
    std::unordered_map<int32_t, int64_t> types;
    int64_t total = 0;
};

class RecorderTypeCounts {
public:
    void Clear();
    // Counts every record of the view.
    void Build(AlarmDatabase& database);
    void Add(std::string_view address, int32_t alarmType);
    void Add(const AlarmRecord& record);

    // In the order the recorders first appeared.
    const std::vector<RecorderBar>& Bars() const { return m_bars; }
    int64_t Count(std::string_view address, int32_t alarmType) const;
    int64_t Total() const { return m_total; }

private:
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>()(text);
        }
    };

    std::vector<RecorderBar> m_bars;
    std::unordered_map<std::string, size_t, TextHash, std::equal_to<>> m_index;
    int64_t m_total = 0;
};
