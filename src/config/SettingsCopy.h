// A copy of one folder of the live tree for a dialog to edit, held in a tree
// of its own under the same path, so that code which finds its settings by
// path works on the copy unchanged. The live tree keeps its values until
// Apply: an alarm handled while the dialog is open sees the saved settings,
// never a half-typed one; a cancelled dialog just drops the copy.
#pragma once

#include "config/ConfigTree.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class SettingsCopy {
public:
    // Takes the live tree's lock while it copies. A path the live tree lacks
    // gives an empty folder that applies to nothing.
    SettingsCopy(ConfigTree& live, std::initializer_list<std::string_view> path);

    // The copy's own tree, for code that finds settings by path.
    ConfigTree& Tree() { return m_copy; }
    ConfigNode& Values() { return *m_values; }
    const ConfigNode& Values() const { return *m_values; }

    // Writes what was edited since the copy was taken or last applied (see
    // ApplyEdits) into the live tree under its lock.
    void Apply();

private:
    ConfigTree& m_live;
    std::vector<std::string> m_path;
    ConfigTree m_copy;
    ConfigNode* m_values = nullptr;
    // The folder as last taken from or given to the live tree.
    std::unique_ptr<ConfigNode> m_base;
};

// A deep copy of `node`: its content, its children and every template.
std::unique_ptr<ConfigNode> CloneNode(const ConfigNode& node);

// Writes into `live` what `edited` changes against `base` (both copies of
// it taken at one moment): changed values, list entries added (under a free
// name when another entry took theirs meanwhile) and removed. Everything
// else in `live` stays, so what the station wrote since the copy was taken
// (a recorder's signal times, an entry the alarm path made) survives.
void ApplyEdits(ConfigNode& live, const ConfigNode& base, const ConfigNode& edited);
