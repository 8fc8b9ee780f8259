// The main window's commands on the alarm list as shown: print it, save it
// as PDF or as CSV. Each asks for its printer or file first; a file that
// cannot be written is reported.
#pragma once

#include <QString>
#include <string>

class AlarmDatabase;
class AlarmListView;
class AuditTrail;
class Clock;
class ConfigTree;
class Prompt;
class QWidget;

struct AlarmListCommandParts {
    AlarmListView& list;
    AlarmDatabase& database;
    ConfigTree& tree; // the user named in the footer
    Prompt& prompt;
    Clock& clock; // the time printed in the title
    QWidget* parent;
    // The filter applied to the list, described for the printed title;
    // empty for none.
    std::string filter = {};
    // Where prints and exports are recorded; none when null.
    AuditTrail* audit = nullptr;
};

// The operator's choice of a PDF file to write; empty when cancelled.
QString ChoosePdfFile(QWidget* parent);

void PrintAlarmList(const AlarmListCommandParts& parts);
// With an empty path the operator chooses the file.
void SaveAlarmListPdf(const AlarmListCommandParts& parts, QString path = {});
void SaveAlarmListCsv(const AlarmListCommandParts& parts, QString path = {});
