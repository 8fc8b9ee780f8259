#include "alarm/RecordConfirmation.h"

#include "db/AlarmDatabase.h"

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

int MarkViewedRecords(AlarmDatabase& database)
{
    int changed = 0;
    AlarmRecord record;
    for (int position = 0; position < database.ViewCount(); ++position) {
        int number = database.ViewRecord(position);
        if (!database.Read(number, record))
            continue;
        std::string_view state = record.Field(AlarmField::ConfirmState);
        const char* marked = state == "0" ? "2" : state == "1" ? "3" : nullptr;
        if (marked == nullptr)
            continue;
        record.SetField(AlarmField::ConfirmState, marked);
        if (database.Update(number, record))
            ++changed;
    }
    return changed;
}
