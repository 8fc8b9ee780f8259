#include "alarm/ViewFollower.h"

#include "db/AlarmDatabase.h"

void ViewFollower::Reset(const AlarmDatabase& database)
{
    m_records = database.RecordCount();
    m_view = database.ViewCount();
}

ViewChange ViewFollower::Check(const AlarmDatabase& database)
{
    int records = database.RecordCount();
    int view = database.ViewCount();
    if (records == m_records && view == m_view)
        return ViewChange::None;
    bool oneMore = records == m_records + 1;
    if (oneMore && view == m_view) {
        // The filter kept the new record out.
        m_records = records;
        return ViewChange::None;
    }
    if (oneMore && view == m_view + 1) {
        Reset(database);
        return ViewChange::Arrival;
    }
    return ViewChange::Other;
}
