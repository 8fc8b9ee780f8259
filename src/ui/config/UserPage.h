// The user page of the configuration sheet ("Benutzer"): the accounts with
// their rights, Neu / Loeschen / Bearbeiten and the legend. The logic lives
// in UserListPage and UserEditor.
#pragma once

#include "users/UserListPage.h"

#include <QWidget>

class ConfigTree;
class Prompt;
class QPushButton;
class QTableWidget;

class UserPage final : public QWidget {
    Q_OBJECT

public:
    UserPage(ConfigTree& tree, Prompt& prompt, QWidget* parent = nullptr);

    QTableWidget* Table() { return m_table; }
    void Refresh();

private:
    int SelectedRow() const;
    void UpdateButtons();
    void NewUser();
    void EditUser();
    void DeleteUser();

    ConfigTree& m_tree;
    Prompt& m_prompt;
    UserListPage m_logic;
    QTableWidget* m_table = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
};
