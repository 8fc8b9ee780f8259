// The alarm list's 16 x 16 confirmation state icons, drawn rather than
// loaded, so the program needs no image files.
#pragma once

#include <QIcon>
#include <array>

// In the order of StateIcon: confirmed by an operator, postponed, open,
// confirmed automatically, postponed and open while the presentation window
// is active.
std::array<QIcon, 6> MakeStateIcons();
