// The window "Reaktionszeiten": how fast alarms were shown and confirmed over
// a period, per priority, alarm type, operator or recorder, against the
// response targets, with the figures saved as CSV. It reads the response log
// when it opens and at "Aktualisieren".
#pragma once

#include "alarm/ResponseStats.h"

#include <QDialog>
#include <filesystem>
#include <functional>
#include <vector>

class Clock;
class QComboBox;
class QLabel;
class QTableWidget;

class ResponseTimesWindow final : public QDialog {
    Q_OBJECT

public:
    ResponseTimesWindow(std::filesystem::path logPath, std::array<int32_t, 3> targetSeconds,
                        Clock& clock, QWidget* parent = nullptr);

    // Where "Als CSV speichern..." writes; empty cancels. Tests replace it.
    using FileChooser = std::function<QString()>;
    void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // For tests and screenshots.
    QComboBox* PeriodChoice() const { return m_period; }
    QComboBox* GroupingChoice() const { return m_grouping; }
    QTableWidget* Table() const { return m_table; }
    const std::vector<ResponseRow>& Rows() const { return m_rows; }
    void Reload();
    // False when the file could not be written; a chosen nothing is true.
    bool SaveCsv();

private:
    void Recompute();

    std::filesystem::path m_logPath;
    std::array<int32_t, 3> m_targets;
    Clock& m_clock;
    std::vector<AlarmResponse> m_alarms;
    std::vector<ResponseRow> m_rows;
    FileChooser m_chooseFile;
    QComboBox* m_period = nullptr;
    QComboBox* m_grouping = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
};
