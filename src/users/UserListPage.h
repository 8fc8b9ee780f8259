// The logic of the user page of the configuration sheet ("Benutzer"): the
// columns and cells of the account list, which buttons are enabled, and
// deleting an account with its refusals and question.
#pragma once

#include <array>
#include <string>
#include <string_view>

class ConfigTree;
class Prompt;

struct UserListColumn {
    std::string_view header; // German; translated when shown
    int width;
};

struct UserButtonStates {
    bool newEnabled = true;
    bool deleteEnabled = false;
    bool editEnabled = false;
};

class UserListPage {
public:
    static constexpr int kColumnCount = 8;

    UserListPage(ConfigTree& tree, Prompt& prompt);

    static const std::array<UserListColumn, kColumnCount>& Columns();

    // One row per account in list order; the password never shows.
    int RowCount() const;
    std::string Cell(int row, int column) const;
    // The account name of a row, empty outside the list.
    std::string NameAt(int row) const;

    // row is -1 without a selection.
    UserButtonStates ButtonStates(int row) const;

    // "Loeschen": refused for the default user and the logged-in user, asked
    // otherwise; true when the account was removed.
    bool DeleteUser(int row);

private:
    ConfigTree& m_tree;
    Prompt& m_prompt;
};
