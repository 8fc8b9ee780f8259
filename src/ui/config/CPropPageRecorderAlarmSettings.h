// The second page of the recorder sheet: the recorder's alarm types and
// sub-alarms as a tree, the master switch, five tabs for the selected entry,
// the three ways of storing it, the camera grid of the sub-alarms and the
// copy dialog. The logic lives in AlarmSettingsEditor; this is its face.
#pragma once

#include "station/AlarmSettingsEditor.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class AlarmTextPreview;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

class CPropPageRecorderAlarmSettings final : public QWidget {
    Q_OBJECT

public:
    // recorder: the recorder sheet's copy of liveRecorder (null for a new
    // recorder), or a recorder of the list.
    CPropPageRecorderAlarmSettings(ConfigTree& tree, ConfigNode& recorder, Prompt& prompt,
                                   std::string sharedPrefix, QWidget* parent = nullptr,
                                   const ConfigNode* liveRecorder = nullptr);

    // The page becomes visible: the first time the tree is built and the
    // remembered entry loaded; each time the preset box is filled with the
    // presets the live-view program lists for recorderName.
    void Enter(const std::string& recorderName);
    // The page is left or the sheet finishes: the shown values are stored
    // into the selected entry. False keeps the page on a refused field.
    bool Leave();

    // The mail tab's "Testen" runs this instead of the test-mail dialog.
    void SetTestMailHandler(std::function<void(const AlarmSettingsForm&)> handler);

    AlarmSettingsEditor& Editor() { return m_editor; }
    AlarmSettingsForm ShownValues() const;
    void ShowValues(const AlarmSettingsForm& form);

private:
    QWidget* BuildAppearanceTab();
    QWidget* BuildConfirmationTab();
    QWidget* BuildLiveViewTab();
    QWidget* BuildMailTab();
    QWidget* BuildProgramTab();
    QWidget* BuildGrid();

    void RebuildTree();
    void RefreshTreeColors();
    void ShowSelected();
    void UpdateSwitchDependents();
    void RefreshGrid();
    void FocusRefusedField();
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void StoreWith(StoreScope scope);
    void ToggleGrid(bool shown);
    void AddSubAlarm();
    void DeleteSubAlarm();
    void OpenCopyDialog();
    void CheckTimeshiftEdit(TimeshiftField field, QLineEdit* edit);
    void UpdatePreview();

    ConfigTree& m_tree;
    ConfigNode& m_recorder;
    const ConfigNode* m_liveRecorder;
    Prompt& m_prompt;
    std::string m_sharedPrefix;
    AlarmSettingsEditor m_editor;
    bool m_opened = false;
    std::function<void(const AlarmSettingsForm&)> m_testMail;
    // Keeps a stored priority outside 1 to 6, which the box cannot show.
    int32_t m_shownPriority = 1;

    QTreeWidget* m_types = nullptr;
    std::vector<QTreeWidgetItem*> m_treeItems;
    QCheckBox* m_master = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_subAlarms = nullptr;
    QGroupBox* m_gridBox = nullptr;
    QTableWidget* m_grid = nullptr;

    QCheckBox* m_showMessage = nullptr;
    QLineEdit* m_message = nullptr;
    QCheckBox* m_showShortText = nullptr;
    QCheckBox* m_showScroller = nullptr;
    QLineEdit* m_title = nullptr;
    AlarmTextPreview* m_preview = nullptr;

    QCheckBox* m_requireComment = nullptr;
    QCheckBox* m_requirePhrase = nullptr;
    QLineEdit* m_phrase = nullptr;
    QComboBox* m_priority = nullptr;

    QCheckBox* m_showLive = nullptr;
    QCheckBox* m_showTrack = nullptr;
    QRadioButton* m_trackByNumber = nullptr;
    QRadioButton* m_trackByName = nullptr;
    QLineEdit* m_trackName = nullptr;
    QCheckBox* m_doTimeshift = nullptr;
    QLineEdit* m_timeshiftMin = nullptr;
    QLineEdit* m_timeshiftSec = nullptr;
    QCheckBox* m_doContext = nullptr;
    QCheckBox* m_doAuto = nullptr;
    QCheckBox* m_presetDoLoad = nullptr;
    QComboBox* m_presetName = nullptr;

    QCheckBox* m_mailDoSend = nullptr;
    QLineEdit* m_mailFrom = nullptr;
    QLineEdit* m_mailTo = nullptr;
    QLineEdit* m_mailSubject = nullptr;
    QPlainTextEdit* m_mailBody = nullptr;
    QPushButton* m_testMailButton = nullptr;

    QLineEdit* m_programPath = nullptr;
    QLineEdit* m_programArgs = nullptr;
    QLineEdit* m_programWorkDir = nullptr;
    QCheckBox* m_programOnce = nullptr;
};
