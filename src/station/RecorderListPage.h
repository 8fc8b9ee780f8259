// The logic of the recorder page of the configuration sheet: the list's
// columns, cells and state icons read from the tree on demand, its column
// widths, and the commands that delete recorders, import them from the
// live-view program and copy one recorder's alarm settings to all others.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

class ConfigNode;
class ConfigTree;
class Prompt;

enum class SignalIcon { None, Present, Missing };

struct RecorderColumn {
    std::string_view header; // German; translated when shown
    std::string_view widthKey;
    int defaultWidth;
};

class RecorderListPage {
public:
    static constexpr int kColumnCount = 4;

    // sharedPrefix goes before the names of the live-view program's shared
    // objects (empty for the real ones).
    RecorderListPage(ConfigTree& tree, Prompt& prompt, std::string sharedPrefix = {});

    static const std::array<RecorderColumn, kColumnCount>& Columns();

    int RowCount() const;
    bool HasRow(int row) const { return row >= 0 && row < RowCount(); }
    std::string Cell(int row, int column) const;
    SignalIcon IconAt(int row) const;
    // The entry of a row, or null; the caller holds the tree's lock.
    ConfigNode* EntryAt(int row) const;
    // The row of an entry, -1 when it is not in the list.
    int RowOf(const ConfigNode* entry) const;

    // Read when the page opens, written back when it is left.
    std::array<int, kColumnCount> ColumnWidths() const;
    void StoreColumnWidths(const std::array<int, kColumnCount>& widths);

    // "Loeschen": removes the recorder without a question, and its name from
    // every filter. False when the row does not exist.
    bool DeleteRecorder(int row);

    // "Uebernehmen aus Kavex": appends each recorder of the live-view
    // program's list that is not known yet; how many were taken, -1 when the
    // list could not be read.
    int ImportFromLiveView();

    // "Kopieren": after the question, the row's alarm settings replace those
    // of every other recorder. True when every recorder got the copy.
    bool CopySettingsToAll(int row);

private:
    ConfigTree& m_tree;
    Prompt& m_prompt;
    std::string m_sharedPrefix;
};

// A new recorder entry made from the list's template with the default alarm
// settings, not yet in the list, or null without a recorder list. The
// caller holds the lock.
std::unique_ptr<ConfigNode> NewRecorderEntry(ConfigTree& tree);
// The same, added at the end of the list.
ConfigNode* AppendRecorder(ConfigTree& tree);
