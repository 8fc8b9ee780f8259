// The evaluation of one alarm filter against a stored record: the predicate
// the database view filters with while the filter is applied.
#pragma once

#include "db/RecordFilter.h"
#include "filters/AlarmFilter.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class Clock;
class ConfigTree;

class FilterMatcher final : public RecordFilter {
public:
    FilterMatcher(ConfigTree& tree, Clock& clock) : m_tree(tree), m_clock(clock) {}

    void SetFilter(const AlarmFilter& filter)
    {
        m_filter = filter;
        m_recorders.clear();
    }
    const AlarmFilter& Filter() const { return m_filter; }

    // Over a pass the recorder names and "now" are taken once.
    void BeginPass() override;
    void EndPass() override;
    bool Matches(const AlarmRecord& record) override;

private:
    bool TimeHolds(const AlarmRecord& record) const;
    bool RecorderHolds(const AlarmRecord& record);
    bool TypeHolds(const AlarmRecord& record) const;
    // The first filter recorder named like the recorder at that address, or
    // null.
    const FilterRecorder* FilterRecorderFor(std::string_view address);

    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>()(text);
        }
    };

    ConfigTree& m_tree;
    Clock& m_clock;
    AlarmFilter m_filter;
    bool m_inPass = false;
    int64_t m_passNowMs = 0;
    std::unordered_map<std::string, const FilterRecorder*, TextHash, std::equal_to<>> m_recorders;
};
