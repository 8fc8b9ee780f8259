#include "users/UserEditor.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"

namespace {

constexpr std::array<UserRight, kUserRightCount> kRights = {
    UserRight::DelAlarm, UserRight::EditUser, UserRight::EditRecorder, UserRight::EditSystem,
    UserRight::ExitWardex};

std::string_view StripBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

void SetInt(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

void SetString(ConfigNode& entry, std::string_view key, std::string_view value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetString(value);
}

std::string GetString(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

UserDialogOutcome Refuse(std::string message, UserDialogField focus)
{
    return {false, std::move(message), focus};
}

} // namespace

UserEditor::UserEditor(ConfigTree& tree, UserDialogMode mode) : m_tree(tree), m_mode(mode)
{
    m_caption =
        mode == UserDialogMode::New ? Tr("Neuen Benutzer anlegen") : Tr("Benutzer bearbeiten");
}

UserEditor UserEditor::ForNewUser(ConfigTree& tree)
{
    // Never offered as the default user: a limited account ticked by accident
    // would be the one a restarted station runs under, locking out whoever
    // does not know the administrator's password.
    return UserEditor(tree, UserDialogMode::New);
}

std::optional<UserEditor> UserEditor::ForExistingUser(ConfigTree& tree, std::string_view name)
{
    ConfigLock lock(tree);
    ConfigNode* entry = FindUser(tree, name);
    if (entry == nullptr)
        return std::nullopt;
    bool administrator = ToLowerName(name) == kAdministratorName;
    UserEditor editor(tree, administrator ? UserDialogMode::Administrator : UserDialogMode::Edit);
    editor.m_oldName = std::string(name);
    UserForm& form = editor.m_initial;
    form.name = editor.m_oldName;
    form.password = GetString(*entry, "Password");
    form.passwordRepeat = form.password;
    form.isDefault = UserFlag(*entry, "IsDefUser");
    for (UserRight right : kRights)
        form.SetRight(right, administrator || UserFlag(*entry, RightKey(right)));
    editor.m_editsDefaultUser = form.isDefault;
    return editor;
}

UserDialogOutcome UserEditor::Accept(UserForm& form)
{
    ConfigLock lock(m_tree);
    if (m_mode == UserDialogMode::Administrator)
        form.name = std::string(kAdministratorName);
    form.name = ToLowerName(form.name);
    if (m_editsDefaultUser)
        form.isDefault = true;
    if (!IsAlphanumeric(form.name)) {
        form.name = std::string(StripBlanks(form.name));
        return Refuse(Tr("Bitte nur alphanumerische Zeichen fuer den Namen eingeben"),
                      UserDialogField::Name);
    }
    if (!IsAlphanumeric(form.password)) {
        form.password.clear();
        form.passwordRepeat.clear();
        return Refuse(Tr("Bitte nur alphanumerische Zeichen fuer das Password eingeben"),
                      UserDialogField::Password);
    }
    if (m_mode != UserDialogMode::Administrator && form.name.empty())
        return Refuse(Tr("Bitte min. 1 Zeichen als Namen angeben"), UserDialogField::Name);
    if (form.password != form.passwordRepeat)
        return Refuse(Tr("Die Passwort-Wiederholung stimmt nicht mit dem Passwort ueberein"),
                      UserDialogField::PasswordRepeat);
    if (m_mode == UserDialogMode::New && UserExists(m_tree, form.name)) {
        form.name.clear();
        return Refuse(Tr("Der gewaehlte Name ist leider schon vergeben"), UserDialogField::Name);
    }
    if (m_mode == UserDialogMode::Edit && form.name != m_oldName && UserExists(m_tree, form.name)) {
        form.name = m_oldName;
        return Refuse(Tr("Der gewaehlte Name ist leider schon vergeben"), UserDialogField::Name);
    }
    Store(form);
    return {true, {}, UserDialogField::None};
}

void UserEditor::Store(const UserForm& form)
{
    ConfigNode* entry = nullptr;
    switch (m_mode) {
    case UserDialogMode::New: {
        ConfigNode* list = Find(m_tree, kUserList);
        if (list == nullptr)
            return;
        entry = list->NewEntry(list->ChildCount());
        if (entry == nullptr)
            return;
        SetInt(*entry, "IsCurLoggedInUser", 0);
        SetString(*entry, "Name", form.name);
        break;
    }
    case UserDialogMode::Edit:
        entry = FindUser(m_tree, m_oldName);
        if (entry == nullptr)
            return;
        SetString(*entry, "Name", form.name);
        break;
    case UserDialogMode::Administrator:
        entry = FindUser(m_tree, kAdministratorName);
        if (entry == nullptr)
            return;
        SetString(*entry, "Password", form.password);
        ApplyDefaultFlag(*entry, form.isDefault);
        return;
    }
    ApplyDefaultFlag(*entry, form.isDefault);
    SetString(*entry, "Password", form.password);
    for (UserRight right : kRights)
        SetInt(*entry, RightKey(right), form.Right(right) ? 1 : 0);
}

void UserEditor::ApplyDefaultFlag(ConfigNode& entry, bool isDefault)
{
    if (!isDefault) {
        SetInt(entry, "IsDefUser", 0);
        return;
    }
    ConfigNode* list = entry.Parent();
    for (int i = 0; list != nullptr && i < list->ChildCount(); ++i)
        SetInt(*list->ChildAt(i), "IsDefUser", 0);
    SetInt(entry, "IsDefUser", 1);
}
