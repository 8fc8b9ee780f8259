#include "config/ConfigTree.h"

#include "config/ScriptReader.h"
#include "config/TreeImage.h"

#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool Close()
    {
        int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool ReadExactly(int fd, uint8_t* data, size_t size)
{
    while (size > 0) {
        ssize_t n = read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void Notify(ConfigNode& node, int depth)
{
    for (int i = node.ChildCount() - 1; i >= 0; --i) {
        ConfigNode* child = node.ChildAt(i);
        if (child == nullptr || !child->IsChanged())
            continue;
        // Observers may add or remove observers, or rearrange this folder;
        // index both afresh each time.
        for (size_t k = 0; node.ChildAt(i) == child && k < child->Observers().size(); ++k)
            child->Observers()[k]->OnChanged();
        // An observer may have rearranged this folder; only descend into
        // the node if it is still where it was.
        if (node.ChildAt(i) != child)
            continue;
        child->TakeMarkForVisit();
        if (child->IsFolder() && depth + 1 < ConfigTree::kMaxNotifyDepth)
            Notify(*child, depth + 1);
    }
}

} // namespace

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
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        return false;
    uint8_t word[4];
    if (!ReadExactly(file.Get(), word, sizeof word))
        return false;
    uint32_t size = static_cast<uint32_t>(word[0]) | static_cast<uint32_t>(word[1]) << 8 |
                    static_cast<uint32_t>(word[2]) << 16 | static_cast<uint32_t>(word[3]) << 24;
    struct stat info {};
    // A size word beyond the end of the file is a truncated image: refuse it
    // before allocating what it claims.
    if (size == 0 || fstat(file.Get(), &info) != 0 || static_cast<uint64_t>(info.st_size) < size)
        return false;
    std::vector<uint8_t> image(size);
    std::copy(word, word + 4, image.begin());
    if (!ReadExactly(file.Get(), image.data() + 4, size - 4))
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
    std::string temp = path + ".tmp";
    // Passwords live in it: owner only, also when an old temporary was left.
    FileDescriptor file(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (file.Get() < 0 || fchmod(file.Get(), 0600) != 0)
        return -1;
    bool written = WriteAll(file.Get(), image.data(), image.size()) && fsync(file.Get()) == 0;
    if (!file.Close() || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return -1;
    }
    // Make the rename itself durable.
    std::string folder = std::filesystem::path(path).parent_path().string();
    FileDescriptor dir(
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        fsync(dir.Get());
    return 0;
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

void ConfigTree::NotifyChanges()
{
    if (m_root == nullptr)
        return;
    m_root->TakeMarkForVisit();
    Notify(*m_root, 1);
}
