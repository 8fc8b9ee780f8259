#include "station/ConfigAudit.h"

#include "audit/AuditTrail.h"
#include "config/ConfigTree.h"
#include "db/ConfigPath.h"

#include <algorithm>
#include <string_view>

namespace {

// The sheet's pages edit these; runtime values below them (a recorder's
// last signal, the next backup) change on their own and are left out.
constexpr std::string_view kWatched[] = {"Configuration", "RecorderList", "UserList"};

bool ChangesByItself(std::string_view key)
{
    return key.starts_with("iLast") || key.starts_with("iNext") || key == "iSignalState" ||
           key == "IsCurLoggedInUser";
}

std::string Shown(const ConfigNode& leaf)
{
    return IsSecretKey(leaf.Name()) ? std::string(kMasked) : ConfigValueText(leaf);
}

// "00000003 (Lager)": a list entry with the name a person knows it by.
std::string EntryLabel(const ConfigNode& node)
{
    for (std::string_view key : {"Name", "IP", "SubName"})
        if (const ConfigNode* name = node.Child(key); name != nullptr && !name->IsFolder())
            return node.Name() + " (" + name->GetString() + ")";
    return node.Name();
}

void DiffLeaves(const ConfigNode& before, const ConfigNode& after, const std::string& path,
                std::vector<AuditEvent>& out)
{
    for (int i = 0; i < after.ChildCount(); ++i) {
        const ConfigNode* now = after.ChildAt(i);
        if (ChangesByItself(now->Name()))
            continue;
        const ConfigNode* was = before.Child(now->Name());
        std::string here = path + "/" + (now->IsFolder() ? EntryLabel(*now) : now->Name());
        if (was == nullptr) {
            out.push_back({"config-add", here, {}});
            continue;
        }
        if (now->IsFolder() && was->IsFolder()) {
            DiffLeaves(*was, *now, here, out);
            continue;
        }
        if (now->IsFolder() || was->IsFolder() || was->Kind() != now->Kind() ||
            !std::equal(was->Content().begin(), was->Content().end(), now->Content().begin(),
                        now->Content().end()))
            out.push_back({"config-change", here, {{"old", Shown(*was)}, {"new", Shown(*now)}}});
    }
    for (int i = 0; i < before.ChildCount(); ++i) {
        const ConfigNode* was = before.ChildAt(i);
        if (after.Child(was->Name()) == nullptr)
            out.push_back({"config-remove",
                           path + "/" + (was->IsFolder() ? EntryLabel(*was) : was->Name()),
                           {}});
    }
}

std::string Text(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : ConfigValueText(*node);
}

AuditDetails Rights(const ConfigNode& entry)
{
    AuditDetails rights;
    for (int i = 0; i < entry.ChildCount(); ++i)
        if (entry.ChildAt(i)->Name().starts_with("RT"))
            rights.emplace_back(entry.ChildAt(i)->Name(), ConfigValueText(*entry.ChildAt(i)));
    return rights;
}

void DiffUsers(const ConfigNode& before, const ConfigNode& after, std::vector<AuditEvent>& out)
{
    for (int i = 0; i < after.ChildCount(); ++i) {
        const ConfigNode* now = after.ChildAt(i);
        const ConfigNode* was = before.Child(now->Name());
        std::string name = Text(*now, "Name");
        if (was == nullptr) {
            out.push_back({"user-add", name, Rights(*now)});
            continue;
        }
        AuditDetails changed;
        AuditDetails rights;
        for (int k = 0; k < now->ChildCount(); ++k) {
            const ConfigNode* key = now->ChildAt(k);
            const ConfigNode* old = was->Child(key->Name());
            if (ChangesByItself(key->Name()) ||
                (old != nullptr && ConfigValueText(*old) == ConfigValueText(*key)))
                continue;
            AuditDetails& into = key->Name().starts_with("RT") ? rights : changed;
            into.emplace_back(key->Name(), (old == nullptr ? std::string() : Shown(*old)) + " -> " +
                                               Shown(*key));
        }
        std::string oldName = Text(*was, "Name");
        if (!changed.empty())
            out.push_back({"user-change", oldName, std::move(changed)});
        if (!rights.empty())
            out.push_back({"user-rights", name, std::move(rights)});
    }
    for (int i = 0; i < before.ChildCount(); ++i) {
        const ConfigNode* was = before.ChildAt(i);
        if (after.Child(was->Name()) == nullptr)
            out.push_back({"user-delete", Text(*was, "Name"), {}});
    }
}

} // namespace

std::string ConfigValueText(const ConfigNode& leaf)
{
    switch (leaf.Kind()) {
    case NodeKind::String:
        return leaf.GetString();
    case NodeKind::Integer:
        return std::to_string(leaf.GetInt());
    case NodeKind::Int64:
        return std::to_string(leaf.GetInt64());
    case NodeKind::Double:
        return std::to_string(leaf.GetDouble());
    case NodeKind::Raw:
        return std::to_string(leaf.Content().size()) + " bytes";
    case NodeKind::Folder:
        break;
    }
    return {};
}

ConfigAudit::ConfigAudit(ConfigTree& tree) : m_tree(tree)
{
    ConfigLock lock(m_tree);
    for (std::string_view name : kWatched) {
        ConfigNode* live = FindConfigNode(m_tree, {"Program", name});
        if (live == nullptr)
            continue;
        auto copy = std::make_unique<ConfigNode>(NodeKind::Folder, live->Name());
        live->CopyChildrenInto(*copy);
        m_watched.push_back({std::string(name), std::move(copy)});
    }
}

ConfigAudit::~ConfigAudit() = default;

std::vector<AuditEvent> ConfigAudit::Changes() const
{
    ConfigLock lock(m_tree);
    std::vector<AuditEvent> changes;
    for (const Watched& watched : m_watched) {
        const ConfigNode* live = FindConfigNode(m_tree, {"Program", watched.path});
        if (live == nullptr)
            continue;
        if (watched.path == "UserList")
            DiffUsers(*watched.before, *live, changes);
        else
            DiffLeaves(*watched.before, *live, watched.path, changes);
    }
    return changes;
}

void ConfigAudit::Record(AuditTrail& trail) const
{
    for (AuditEvent& change : Changes())
        trail.Record(std::move(change));
}
