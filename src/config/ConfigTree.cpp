#include "config/ConfigTree.h"

#include "config/ScriptReader.h"
#include "config/TreeImage.h"
#include "platform/posix/FileHandle.h"

ConfigTree::ConfigTree() = default;
ConfigTree::~ConfigTree() = default;

ConfigTree& ConfigTree::Global()
{
    static ConfigTree tree;
    return tree;
}

bool ConfigTree::LoadDefaults(std::string_view script, Prompt& prompt)
{
    std::unique_ptr<ConfigNode> root = ReadScript(script, prompt);
    if (root == nullptr)
        return false;
    m_root = std::move(root);
    return true;
}

ConfigNode* ConfigTree::TopFolder(std::string_view name) const
{
    return m_root != nullptr ? m_root->Child(name) : nullptr;
}

bool ConfigTree::LoadImage(const std::string& path, ConfigNode* node)
{
    if (node == nullptr)
        node = m_root.get();
    if (node == nullptr)
        return false;
    FileHandle file = FileHandle::OpenReadOnly(path);
    if (!file.IsOpen())
        return false;
    uint8_t word[4];
    if (file.ReadAt(0, word, sizeof word) != sizeof word)
        return false;
    uint32_t size = static_cast<uint32_t>(word[0]) | static_cast<uint32_t>(word[1]) << 8 |
                    static_cast<uint32_t>(word[2]) << 16 | static_cast<uint32_t>(word[3]) << 24;
    // A size word beyond the end of the file is a truncated image: refuse it
    // before allocating what it claims.
    if (size < sizeof word || file.Size() < static_cast<int64_t>(size))
        return false;
    std::vector<uint8_t> image(size);
    std::copy(word, word + 4, image.begin());
    if (file.ReadAt(4, image.data() + 4, size - 4) != static_cast<int64_t>(size - 4))
        return false;
    return TreeImage::Apply(image, *node);
}

int ConfigTree::SaveImage(const std::string& path) const
{
    if (m_root == nullptr)
        return -1;
    std::vector<uint8_t> image = TreeImage::Build(*m_root);
    // An image the loader would refuse must not replace one it accepts.
    if (!TreeImage::Check(image, *m_root))
        return -1;
    // Passwords live in it: owner only.
    bool saved = ReplaceFileWhole(path, ".tmp", Survives::PowerLoss, [&](FileHandle& file) {
        return file.Write(image.data(), image.size());
    });
    return saved ? 0 : -1;
}

void ConfigTree::Snapshot(const ConfigNode* node)
{
    if (node == nullptr)
        return;
    m_snapshot = TreeImage::Build(*node);
}

void ConfigTree::Restore(ConfigNode* node)
{
    // Without a snapshot there is nothing to restore from; emptying the
    // lists anyway would throw away every entry below the node.
    if (node != nullptr && !m_snapshot.empty()) {
        node->ClearLists();
        TreeImage::Apply(m_snapshot, *node);
    }
    m_snapshot.clear();
    m_snapshot.shrink_to_fit();
}
