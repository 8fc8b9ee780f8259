// How an alarm record changes when an operator confirms or postpones it, or
// when it is confirmed automatically because no window was shown.
#pragma once

#include "db/AlarmRecord.h"

#include <cstdint>
#include <string_view>

enum class ConfirmKind { Confirm = 0, Postpone = 1, Automatic = 2 };

// ConfirmState after a postponement: 0 becomes 1, 2 and anything unreadable
// become 3, 1 and 3 stay.
int PostponedState(std::string_view confirmState);

// Sets the fields of the change; `user` is the current user's name, `nowMs`
// the time of a confirmation.
void ApplyConfirmation(AlarmRecord& record, ConfirmKind kind, std::string_view user, int64_t nowMs);

// "Mark all records of the view": ConfirmState 0 becomes 2 and 1 becomes 3,
// other states and every other field stay. The number of records changed.
class AlarmDatabase;
int MarkViewedRecords(AlarmDatabase& database);
