// The checks of the recorder sheet's address page, run when the page is left
// and when the sheet is finished: addresses are unique among recorders of
// the same Hybrid value, names among ordinary recorders.
#pragma once

#include "station/RecorderAddress.h"

#include <string>

class ConfigTree;
class Prompt;

class RecorderAddressCheck {
public:
    // originalName: the entry's Name when the sheet opened (edit mode).
    RecorderAddressCheck(ConfigTree& tree, Prompt& prompt, SheetMode mode,
                         std::string originalName);

    // Address and name both hold more than white space: the wizard's
    // "Weiter" and "Fertig stellen" wait for it.
    static bool IsComplete(const RecorderAddress& fields);

    // Strips both fields in place, then checks the address before the name;
    // false after showing the first failure.
    bool Check(RecorderAddress& fields) const;

private:
    ConfigTree& m_tree;
    Prompt& m_prompt;
    SheetMode m_mode;
    std::string m_originalName;
};
