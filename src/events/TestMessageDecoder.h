// The recorder's periodic test message (type 10042): it announces when the
// next one is due, or that the recorder is switched off, and so feeds the
// supervision of recorder signals.
#pragma once

#include "events/DecodeContext.h"

class Clock;
class ConfigTree;

// Always dispatched. Updates iLastSignal, iNextSignal and iSignalState of the
// recorder's RecorderList entry unless the message is a test only.
Dispatch DecodeTestMessage(DecodeContext& context, ConfigTree& tree, Clock& clock);
