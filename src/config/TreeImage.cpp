#include "config/TreeImage.h"

#include <cstring>
#include <string_view>

namespace TreeImage {
namespace {

constexpr size_t kSizeWord = 4;

size_t RecordSize(const ConfigNode& node, int depth)
{
    size_t size = kSizeWord + node.Name().size() + 1;
    if (!node.IsFolder())
        return size + node.Content().size();
    if (depth >= kMaxWriteDepth)
        return size;
    for (int i = 0; i < node.ChildCount(); ++i)
        size += RecordSize(*node.ChildAt(i), depth + 1);
    return size;
}

uint8_t* WriteRecord(const ConfigNode& node, int depth, uint8_t* out)
{
    uint8_t* start = out;
    out += kSizeWord;
    std::memcpy(out, node.Name().data(), node.Name().size());
    out += node.Name().size();
    *out++ = 0;
    if (!node.IsFolder()) {
        if (!node.Content().empty())
            std::memcpy(out, node.Content().data(), node.Content().size());
        out += node.Content().size();
    } else if (depth < kMaxWriteDepth) {
        for (int i = node.ChildCount() - 1; i >= 0; --i)
            out = WriteRecord(*node.ChildAt(i), depth + 1, out);
    }
    auto size = static_cast<uint32_t>(out - start);
    for (size_t i = 0; i < kSizeWord; ++i)
        start[i] = static_cast<uint8_t>(size >> (8 * i));
    return out;
}

uint32_t ReadSizeWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

enum class Pass { Check, Apply };

// Walks the image record by record, as the loader always has: a stack of
// (node, bytes left) per depth. In the check pass a missing list entry is
// stood in for by its template, whose structure the new entry will copy,
// so the check sees exactly the records the apply pass will.
bool Walk(std::span<const uint8_t> image, ConfigNode& target, Pass pass)
{
    struct Level {
        ConfigNode* node;
        size_t remaining;
    };
    Level stack[kMaxReadDepth];
    int depth = -1;
    size_t pos = 0;

    while (true) {
        size_t available = depth < 0 ? image.size() : stack[depth].remaining;
        if (available < kSizeWord + 1)
            return false;
        const uint8_t* record = image.data() + pos;
        size_t size = ReadSizeWord(record);
        if (size < kSizeWord + 1 || size > available)
            return false;
        const auto* nameStart = reinterpret_cast<const char*>(record + kSizeWord);
        const void* nul = std::memchr(nameStart, 0, size - kSizeWord);
        if (nul == nullptr)
            return false;
        std::string_view name(nameStart, static_cast<const char*>(nul) - nameStart);
        if (!IsValidNodeName(name))
            return false;
        size_t header = kSizeWord + name.size() + 1;

        ConfigNode* node = nullptr;
        if (depth < 0) {
            node = &target;
        } else if (pass == Pass::Apply) {
            node = stack[depth].node->ChildOrNewEntry(name);
        } else {
            ConfigNode* parent = stack[depth].node;
            node = parent->Child(name);
            if (node == nullptr)
                node = parent->Template();
        }

        size_t consumed = size;
        bool descend = node != nullptr && node->IsFolder() && size > header;
        if (descend) {
            if (depth + 1 >= kMaxReadDepth)
                return false;
            consumed = header;
        } else if (node != nullptr && !node->IsFolder() && pass == Pass::Apply) {
            node->SetBytes(record + header, size - header);
        }

        pos += consumed;
        for (int d = 0; d <= depth; ++d)
            stack[d].remaining -= consumed;
        if (descend) {
            ++depth;
            stack[depth] = {node, size - header};
        }
        while (depth >= 0 && stack[depth].remaining == 0)
            --depth;
        if (depth < 0)
            return true;
    }
}

// Records address children by name alone: of two siblings with one name the
// second can never be loaded into, so such a tree has no faithful image.
bool HasTwinNames(const ConfigNode& node)
{
    for (int i = 0; i < node.ChildCount(); ++i) {
        const ConfigNode* child = node.ChildAt(i);
        if (i > 0 && node.ChildAt(i - 1)->Name() == child->Name())
            return true;
        if (child->IsFolder() && HasTwinNames(*child))
            return true;
    }
    return false;
}

} // namespace

std::vector<uint8_t> Build(const ConfigNode& node)
{
    std::vector<uint8_t> image(RecordSize(node, 0));
    WriteRecord(node, 0, image.data());
    return image;
}

bool Apply(std::span<const uint8_t> image, ConfigNode& target)
{
    if (!Check(image, target))
        return false;
    return Walk(image, target, Pass::Apply);
}

bool Check(std::span<const uint8_t> image, const ConfigNode& target)
{
    // The check pass only looks up children and templates.
    return !HasTwinNames(target) && Walk(image, const_cast<ConfigNode&>(target), Pass::Check);
}

} // namespace TreeImage
