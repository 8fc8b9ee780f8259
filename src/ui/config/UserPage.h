// The user page of the configuration sheet ("Benutzer"): the accounts with
// their rights, Neu / Loeschen / Bearbeiten and the legend. The logic lives
// in UserListPage and UserEditor, which work on the page's copy of the
// accounts; the sheet applies it at OK.
#pragma once

#include "config/SettingsCopy.h"
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
    void Apply();

private:
    int SelectedRow() const;
    void UpdateButtons();
    void NewUser();
    void EditUser();
    void DeleteUser();

    SettingsCopy m_copy;
    Prompt& m_prompt;
    UserListPage m_logic;
    QTableWidget* m_table = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
};
