#include "alarm/RecordConfirmation.h"

int PostponedState(std::string_view confirmState)
{
    if (confirmState == "0" || confirmState == "1")
        return 1;
    return 3;
}

void ApplyConfirmation(AlarmRecord& record, ConfirmKind kind, std::string_view user, int64_t nowMs)
{
    switch (kind) {
    case ConfirmKind::Confirm:
        record.SetNumber(AlarmField::ActionTime, nowMs);
        record.SetField(AlarmField::Confirmed, "1");
        record.SetField(AlarmField::ConfirmState, "2");
        record.SetField(AlarmField::AutoConfirmed, "0");
        record.SetField(AlarmField::ConfirmUser, user);
        return;
    case ConfirmKind::Postpone:
        record.SetNumber(AlarmField::ConfirmState,
                         PostponedState(record.Field(AlarmField::ConfirmState)));
        record.SetField(AlarmField::Confirmed, "0");
        record.SetField(AlarmField::AutoConfirmed, "0");
        return;
    case ConfirmKind::Automatic:
        record.SetField(AlarmField::AutoConfirmed, "1");
        record.SetField(AlarmField::Confirmed, "1");
        record.SetField(AlarmField::ConfirmState, "0");
        record.SetField(AlarmField::ConfirmUser, user);
        return;
    }
}
