// The station's configuration tree: the root built from the default script,
// the tree image file, dialog snapshots, the change notification pass and
// the lock around multi-step updates. One global instance lives for the run.
#pragma once

#include "config/ConfigNode.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class Prompt;

class ConfigTree {
public:
    ConfigTree();
    ~ConfigTree();
    ConfigTree(const ConfigTree&) = delete;
    ConfigTree& operator=(const ConfigTree&) = delete;

    static ConfigTree& Global();

    ConfigNode* Root() const { return m_root.get(); }
    void SetRoot(std::unique_ptr<ConfigNode> root) { m_root = std::move(root); }

    // Parses the script into a new root; on failure the tree is unchanged.
    // Tokenizer errors are shown through `prompt`.
    [[nodiscard]] bool LoadDefaults(std::string_view script, Prompt& prompt);
    ConfigNode* TopFolder(std::string_view name) const;

    // Overlays an image file onto `node` (the root when null).
    [[nodiscard]] bool LoadImage(const std::string& path, ConfigNode* node = nullptr);
    // 0 on success, -1 when the file could not be written. The file is
    // replaced atomically, so a crash never leaves a truncated image.
    int SaveImage(const std::string& path) const;

    void Snapshot(const ConfigNode* node);
    void Restore(ConfigNode* node);
    bool HasSnapshot() const { return !m_snapshot.empty(); }

    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }

private:
    std::unique_ptr<ConfigNode> m_root;
    std::vector<uint8_t> m_snapshot;
    std::recursive_mutex m_lock;
};

// Holds the tree's lock for a scope.
class ConfigLock {
public:
    explicit ConfigLock(ConfigTree& tree) : m_tree(tree) { m_tree.Lock(); }
    ~ConfigLock() { m_tree.Unlock(); }
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

private:
    ConfigTree& m_tree;
};
