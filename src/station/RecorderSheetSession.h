// One run of the recorder sheet: the sheet edits a copy of the recorder (for
// a new one, an entry made with the default alarm settings), so an alarm
// handled while it is open sees the saved settings, never a half-edited
// priority. Commit applies what the sheet changed, or adds the new recorder
// to the list; cancel drops the copy. What the station wrote to the recorder
// meanwhile (its signal times, alarm settings entries the alarm path made)
// stays. The tree's lock is held throughout.
#pragma once

#include "config/ConfigTree.h"
#include "station/RecorderAddress.h"

#include <memory>

class RecorderSheetSession {
public:
    // Edit mode takes the recorder of `row`; new mode ignores it.
    RecorderSheetSession(ConfigTree& tree, SheetMode mode, int row = -1);
    // A session that ends without Commit is cancelled.
    ~RecorderSheetSession();
    RecorderSheetSession(const RecorderSheetSession&) = delete;
    RecorderSheetSession& operator=(const RecorderSheetSession&) = delete;

    // False when there was no recorder to edit or none could be made.
    bool IsValid() const { return m_entry != nullptr; }
    SheetMode Mode() const { return m_mode; }
    ConfigTree& Tree() { return m_tree; }
    // The copy the sheet edits; after Commit the recorder in the list.
    ConfigNode* Entry() const { return m_entry; }
    // The recorder in the list the copy stands for; null for a new one until
    // Commit.
    const ConfigNode* LiveEntry() const { return m_live; }
    // IP, Name and Hybrid of the entry when the sheet opened.
    const RecorderAddress& Original() const { return m_original; }

    // Finish or OK: the address page's values go into the entry, and the
    // entry into the list.
    void Commit(const RecorderAddress& address);
    void Cancel();
    bool IsOpen() const { return m_open; }

private:
    ConfigTree& m_tree;
    ConfigLock m_lock;
    SheetMode m_mode;
    ConfigNode* m_live = nullptr;
    // The recorder as the sheet found it, and the copy it edits.
    std::unique_ptr<ConfigNode> m_base;
    std::unique_ptr<ConfigNode> m_copy;
    ConfigNode* m_entry = nullptr;
    RecorderAddress m_original;
    bool m_open = true;
};
