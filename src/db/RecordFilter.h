// The predicate the database view filters with. The database knows nothing
// of filters: the list filter implements this and is handed to the view.
#pragma once

#include "db/AlarmRecord.h"

class RecordFilter {
public:
    virtual ~RecordFilter() = default;

    // Bracket a pass over many records, so that an implementation can keep
    // lookups for the pass instead of repeating them per record.
    virtual void BeginPass() {}
    virtual void EndPass() {}

    virtual bool Matches(const AlarmRecord& record) = 0;
};
