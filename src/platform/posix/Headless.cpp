// The desktop interfaces for a process without a desktop: no keys held, no
// cursor or progress to show.
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"

namespace {

class NoKeys final : public ModifierKeys {
public:
    bool ControlAndShiftHeld() override { return false; }
};

class NoIndicator final : public BusyIndicator {
public:
    void SetBusy(bool) override {}
    void ShowProgress(int64_t, int64_t) override {}
};

} // namespace

ModifierKeys& NoModifierKeys()
{
    static NoKeys keys;
    return keys;
}

BusyIndicator& NoBusyIndicator()
{
    static NoIndicator indicator;
    return indicator;
}
