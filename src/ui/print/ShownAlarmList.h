// The alarm list as the operator sees it (view order, filter, column order
// and widths), read row by row for printing and export.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class AlarmDatabase;
class AlarmListView;

enum class TimeText { AsShown, Iso8601 };

class ShownAlarmList {
public:
    ShownAlarmList(AlarmListView& view, AlarmDatabase& database);

    int RowCount() const;
    // Column numbers in display order.
    const std::vector<int>& Columns() const { return m_columns; }
    QString Header(int column) const;
    int Width(int column) const;
    // The state column gives a word for its icon.
    QString Cell(int row, int column, TimeText times) const;
    // The earliest and latest arrival of the rows; nothing without rows.
    std::optional<std::pair<int64_t, int64_t>> ArrivalSpan() const;

private:
    AlarmListView& m_view;
    AlarmDatabase& m_database;
    std::vector<int> m_columns;
};

// "2024-03-01T08:00:00.250+01:00" in local time, with the milliseconds that
// tell the alarms of one burst apart; empty for zero or negative.
QString IsoTime(int64_t storedMs);
