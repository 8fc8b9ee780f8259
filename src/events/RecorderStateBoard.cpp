// Reading the recorder list into the board and noticing state changes.
#include "events/RecorderStateBoard.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"

namespace {

std::string TextOf(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

} // namespace

RecorderStateBoard::RecorderStateBoard(ConfigTree& tree, int graceMinutes)
    : m_tree(tree), m_graceMinutes(graceMinutes)
{
}

bool RecorderStateBoard::Update(int64_t nowMs)
{
    std::vector<RecorderStatus> fresh;
    {
        ConfigLock lock(m_tree);
        ConfigNode* list = Find(m_tree, kRecorderList);
        for (int i = 0; list != nullptr && i < list->ChildCount(); ++i) {
            const ConfigNode& entry = *list->ChildAt(i);
            RecorderStatus status;
            status.name = TextOf(entry, "Name");
            status.ip = TextOf(entry, "IP");
            if (const ConfigNode* hybrid = Find(entry, kRecorderHybrid))
                status.hybrid = hybrid->GetInt();
            status.keys = RecorderSignals::Of(entry);
            status.state = StateAt(status.keys, nowMs,
                                   ReportingMs(status.keys.reportingSeconds, m_graceMinutes));
            fresh.push_back(std::move(status));
        }
    }
    bool changed = fresh.size() != m_recorders.size();
    for (size_t i = 0; !changed && i < fresh.size(); ++i)
        changed = fresh[i] != m_recorders[i];
    m_recorders = std::move(fresh);
    if (!changed)
        return false;

    std::map<std::pair<std::string, int32_t>, RecorderState> states;
    for (const RecorderStatus& status : m_recorders) {
        auto [at, added] = states.emplace(status.Key(), status.state);
        if (!added)
            continue; // a twin entry; the first one counts
        auto before = m_states.find(status.Key());
        std::optional<RecorderState> previous;
        if (before != m_states.end())
            previous = before->second;
        if (previous == status.state)
            continue;
        ++m_stateChanges;
        if (m_listener != nullptr)
            m_listener->OnRecorderState(status, previous, nowMs);
    }
    m_states = std::move(states);
    return true;
}

std::array<int, kRecorderStateCount> RecorderStateBoard::Counts() const
{
    std::array<int, kRecorderStateCount> counts{};
    for (const RecorderStatus& status : m_recorders)
        ++counts[static_cast<size_t>(status.state)];
    return counts;
}
