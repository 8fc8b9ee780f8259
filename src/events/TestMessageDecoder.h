// The recorder's periodic test message (type 10042): it announces when the
// next one is due, or that the recorder is switched off, and so feeds the
// supervision of recorder signals.
#pragma once

#include "events/DecodeContext.h"

#include <cstdint>
#include <string>

class Clock;
class ConfigTree;

// Always dispatched. Updates iLastSignal, iNextSignal and iSignalState of the
// recorder's RecorderList entry unless the message is a test only. From a
// recorder whose signal was missed it also gives rise to 11012 "Rekorder
// wieder online" (context.following).
Dispatch DecodeTestMessage(DecodeContext& context, ConfigTree& tree, Clock& clock);

// A length of time as "h:mm:ss", with "N d " before it from a day on.
std::string DurationText(int64_t ms);
