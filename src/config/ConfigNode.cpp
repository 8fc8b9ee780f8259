#include "config/ConfigNode.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define WARDEX_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define WARDEX_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define WARDEX_POISON(address, size) ((void)(address), (void)(size))
#define WARDEX_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

struct ConfigNode::SharedBytes {
    std::atomic<uint32_t> references;
    uint32_t size;

    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }

    static SharedBytes* Make(const uint8_t* bytes, size_t size)
    {
        void* memory = ::operator new(sizeof(SharedBytes) + size);
        auto* shared = new (memory) SharedBytes{{1}, static_cast<uint32_t>(size)};
        std::memcpy(shared->Bytes(), bytes, size);
        return shared;
    }
    void Release()
    {
        if (references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            this->~SharedBytes();
            ::operator delete(this);
        }
    }
};

struct ConfigNode::Extra {
    std::vector<std::unique_ptr<ConfigNode>> children;
    std::unique_ptr<ConfigNode> templ;
    Slot content{};
    uint8_t size = 0;
};

namespace {

// One sequence for every node: a node made where another was freed cannot
// repeat the version an index saw there.
uint64_t g_lastVersion = 0;
uint64_t g_shapeEpoch = 1;

// Every distinct name once; ids index it. Never freed, so that nodes that
// outlive static destruction still have their names.
class NameTable {
public:
    uint32_t Intern(std::string_view name)
    {
        auto found = m_ids.find(name);
        if (found != m_ids.end())
            return found->second;
        m_names.push_back(std::make_unique<std::string>(name));
        auto id = static_cast<uint32_t>(m_names.size() - 1);
        m_ids.emplace(*m_names.back(), id);
        return id;
    }
    const std::string& Name(uint32_t id) const { return *m_names[id]; }

private:
    std::vector<std::unique_ptr<std::string>> m_names;
    std::unordered_map<std::string_view, uint32_t> m_ids;
};

NameTable& Names()
{
    static NameTable* table = new NameTable;
    return *table;
}

// Fixed-size slots carved from large blocks, reused through a free list;
// the blocks stay for the life of the process. The station has one thread.
class NodePool {
public:
    static constexpr size_t kSlotsPerBlock = 4096;

    void* Take()
    {
        if (m_free == nullptr)
            Grow();
        FreeSlot* slot = m_free;
        WARDEX_UNPOISON(slot, sizeof(ConfigNode));
        m_free = slot->next;
        return slot;
    }
    void Give(void* memory)
    {
        auto* slot = static_cast<FreeSlot*>(memory);
        slot->next = m_free;
        m_free = slot;
        WARDEX_POISON(slot, sizeof(ConfigNode));
    }

private:
    struct FreeSlot {
        FreeSlot* next;
    };
    static_assert(sizeof(ConfigNode) >= sizeof(FreeSlot));

    void Grow()
    {
        auto block =
            std::make_unique_for_overwrite<std::byte[]>(kSlotsPerBlock * sizeof(ConfigNode));
        for (size_t i = kSlotsPerBlock; i-- > 0;)
            Give(block.get() + i * sizeof(ConfigNode));
        m_blocks.push_back(std::move(block));
    }

    FreeSlot* m_free = nullptr;
    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
};

NodePool& Pool()
{
    static NodePool* pool = new NodePool;
    return *pool;
}

// For the nodes without an Extra; never destroyed, like the names.
const std::vector<std::unique_ptr<ConfigNode>>& NoChildren()
{
    static const auto* none = new std::vector<std::unique_ptr<ConfigNode>>;
    return *none;
}

} // namespace

static_assert(sizeof(ConfigNode) <= 32, "a node per setting of every recorder");

void* ConfigNode::operator new(size_t size)
{
    if (size != sizeof(ConfigNode))
        return ::operator new(size);
    return Pool().Take();
}

void ConfigNode::operator delete(void* node, size_t size)
{
    if (node == nullptr)
        return;
    if (size != sizeof(ConfigNode)) {
        ::operator delete(node);
        return;
    }
    Pool().Give(node);
}

ConfigNode::ConfigNode(NodeKind kind, std::string_view name)
    : ConfigNode(kind, Names().Intern(name))
{
}

ConfigNode::ConfigNode(NodeKind kind, uint32_t name)
    : m_version(++g_lastVersion), m_name(name), m_kind8(static_cast<uint8_t>(kind))
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
    if (Has(kHasExtraBit)) {
        ReleaseContent(m_slot.extra->content, m_slot.extra->size);
        delete m_slot.extra;
    } else {
        ReleaseContent(m_slot, m_size);
    }
}

const std::string& ConfigNode::Name() const
{
    return Names().Name(m_name);
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
    m_name = Names().Intern(name);
    if (m_parent != nullptr)
        m_parent->Set(kChildrenUnsortedBit, true);
    Reshape();
}

ConfigNode::Extra& ConfigNode::MakeExtra()
{
    if (!Has(kHasExtraBit)) {
        auto* extra = new Extra;
        extra->content = m_slot;
        extra->size = m_size;
        m_slot.extra = extra;
        m_size = 0;
        Set(kHasExtraBit, true);
    }
    return *m_slot.extra;
}

const std::vector<std::unique_ptr<ConfigNode>>* ConfigNode::Children() const
{
    return Has(kHasExtraBit) ? &m_slot.extra->children : &NoChildren();
}

int ConfigNode::ChildCount() const
{
    return static_cast<int>(Children()->size());
}

ConfigNode* ConfigNode::ChildAt(int index) const
{
    if (index < 0 || index >= ChildCount())
        return nullptr;
    return (*Children())[static_cast<size_t>(index)].get();
}

int ConfigNode::FindChildIndex(std::string_view name) const
{
    const auto& children = *Children();
    const NameTable& names = Names();
    if (!Has(kChildrenUnsortedBit)) {
        // Sorted with duplicates after their equals, so the lower bound is
        // the first child of that name, exactly as a front-to-back scan finds.
        auto it = std::lower_bound(children.begin(), children.end(), name,
                                   [&names](const auto& child, std::string_view key) {
                                       return std::string_view(names.Name(child->m_name)) < key;
                                   });
        if (it != children.end() && names.Name((*it)->m_name) == name)
            return static_cast<int>(it - children.begin());
        return -1;
    }
    for (size_t i = 0; i < children.size(); ++i) {
        if (names.Name(children[i]->m_name) == name)
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
    auto& children = MakeExtra().children;
    const NameTable& names = Names();
    std::string_view name = names.Name(child->m_name);
    auto greater = [&](const auto& other) {
        return name < std::string_view(names.Name(other->m_name));
    };
    auto pos = children.end();
    if (Has(kChildrenUnsortedBit))
        pos = std::find_if(children.begin(), children.end(), greater);
    else if (!children.empty() && greater(children.back()))
        pos = std::upper_bound(children.begin(), children.end(), name,
                               [&names](std::string_view key, const auto& other) {
                                   return key < std::string_view(names.Name(other->m_name));
                               });
    child->m_parent = this;
    children.insert(pos, std::move(child));
    Reshape();
    return true;
}

bool ConfigNode::RemoveChild(const ConfigNode* node)
{
    int index = FindChildIndex(node->Name());
    if (index < 0)
        return false;
    auto& children = m_slot.extra->children;
    children.erase(children.begin() + index);
    Reshape();
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
    if (Has(kHasExtraBit))
        m_slot.extra->children.clear();
    Set(kChildrenUnsortedBit, false);
    Reshape();
}

ConfigNode* ConfigNode::Template() const
{
    return Has(kHasExtraBit) ? m_slot.extra->templ.get() : nullptr;
}

void ConfigNode::SetTemplate(std::unique_ptr<ConfigNode> templ)
{
    if (templ != nullptr)
        templ->m_parent = this;
    MakeExtra().templ = std::move(templ);
    Reshape();
}

bool ConfigNode::DeleteTemplate()
{
    if (Has(kHasExtraBit))
        m_slot.extra->templ.reset();
    Reshape();
    return true;
}

void ConfigNode::CopyChildrenInto(ConfigNode& entry) const
{
    const auto& children = *Children();
    if (children.empty())
        return;
    auto& copies = entry.MakeExtra().children;
    // Into an empty folder, in order: appended as they are, and the folder
    // reshaped and marked once, as adding them one by one leaves it.
    bool inOrder = copies.empty() && !Has(kChildrenUnsortedBit);
    copies.reserve(copies.size() + children.size());
    for (const auto& source : children) {
        std::unique_ptr<ConfigNode> copy(new ConfigNode(source->Kind(), source->m_name));
        copy->ShareContent(*source);
        if (source->IsFolder()) {
            source->CopyChildrenInto(*copy);
            if (ConfigNode* sourceTemplate = source->Template()) {
                std::unique_ptr<ConfigNode> templ(
                    new ConfigNode(NodeKind::Folder, sourceTemplate->m_name));
                sourceTemplate->CopyChildrenInto(*templ);
                copy->SetTemplate(std::move(templ));
            }
        }
        if (inOrder) {
            copy->m_parent = &entry;
            copies.push_back(std::move(copy));
        } else {
            entry.AddChild(std::move(copy));
        }
    }
    if (inOrder)
        entry.Reshape();
}

ConfigNode* ConfigNode::ChildOrNewEntry(std::string_view name)
{
    if (ConfigNode* child = Child(name))
        return child;
    ConfigNode* templ = Template();
    if (templ == nullptr)
        return nullptr;
    auto entry = std::make_unique<ConfigNode>(NodeKind::Folder, name);
    templ->CopyChildrenInto(*entry);
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
    for (const auto& entry : *Children()) {
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
    for (const auto& entry : *Children()) {
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
    if (Template() != nullptr) {
        RemoveAllChildren();
        return;
    }
    for (const auto& child : *Children()) {
        if (child->IsFolder())
            child->ClearLists();
    }
}

bool ConfigNode::IsTemplateOfParent() const
{
    return m_parent != nullptr && m_parent->Template() == this;
}

ConfigNode::Slot& ConfigNode::ContentSlot(uint8_t*& size)
{
    if (Has(kHasExtraBit)) {
        size = &m_slot.extra->size;
        return m_slot.extra->content;
    }
    size = &m_size;
    return m_slot;
}

const ConfigNode::Slot& ConfigNode::ContentSlot(uint8_t& size) const
{
    if (Has(kHasExtraBit)) {
        size = m_slot.extra->size;
        return m_slot.extra->content;
    }
    size = m_size;
    return m_slot;
}

std::span<const uint8_t> ConfigNode::Content() const
{
    uint8_t size = 0;
    const Slot& slot = ContentSlot(size);
    if (size == kSharedSize)
        return {slot.shared->Bytes(), slot.shared->size};
    return {slot.bytes, size};
}

void ConfigNode::ReleaseContent(Slot& slot, uint8_t size)
{
    if (size == kSharedSize)
        slot.shared->Release();
}

void ConfigNode::ContentChanged()
{
    Touch();
}

void ConfigNode::SetBytes(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint8_t* held = nullptr;
    Slot& slot = ContentSlot(held);
    // The new content first: `data` may be this node's own.
    Slot next{};
    uint8_t nextSize = 0;
    if (size <= sizeof next.bytes) {
        if (size > 0)
            std::memcpy(next.bytes, bytes, size);
        nextSize = static_cast<uint8_t>(size);
    } else {
        next.shared = SharedBytes::Make(bytes, size);
        nextSize = kSharedSize;
    }
    ReleaseContent(slot, *held);
    slot = next;
    *held = nextSize;
    ContentChanged();
}

void ConfigNode::ShareContent(const ConfigNode& source)
{
    uint8_t sourceSize = 0;
    const Slot& from = source.ContentSlot(sourceSize);
    if (sourceSize == kSharedSize)
        from.shared->references.fetch_add(1, std::memory_order_relaxed);
    uint8_t* held = nullptr;
    Slot& slot = ContentSlot(held);
    ReleaseContent(slot, *held);
    slot = from;
    *held = sourceSize;
}

void ConfigNode::SetContentOf(const ConfigNode& source)
{
    if (&source == this) {
        ContentChanged();
        return;
    }
    ShareContent(source);
    ContentChanged();
}

void ConfigNode::ClearContent()
{
    SetBytes(nullptr, 0);
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
    return static_cast<int32_t>(static_cast<uint32_t>(ReadLittleEndian(Content(), 4)));
}

int64_t ConfigNode::GetInt64() const
{
    return static_cast<int64_t>(ReadLittleEndian(Content(), 8));
}

double ConfigNode::GetDouble() const
{
    uint64_t bits = ReadLittleEndian(Content(), 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string ConfigNode::GetString() const
{
    std::span<const uint8_t> content = Content();
    auto end = std::find(content.begin(), content.end(), uint8_t{0});
    return {content.begin(), end};
}
