#include "users/UserListPage.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "platform/Prompt.h"
#include "users/UserAccounts.h"

namespace {

constexpr std::string_view kCaption = "Wardex";

ConfigNode* UserList(ConfigTree& tree)
{
    return Find(tree, kUserList);
}

ConfigNode* EntryAt(ConfigTree& tree, int row)
{
    ConfigNode* list = UserList(tree);
    if (list == nullptr || row < 0 || row >= list->ChildCount())
        return nullptr;
    return list->ChildAt(row);
}

std::string YesIf(const ConfigNode& entry, UserRight right)
{
    return UserFlag(entry, RightKey(right)) ? Tr("Ja") : std::string();
}

// Each refusal is translated in two parts; as one text it would not fit one
// line of a language file.
std::string DefaultUserRefusal()
{
    return Tr("Dieser Benutzer ist der momentane Defaultbenutzer und kann\ndaher nicht geloescht "
              "werden.") +
           "\n\n" +
           Tr("Bestimmen Sie zuerst einen anderen Benutzer als \nDefaultbenutzer und loeschen Sie "
              "dann diesen Benutzer!");
}

std::string CurrentUserRefusal()
{
    return Tr("Dieser Benutzer ist der momentane eingelogte-Benutzer und kann\ndaher nicht "
              "geloescht werden.") +
           "\n\n" +
           Tr("Um diesen Benutzer zu loeschen, muessen Sie sich als ein anderer\nBenutzer "
              "einloggen!") +
           "\n";
}

} // namespace

UserListPage::UserListPage(ConfigTree& tree, Prompt& prompt) : m_tree(tree), m_prompt(prompt) {}

const std::array<UserListColumn, UserListPage::kColumnCount>& UserListPage::Columns()
{
    static const std::array<UserListColumn, kColumnCount> columns = {{
        {"", 40},
        {TrNoop("Name"), 75},
        {TrNoop("Passwort"), 80},
        {TrNoop("Alarme loeschen"), 100},
        {TrNoop("Benutzer bearbeiten"), 110},
        {TrNoop("Rekorder bearbeiten"), 130},
        {TrNoop("System bearbeiten"), 100},
        {TrNoop("Wardex beenden"), 105},
    }};
    return columns;
}

int UserListPage::RowCount() const
{
    return UserCount(m_tree);
}

std::string UserListPage::NameAt(int row) const
{
    ConfigLock lock(m_tree);
    ConfigNode* entry = EntryAt(m_tree, row);
    if (entry == nullptr)
        return {};
    return Get(*entry, kUserName);
}

std::string UserListPage::Cell(int row, int column) const
{
    ConfigLock lock(m_tree);
    ConfigNode* entry = EntryAt(m_tree, row);
    if (entry == nullptr)
        return {};
    switch (column) {
    case 0: {
        std::string marks;
        if (UserFlag(*entry, "IsDefUser"))
            marks += "[D] ";
        if (UserFlag(*entry, "IsCurLoggedInUser"))
            marks += "[L]";
        return marks;
    }
    case 1:
        return NameAt(row);
    case 2:
        return "********";
    case 3:
        return YesIf(*entry, UserRight::DelAlarm);
    case 4:
        return YesIf(*entry, UserRight::EditUser);
    case 5:
        return YesIf(*entry, UserRight::EditRecorder);
    case 6:
        return YesIf(*entry, UserRight::EditSystem);
    case 7:
        return YesIf(*entry, UserRight::ExitWardex);
    default:
        return {};
    }
}

UserButtonStates UserListPage::ButtonStates(int row) const
{
    UserButtonStates states;
    if (row < 0 || row >= RowCount())
        return states;
    states.editEnabled = true;
    states.deleteEnabled = ToLowerName(NameAt(row)) != kAdministratorName;
    return states;
}

bool UserListPage::DeleteUser(int row)
{
    ConfigLock lock(m_tree);
    ConfigNode* entry = EntryAt(m_tree, row);
    if (entry == nullptr || !ButtonStates(row).deleteEnabled)
        return false;
    if (UserFlag(*entry, "IsDefUser")) {
        m_prompt.Show(DefaultUserRefusal(), kCaption, PromptIcon::Warning, PromptButtons::Ok);
        return false;
    }
    if (UserFlag(*entry, "IsCurLoggedInUser")) {
        m_prompt.Show(CurrentUserRefusal(), kCaption, PromptIcon::Warning, PromptButtons::Ok);
        return false;
    }
    if (m_prompt.Show(Tr("Moechten Sie diesen Benutzer wirklich loeschen?"), kCaption,
                      PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    return UserList(m_tree)->RemoveChild(entry);
}
