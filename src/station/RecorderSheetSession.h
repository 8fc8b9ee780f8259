// One run of the recorder sheet on the tree: a new recorder is appended with
// the default alarm settings and removed again on cancel; an edited one is
// snapshotted and laid back on cancel, so that changes made on the alarm
// settings page are undone as well. The tree's lock is held throughout.
#pragma once

#include "config/ConfigTree.h"
#include "station/RecorderAddress.h"
#include "station/SubtreeSnapshot.h"

#include <optional>

class RecorderSheetSession {
public:
    // Edit mode takes the recorder of `row`; new mode ignores it.
    RecorderSheetSession(ConfigTree& tree, SheetMode mode, int row = -1);
    // A session that ends without Commit is cancelled.
    ~RecorderSheetSession();
    RecorderSheetSession(const RecorderSheetSession&) = delete;
    RecorderSheetSession& operator=(const RecorderSheetSession&) = delete;

    // False when there was no recorder to edit or none could be added.
    bool IsValid() const { return m_entry != nullptr; }
    SheetMode Mode() const { return m_mode; }
    ConfigTree& Tree() { return m_tree; }
    ConfigNode* Entry() const { return m_entry; }
    // IP, Name and Hybrid of the entry when the sheet opened.
    const RecorderAddress& Original() const { return m_original; }

    // Finish or OK: the address page's values go into the entry.
    void Commit(const RecorderAddress& address);
    void Cancel();
    bool IsOpen() const { return m_open; }

private:
    ConfigTree& m_tree;
    ConfigLock m_lock;
    SheetMode m_mode;
    ConfigNode* m_entry = nullptr;
    std::optional<SubtreeSnapshot> m_snapshot;
    RecorderAddress m_original;
    bool m_open = true;
};
