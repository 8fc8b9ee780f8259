// "Protokoll...": the audit trail in a list filtered by time, user and kind
// and searched by text, following what the station writes, with the shown
// lines saved as CSV or PDF.
#pragma once

#include <QDialog>
#include <QTimer>
#include <filesystem>

class AuditLogModel;
class AuditTrail;
class Prompt;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QTableView;

class AuditViewer final : public QDialog {
public:
    // `trail`, when given, records the viewer's exports.
    AuditViewer(std::filesystem::path folder, AuditTrail* trail, Prompt& prompt,
                QWidget* parent = nullptr);

    AuditLogModel& Model() { return *m_model; }
    bool SaveCsv(const QString& path);
    bool SavePdf(const QString& path);
    // Reads what the station appended since.
    void Follow();
    void SetSearchText(const QString& text);

private:
    QWidget* BuildFilterBar();
    void ApplyFilter();
    void FillChoices();
    void Save(bool pdf);

    AuditTrail* m_trail;
    Prompt& m_prompt;
    AuditLogModel* m_model;
    QTableView* m_table;
    QCheckBox* m_fromOn;
    QDateTimeEdit* m_from;
    QCheckBox* m_toOn;
    QDateTimeEdit* m_to;
    QComboBox* m_user;
    QComboBox* m_kind;
    QLineEdit* m_search;
    QLabel* m_count;
    QTimer m_follow;
};
