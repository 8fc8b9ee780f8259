// What the recorder pages take from the station's start-up: whether the
// address page offers the "Hybridrekorder" box, and the name prefix of the
// live-view program's shared objects (empty for the real ones).
#pragma once

#include <string>

enum class HybridChoice { Hidden, Offered };

struct RecorderPageOptions {
    HybridChoice hybrid = HybridChoice::Hidden;
    std::string sharedPrefix;
};
