// The keyboard state asked for at start-up: holding Control and Shift while
// the station opens its alarm database forces a recount of the records.
#pragma once

class ModifierKeys {
public:
    virtual ~ModifierKeys() = default;

    virtual bool ControlAndShiftHeld() = 0;
};

// For a station without a desktop keyboard: nothing is ever held.
ModifierKeys& NoModifierKeys();
