// "Filter bearbeiten": the list of filters with in-place renaming, and the
// selected filter's parts, link and confirmation restriction. OK writes the
// list back when something changed.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AlarmDatabase;
class Clock;
class ConfigTree;
class FilterEditor;
class Prompt;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QVBoxLayout;

class FilterDialog final : public QDialog {
    Q_OBJECT

public:
    FilterDialog(ConfigTree& tree, AlarmDatabase& database, Prompt& prompt, Clock& clock,
                 QWidget* parent = nullptr);
    ~FilterDialog() override;

    // After OK: whether the list was written, so the filters must be loaded.
    bool Saved() const { return m_saved; }
    const FilterEditor& Editor() const { return *m_editor; }
    QTreeWidget& List() const { return *m_list; }

    // The buttons beside the parts open their dialogs.
    void EditTime();
    void EditRecorders();
    void EditAlarmTypes();

    void accept() override;

private:
    QVBoxLayout* BuildListColumn();
    // The selected filter's groups, built into m_details.
    QGroupBox* BuildParts();
    QGroupBox* BuildLink();
    QGroupBox* BuildConfirmation();
    void NewFilter();
    void SetPart(int32_t part, bool on);
    void ShowSelected();
    std::vector<std::string> RecorderNames() const;

    ConfigTree& m_tree;
    AlarmDatabase& m_database;
    Prompt& m_prompt;
    Clock& m_clock;
    std::unique_ptr<FilterEditor> m_editor;
    bool m_saved = false;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QCheckBox* m_timePart = nullptr;
    QCheckBox* m_recorderPart = nullptr;
    QCheckBox* m_typePart = nullptr;
    QLabel* m_timeNow = nullptr;
    QLabel* m_recordersNow = nullptr;
    QLabel* m_typesNow = nullptr;
    QPushButton* m_editTime = nullptr;
    QPushButton* m_editRecorders = nullptr;
    QPushButton* m_editTypes = nullptr;
    QRadioButton* m_and = nullptr;
    QRadioButton* m_or = nullptr;
    QCheckBox* m_onlyConfirmed = nullptr;
    QCheckBox* m_onlyUnconfirmed = nullptr;
    QWidget* m_details = nullptr;
};
