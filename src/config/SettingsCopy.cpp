#include "config/SettingsCopy.h"

#include <algorithm>

namespace {

bool SameContent(const ConfigNode& a, const ConfigNode& b)
{
    return std::ranges::equal(a.Content(), b.Content());
}

void AddEntry(ConfigNode& live, const ConfigNode& added)
{
    std::unique_ptr<ConfigNode> copy = CloneNode(added);
    if (live.Child(added.Name()) != nullptr) {
        // A list entry's name means nothing beyond the list: an entry the
        // station made meanwhile keeps its own. A plain key stays as it is.
        if (live.Template() == nullptr)
            return;
        copy->SetName(live.FreeEntryName(live.ChildCount()));
    }
    live.AddChild(std::move(copy));
}

} // namespace

SettingsCopy::SettingsCopy(ConfigTree& live, std::initializer_list<std::string_view> path)
    : m_live(live), m_path(path.begin(), path.end())
{
    m_copy.SetRoot(std::make_unique<ConfigNode>(NodeKind::Folder, "root"));
    ConfigLock lock(m_live);
    const ConfigNode* from = m_live.Root();
    ConfigNode* to = m_copy.Root();
    for (size_t step = 0; step < m_path.size(); ++step) {
        const std::string& name = m_path[step];
        from = from == nullptr ? nullptr : from->Child(name);
        // The folders above the copied one are bare.
        bool last = step + 1 == m_path.size();
        auto folder = last && from != nullptr && from->IsFolder()
                          ? CloneNode(*from)
                          : std::make_unique<ConfigNode>(NodeKind::Folder, name);
        ConfigNode* next = folder.get();
        to->AddChild(std::move(folder));
        to = next;
    }
    m_values = to;
    m_base = CloneNode(*m_values);
}

void SettingsCopy::Apply()
{
    ConfigLock lock(m_live);
    ConfigNode* live = m_live.Root();
    for (const std::string& name : m_path)
        live = live == nullptr ? nullptr : live->Child(name);
    if (live != nullptr)
        ApplyEdits(*live, *m_base, *m_values);
    m_base = CloneNode(*m_values);
}

std::unique_ptr<ConfigNode> CloneNode(const ConfigNode& node)
{
    auto copy = std::make_unique<ConfigNode>(node.Kind(), node.Name());
    if (node.HasContent())
        copy->SetBytes(node.Content().data(), node.Content().size());
    node.CopyChildrenInto(*copy);
    if (const ConfigNode* templ = node.Template())
        copy->SetTemplate(CloneNode(*templ));
    return copy;
}

void ApplyEdits(ConfigNode& live, const ConfigNode& base, const ConfigNode& edited)
{
    for (int i = 0; i < base.ChildCount(); ++i) {
        const ConfigNode& was = *base.ChildAt(i);
        ConfigNode* gone = edited.Child(was.Name()) == nullptr ? live.Child(was.Name()) : nullptr;
        if (gone != nullptr)
            live.RemoveChild(gone);
    }
    for (int i = 0; i < edited.ChildCount(); ++i) {
        const ConfigNode& now = *edited.ChildAt(i);
        const ConfigNode* was = base.Child(now.Name());
        ConfigNode* target = live.Child(now.Name());
        if (was == nullptr) {
            AddEntry(live, now);
            continue;
        }
        // Gone from the live tree meanwhile, or of another kind now.
        if (target == nullptr || target->Kind() != now.Kind() || was->Kind() != now.Kind())
            continue;
        if (now.IsFolder())
            ApplyEdits(*target, *was, now);
        else if (!SameContent(*was, now) && !SameContent(*target, now))
            target->SetBytes(now.Content().data(), now.Content().size());
    }
}
