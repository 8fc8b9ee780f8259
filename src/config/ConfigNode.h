// One named node of the configuration tree: a folder with sorted children
// and an optional list template, or a leaf holding raw content bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class NodeKind : int32_t {
    Folder = 0,
    String = 1,
    Integer = 2,
    Int64 = 3,
    Double = 4,
    Raw = 5,
};

// A node name carries no control bytes: the image ends a name at its NUL,
// and names show up in traces and file paths.
bool IsValidNodeName(std::string_view name);

class ConfigNode {
public:
    ConfigNode(NodeKind kind, std::string_view name);
    ~ConfigNode();
    ConfigNode(const ConfigNode&) = delete;
    ConfigNode& operator=(const ConfigNode&) = delete;

    ConfigNode* Parent() const { return m_parent; }
    // Changes whenever this node or anything below it changes (content,
    // name, kind, children, template); a new
    // node never starts with a value an earlier node had. Indexes over a
    // subtree compare it to know they are still right.
    uint64_t Version() const { return m_version; }
    // Changes whenever any node anywhere is made, freed, renamed, added or
    // removed: a node found by name stays the right one while it holds.
    static uint64_t ShapeEpoch();

    // Names are interned: each distinct name is held once for all nodes.
    const std::string& Name() const;
    void SetName(std::string name);

    NodeKind Kind() const { return static_cast<NodeKind>(m_kind8); }
    void SetKind(NodeKind kind)
    {
        m_kind8 = static_cast<uint8_t>(kind);
        Touch();
    }
    bool IsFolder() const { return Kind() == NodeKind::Folder; }

    int ChildCount() const;
    ConfigNode* ChildAt(int index) const;
    ConfigNode* Child(std::string_view name) const;

    // Inserts by unsigned byte order of the name, after any equal names.
    bool AddChild(std::unique_ptr<ConfigNode> child);
    // Removes the first child named like `node`, which may be a different
    // node of the same name.
    bool RemoveChild(const ConfigNode* node);
    bool RemoveChildAt(int index);
    void RemoveAllChildren();

    ConfigNode* Template() const;
    // Replaces (and frees) any earlier template.
    void SetTemplate(std::unique_ptr<ConfigNode> templ);
    bool DeleteTemplate();

    // The child of that name, or a new entry copied from the template.
    ConfigNode* ChildOrNewEntry(std::string_view name);
    // A new entry under the lowest free "%08d" name from `start` upwards.
    ConfigNode* NewEntry(int start);
    // That name, without making the entry.
    std::string FreeEntryName(int start) const;
    ConfigNode* FindEntryByString(std::string_view key, std::string_view value) const;
    ConfigNode* FindEntryByInt(std::string_view key, int32_t value) const;
    ConfigNode* FindNthEntryByInt(std::string_view key, int32_t value, int n) const;
    // Empties every list folder in this subtree.
    void ClearLists();

    std::span<const uint8_t> Content() const;
    bool HasContent() const { return !Content().empty(); }
    void SetBytes(const void* data, size_t size);
    // SetBytes with `source`'s content; longer contents are shared, not copied.
    void SetContentOf(const ConfigNode& source);
    void ClearContent();
    void SetInt(int32_t value);
    void SetInt64(int64_t value);
    void SetDouble(double value);
    void SetString(std::string_view text);
    // The typed getters do not check the kind; content shorter than the
    // type reads as if padded with zero bytes.
    int32_t GetInt() const;
    int64_t GetInt64() const;
    double GetDouble() const;
    std::string GetString() const;

    // A deep copy of this node's children (and nested templates) into
    // `entry`, as a new list entry is made from its template.
    void CopyChildrenInto(ConfigNode& entry) const;

    // Pooled: a station holds a node per setting of every recorder, over a
    // million for a thousand recorders, and malloc's own header would be a
    // third of each.
    static void* operator new(size_t size);
    static void operator delete(void* node, size_t size);

private:
    // Content longer than a slot: one immutable block, shared by copies.
    struct SharedBytes;
    // What only folders need; content moves here with it.
    struct Extra;
    // Eight content bytes in place, or the shared block, or (with kHasExtra)
    // the Extra that holds children, template and the content.
    union Slot {
        uint8_t bytes[8];
        SharedBytes* shared;
        Extra* extra;
    };
    static constexpr uint8_t kSharedSize = 0xFF;
    enum Bit : uint8_t {
        // Renaming a child can break the order; lookups fall back to a scan.
        kChildrenUnsortedBit = 4,
        kHasExtraBit = 8,
    };

    // A copy's node: the name's id as it is.
    ConfigNode(NodeKind kind, uint32_t name);

    bool Has(Bit bit) const { return (m_bits & bit) != 0; }
    void Set(Bit bit, bool on) { m_bits = on ? (m_bits | bit) : (m_bits & ~bit); }
    // Gives this node and its ancestors a new version.
    void Touch();
    // Touch, for changes of names or of which nodes exist.
    void Reshape();
    bool IsTemplateOfParent() const;
    int FindChildIndex(std::string_view name) const;
    Extra& MakeExtra();
    const std::vector<std::unique_ptr<ConfigNode>>* Children() const;
    // Where the content is: the node's own slot, or its Extra's.
    Slot& ContentSlot(uint8_t*& size);
    const Slot& ContentSlot(uint8_t& size) const;
    // Takes `source`'s content, sharing a block rather than copying it.
    void ShareContent(const ConfigNode& source);
    static void ReleaseContent(Slot& slot, uint8_t size);
    void ContentChanged();

    ConfigNode* m_parent = nullptr;
    uint64_t m_version;
    Slot m_slot{};
    uint32_t m_name;
    uint8_t m_kind8;
    uint8_t m_size = 0;
    uint8_t m_bits = 0;
};
