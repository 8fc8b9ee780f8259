// The evaluation of one alarm filter against a stored record: the predicate
// the database view filters with while the filter is applied.
#pragma once

#include "db/RecordFilter.h"
#include "filters/AlarmFilter.h"

#include <string>
#include <string_view>
#include <unordered_map>

class ConfigTree;

class FilterMatcher final : public RecordFilter {
public:
    explicit FilterMatcher(ConfigTree& tree) : m_tree(tree) {}

    void SetFilter(const AlarmFilter& filter) { m_filter = filter; }
    const AlarmFilter& Filter() const { return m_filter; }

    // Over a pass the recorder names and "now" are taken once.
    void BeginPass() override;
    void EndPass() override;
    bool Matches(const AlarmRecord& record) override;

private:
    bool TimeHolds(const AlarmRecord& record) const;
    bool RecorderHolds(const AlarmRecord& record);
    bool TypeHolds(const AlarmRecord& record) const;
    std::string RecorderName(std::string_view address);

    ConfigTree& m_tree;
    AlarmFilter m_filter;
    bool m_inPass = false;
    int64_t m_passNowMs = 0;
    std::unordered_map<std::string, std::string> m_names;
};
