// The dialog "Uebernehmen der Alarmeinstellungen": which groups of the
// selected entry's settings go to every other alarm of this recorder or of
// all recorders.
#pragma once

#include "station/AlarmSettingsCopy.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

class AlarmSettingsCopyDialog final : public QDialog {
    Q_OBJECT

public:
    // recorder may be the recorder sheet's copy of liveRecorder.
    AlarmSettingsCopyDialog(ConfigTree& tree, Prompt& prompt, ConfigNode& recorder,
                            const ConfigNode* liveRecorder, const ConfigNode& source,
                            QWidget* parent = nullptr);

    AlarmSettingGroups Groups() const;
    CopyTargets Targets() const;

private:
    void Copy();

    ConfigTree& m_tree;
    Prompt& m_prompt;
    ConfigNode& m_recorder;
    const ConfigNode* m_liveRecorder;
    const ConfigNode& m_source;
    QCheckBox* m_program = nullptr;
    QCheckBox* m_mail = nullptr;
    QCheckBox* m_master = nullptr;
    QCheckBox* m_liveView = nullptr;
    QCheckBox* m_confirmation = nullptr;
    QCheckBox* m_appearance = nullptr;
    QCheckBox* m_message = nullptr;
    QCheckBox* m_shortText = nullptr;
    QCheckBox* m_scroller = nullptr;
    QRadioButton* m_thisRecorder = nullptr;
    QRadioButton* m_allRecorders = nullptr;
};
