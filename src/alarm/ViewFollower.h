// Tells a view that keeps counts over the database's view whether the view
// changed since it last looked, and whether by just one arriving record, so
// that an arrival costs one record read instead of a pass over the view.
#pragma once

class AlarmDatabase;

enum class ViewChange { None, Arrival, Other };

class ViewFollower {
public:
    // After a pass over the whole view.
    void Reset(const AlarmDatabase& database);
    // Arrival: the newest record entered the view (NewRecord names it);
    // Other: anything else changed, the counts must be built again.
    ViewChange Check(const AlarmDatabase& database);
    int NewRecord() const { return m_records - 1; }

private:
    int m_records = -1;
    int m_view = -1;
};
