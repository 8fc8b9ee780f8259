// The recorder page of the configuration sheet: the list of recorders with
// their signal state, and the buttons that add, delete, edit, import and
// copy recorders. Row buttons are enabled only while a row is selected.
#pragma once

#include "station/RecorderListPage.h"
#include "ui/config/RecorderListModel.h"
#include "ui/config/RecorderPageOptions.h"

#include <QWidget>

class QPushButton;
class QTreeView;

class CPropPageRecorder final : public QWidget {
    Q_OBJECT

public:
    CPropPageRecorder(ConfigTree& tree, Prompt& prompt, RecorderPageOptions options,
                      QWidget* parent = nullptr);

    // The column widths go back into the tree.
    void Leave();

    QTreeView* List() { return m_list; }
    RecorderListModel& Model() { return m_model; }
    int SelectedRow() const;
    void SelectRow(int row);

private:
    void UpdateButtons();
    void NewRecorder();
    void EditRecorder();
    void DeleteRecorder();
    void ImportRecorders();
    void CopySettings();

    ConfigTree& m_tree;
    Prompt& m_prompt;
    RecorderPageOptions m_options;
    RecorderListPage m_page;
    RecorderListModel m_model;
    QTreeView* m_list = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_copy = nullptr;
};
