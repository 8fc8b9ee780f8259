#include "config/ConfigNode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// One sequence for every node: a node made where another was freed cannot
// repeat the version an index saw there.
uint64_t g_lastVersion = 0;
uint64_t g_shapeEpoch = 1;

} // namespace

ConfigNode::ConfigNode(NodeKind kind, std::string name)
    : m_version(++g_lastVersion), m_name(std::move(name)), m_kind(kind)
{
    ++g_shapeEpoch;
}

uint64_t ConfigNode::ShapeEpoch()
{
    return g_shapeEpoch;
}

void ConfigNode::Reshape()
{
    ++g_shapeEpoch;
    Touch();
}

void ConfigNode::Touch()
{
    uint64_t version = ++g_lastVersion;
    for (ConfigNode* node = this; node != nullptr; node = node->m_parent)
        node->m_version = version;
}

ConfigNode::~ConfigNode()
{
    ++g_shapeEpoch;
}

bool IsValidNodeName(std::string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

void ConfigNode::SetName(std::string name)
{
    m_name = std::move(name);
    if (m_parent != nullptr)
        m_parent->m_childrenSorted = false;
    Reshape();
    MarkAll();
}

ConfigNode* ConfigNode::ChildAt(int index) const
{
    if (index < 0 || index >= ChildCount())
        return nullptr;
    return m_children[static_cast<size_t>(index)].get();
}

int ConfigNode::FindChildIndex(std::string_view name) const
{
    if (m_childrenSorted) {
        // Sorted with duplicates after their equals, so the lower bound is
        // the first child of that name, exactly as a front-to-back scan finds.
        auto it = std::lower_bound(m_children.begin(), m_children.end(), name,
                                   [](const auto& child, std::string_view key) {
                                       return std::string_view(child->m_name) < key;
                                   });
        if (it != m_children.end() && (*it)->m_name == name)
            return static_cast<int>(it - m_children.begin());
        return -1;
    }
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i]->m_name == name)
            return static_cast<int>(i);
    }
    return -1;
}

ConfigNode* ConfigNode::Child(std::string_view name) const
{
    return ChildAt(FindChildIndex(name));
}

bool ConfigNode::AddChild(std::unique_ptr<ConfigNode> child)
{
    std::string_view name = child->m_name;
    auto greater = [name](const auto& other) { return name < std::string_view(other->m_name); };
    auto pos = m_childrenSorted ? std::upper_bound(m_children.begin(), m_children.end(), name,
                                                   [](std::string_view key, const auto& other) {
                                                       return key < std::string_view(other->m_name);
                                                   })
                                : std::find_if(m_children.begin(), m_children.end(), greater);
    child->m_parent = this;
    m_children.insert(pos, std::move(child));
    Reshape();
    MarkAll();
    return true;
}

bool ConfigNode::RemoveChild(const ConfigNode* node)
{
    int index = FindChildIndex(node->m_name);
    if (index < 0)
        return false;
    m_children.erase(m_children.begin() + index);
    Reshape();
    MarkAll();
    return true;
}

bool ConfigNode::RemoveChildAt(int index)
{
    ConfigNode* child = ChildAt(index);
    if (child == nullptr)
        return false;
    return RemoveChild(child);
}

void ConfigNode::RemoveAllChildren()
{
    m_children.clear();
    m_childrenSorted = true;
    Reshape();
    MarkAll();
}

void ConfigNode::SetTemplate(std::unique_ptr<ConfigNode> templ)
{
    if (templ != nullptr)
        templ->m_parent = this;
    m_template = std::move(templ);
    Reshape();
    MarkAll();
}

bool ConfigNode::DeleteTemplate()
{
    m_template.reset();
    Reshape();
    MarkAll();
    return true;
}

void ConfigNode::CopyChildrenInto(ConfigNode& entry) const
{
    for (const auto& source : m_children) {
        auto copy = std::make_unique<ConfigNode>(source->m_kind, source->m_name);
        copy->m_content = source->m_content;
        if (source->IsFolder()) {
            source->CopyChildrenInto(*copy);
            if (source->m_template != nullptr) {
                auto templ =
                    std::make_unique<ConfigNode>(NodeKind::Folder, source->m_template->m_name);
                source->m_template->CopyChildrenInto(*templ);
                copy->SetTemplate(std::move(templ));
            }
        }
        entry.AddChild(std::move(copy));
    }
}

ConfigNode* ConfigNode::ChildOrNewEntry(std::string_view name)
{
    if (ConfigNode* child = Child(name))
        return child;
    if (m_template == nullptr)
        return nullptr;
    auto entry = std::make_unique<ConfigNode>(NodeKind::Folder, std::string(name));
    m_template->CopyChildrenInto(*entry);
    ConfigNode* result = entry.get();
    AddChild(std::move(entry));
    return result;
}

ConfigNode* ConfigNode::NewEntry(int start)
{
    return ChildOrNewEntry(FreeEntryName(start));
}

std::string ConfigNode::FreeEntryName(int start) const
{
    char name[16];
    for (int number = start;; ++number) {
        std::snprintf(name, sizeof name, "%08d", number);
        if (Child(name) == nullptr)
            return name;
    }
}

ConfigNode* ConfigNode::FindEntryByString(std::string_view key, std::string_view value) const
{
    for (const auto& entry : m_children) {
        const ConfigNode* field = entry->Child(key);
        if (field != nullptr && field->GetString() == value)
            return entry.get();
    }
    return nullptr;
}

ConfigNode* ConfigNode::FindEntryByInt(std::string_view key, int32_t value) const
{
    return FindNthEntryByInt(key, value, 0);
}

ConfigNode* ConfigNode::FindNthEntryByInt(std::string_view key, int32_t value, int n) const
{
    for (const auto& entry : m_children) {
        const ConfigNode* field = entry->Child(key);
        if (field == nullptr || field->GetInt() != value)
            continue;
        if (n-- == 0)
            return entry.get();
    }
    return nullptr;
}

void ConfigNode::ClearLists()
{
    if (m_template != nullptr) {
        RemoveAllChildren();
        return;
    }
    for (const auto& child : m_children) {
        if (child->IsFolder())
            child->ClearLists();
    }
}

void ConfigNode::MarkChanged()
{
    MarkAll();
}

void ConfigNode::MarkUp()
{
    for (ConfigNode* node = m_parent; node != nullptr && !node->IsChanged(); node = node->m_parent)
        node->MarkSelf();
}

void ConfigNode::MarkDown()
{
    if (IsFolder())
        m_subtreeChanged = true;
}

bool ConfigNode::IsTemplateOfParent() const
{
    return m_parent != nullptr && m_parent->m_template.get() == this;
}

bool ConfigNode::IsChanged() const
{
    if ((m_flags & kChanged) != 0)
        return true;
    // Templates are not part of their parent's subtree.
    for (const ConfigNode* node = this; !node->IsTemplateOfParent() && node->m_parent != nullptr;
         node = node->m_parent) {
        if (node->m_parent->m_subtreeChanged)
            return true;
    }
    return false;
}

void ConfigNode::TakeMarkForVisit()
{
    m_flags &= ~kChanged;
    if (!m_subtreeChanged)
        return;
    m_subtreeChanged = false;
    for (const auto& child : m_children) {
        child->MarkSelf();
        child->MarkDown();
    }
}

void ConfigNode::MarkAll()
{
    MarkSelf();
    MarkUp();
    MarkDown();
}

void ConfigNode::SetBytes(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_content.assign(bytes, bytes + size);
    Touch();
    MarkSelf();
    MarkUp();
}

void ConfigNode::ClearContent()
{
    m_content.clear();
    m_content.shrink_to_fit();
    Touch();
    MarkSelf();
    MarkUp();
}

void ConfigNode::SetInt(int32_t value)
{
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    SetBytes(bytes, sizeof bytes);
}

void ConfigNode::SetInt64(int64_t value)
{
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
    SetBytes(bytes, sizeof bytes);
}

void ConfigNode::SetDouble(double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    SetInt64(static_cast<int64_t>(bits));
}

void ConfigNode::SetString(std::string_view text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetBytes(bytes.data(), bytes.size());
}

namespace {

uint64_t ReadLittleEndian(std::span<const uint8_t> content, size_t width)
{
    uint64_t value = 0;
    size_t n = std::min(width, content.size());
    for (size_t i = 0; i < n; ++i)
        value |= static_cast<uint64_t>(content[i]) << (8 * i);
    return value;
}

} // namespace

int32_t ConfigNode::GetInt() const
{
    return static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(m_content, 4)));
}

int64_t ConfigNode::GetInt64() const
{
    return static_cast<int64_t>(ReadLittleEndian(m_content, 8));
}

double ConfigNode::GetDouble() const
{
    uint64_t bits = ReadLittleEndian(m_content, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string ConfigNode::GetString() const
{
    auto end = std::find(m_content.begin(), m_content.end(), uint8_t{0});
    return {m_content.begin(), end};
}

void ConfigNode::AddObserver(ConfigObserver* observer)
{
    m_observers.push_back(observer);
}

void ConfigNode::RemoveObserver(ConfigObserver* observer)
{
    auto it = std::find(m_observers.begin(), m_observers.end(), observer);
    if (it != m_observers.end())
        m_observers.erase(it);
}
