// The keyboard state from Qt: Control and Shift held while the station starts.
#pragma once

#include "platform/ModifierKeys.h"

class QtModifierKeys final : public ModifierKeys {
public:
    bool ControlAndShiftHeld() override;
};
