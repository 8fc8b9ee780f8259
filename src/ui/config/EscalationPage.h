// The page "Eskalation" of the configuration sheet: the chain of each
// priority (up to five steps), the postpone time of the close box and the
// response-time targets. It edits a copy of the settings: an alarm handled
// while the sheet is open follows the saved chains. The sheet applies the
// copy on OK and drops it on Abbrechen.
#pragma once

#include "alarm/EscalationSettings.h"

#include <QWidget>
#include <array>

class ConfigTree;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

class EscalationPage final : public QWidget {
    Q_OBJECT

public:
    explicit EscalationPage(ConfigTree& tree, QWidget* parent = nullptr);

    // The settings as the page holds them, and their application to the tree.
    EscalationSettings Values();
    void Apply();

    // For tests and screenshots.
    QComboBox* PriorityChoice() const { return m_priority; }
    QSpinBox* PostponeBox() const { return m_postpone; }

private:
    // One row of the step table.
    struct StepRow {
        QCheckBox* used = nullptr;
        QSpinBox* after = nullptr;
        QCheckBox* raise = nullptr;
        QLineEdit* sound = nullptr;
        QComboBox* speaker = nullptr;
        QLineEdit* mailTo = nullptr;
        QLineEdit* program = nullptr;
        QLineEdit* arguments = nullptr;
    };

    QWidget* BuildGeneralGroup();
    QWidget* BuildChainGroup();
    // Between the rows and the copy, for the priority shown.
    void ShowChain(int priority);
    void TakeChain(int priority);
    void UpdateRow(const StepRow& row);

    ConfigTree& m_tree;
    EscalationSettings m_values;
    int m_shown = 0;
    QComboBox* m_priority = nullptr;
    QSpinBox* m_postpone = nullptr;
    std::array<QSpinBox*, 3> m_targets{};
    QLineEdit* m_mailFrom = nullptr;
    std::array<StepRow, kMaxEscalationSteps> m_rows;
};
