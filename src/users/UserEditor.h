// The logic of the user dialog ("Benutzer bearbeiten"): its mode, caption,
// initial values and locked controls, and on OK the checks in their order
// and the storing of the account. The desktop layer shows the controls.
#pragma once

#include "users/UserAccounts.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

class ConfigTree;

enum class UserDialogMode { New, Edit, Administrator };

enum class UserDialogField { None, Name, Password, PasswordRepeat };

// What the controls hold.
struct UserForm {
    std::string name;
    std::string password;
    std::string passwordRepeat;
    bool isDefault = false;
    // Indexed by UserRight.
    std::array<bool, kUserRightCount> rights{};

    bool Right(UserRight right) const { return rights[static_cast<size_t>(right)]; }
    void SetRight(UserRight right, bool on) { rights[static_cast<size_t>(right)] = on; }
};

// The result of OK: either the account was stored and the dialog closes, or a
// message is shown and the dialog stays open with the focus in a field
// (whose text is selected). The form may have been changed for the retry.
struct UserDialogOutcome {
    bool stored = false;
    std::string message;
    UserDialogField focus = UserDialogField::None;
};

class UserEditor {
public:
    static constexpr int kMaxNameChars = 20;
    static constexpr int kMaxPasswordChars = 12;

    // "Neu".
    static UserEditor ForNewUser(ConfigTree& tree);
    // "Bearbeiten" on an account; administrator mode for "administrator".
    // Nothing when no account has that name.
    static std::optional<UserEditor> ForExistingUser(ConfigTree& tree, std::string_view name);

    UserDialogMode Mode() const { return m_mode; }
    const std::string& Caption() const { return m_caption; }
    const UserForm& InitialForm() const { return m_initial; }
    bool NameEnabled() const { return m_mode != UserDialogMode::Administrator; }
    bool RightsEnabled() const { return m_mode != UserDialogMode::Administrator; }
    // Editing the default user: its box stays ticked and locked, and the
    // note on choosing another default user is shown.
    bool DefaultEnabled() const { return !m_editsDefaultUser; }
    bool NoteVisible() const { return m_editsDefaultUser; }

    // OK: checks and, when they pass, stores. The form's name is lower-cased
    // first; a refusal changes nothing in the tree.
    UserDialogOutcome Accept(UserForm& form);

private:
    UserEditor(ConfigTree& tree, UserDialogMode mode);

    void Store(const UserForm& form);
    void ApplyDefaultFlag(ConfigNode& entry, bool isDefault);

    ConfigTree& m_tree;
    UserDialogMode m_mode;
    std::string m_caption;
    UserForm m_initial;
    std::string m_oldName;
    bool m_editsDefaultUser = false;
};
