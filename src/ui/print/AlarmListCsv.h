// The alarm list's current view as a CSV file a spreadsheet opens: UTF-8
// with a byte order mark, one header line, the columns as shown, times in
// ISO 8601 with milliseconds, fields separated by semicolons as German spreadsheets expect.
#pragma once

#include <QString>

class ShownAlarmList;

inline constexpr QChar kCsvSeparator = u';';

// A field quoted where needed. Recorder texts are outside input: one that a
// spreadsheet would run as a formula starts with an apostrophe instead.
QString CsvField(const QString& text);

[[nodiscard]] bool WriteAlarmListCsv(const ShownAlarmList& list, const QString& path);
