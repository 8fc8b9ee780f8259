#include "users/UserAccounts.h"

#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"

#include <algorithm>

namespace {

constexpr std::string_view kLoggedIn = "IsCurLoggedInUser";
constexpr std::string_view kDefault = "IsDefUser";

ConfigNode* UserList(ConfigTree& tree)
{
    return Find(tree, kUserList);
}

void SetFlag(ConfigNode& entry, std::string_view key, int32_t value)
{
    if (ConfigNode* node = entry.Child(key))
        node->SetInt(value);
}

// The name, the built-in password and every right; the flags stay.
void MakeBuiltInAdministrator(ConfigNode& entry)
{
    Set(entry, kUserName, kAdministratorName);
    Set(entry, kUserPassword, kBuiltInPassword);
    for (UserRight right : {UserRight::DelAlarm, UserRight::EditUser, UserRight::EditRecorder,
                            UserRight::EditSystem, UserRight::ExitWardex})
        SetFlag(entry, RightKey(right), 1);
}

std::string Text(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

ConfigNode* FirstWithFlag(ConfigTree& tree, std::string_view key)
{
    ConfigNode* list = UserList(tree);
    if (list == nullptr)
        return nullptr;
    for (int i = 0; i < list->ChildCount(); ++i) {
        if (UserFlag(*list->ChildAt(i), key))
            return list->ChildAt(i);
    }
    return nullptr;
}

bool IsAsciiAlphanumeric(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The second byte of a UTF-8 letter of U+0080..U+00FF that starts with
// `lead`: the feminine and masculine ordinals and micro sign after 0xC2,
// everything but the multiplication and division signs after 0xC3.
bool IsLatin1Letter(unsigned char lead, unsigned char next)
{
    if (lead == 0xC2)
        return next == 0xAA || next == 0xB5 || next == 0xBA;
    if (lead == 0xC3)
        return next >= 0x80 && next <= 0xBF && next != 0x97 && next != 0xB7;
    return false;
}

} // namespace

std::string_view RightKey(UserRight right)
{
    switch (right) {
    case UserRight::DelAlarm:
        return "RTDelAlarm";
    case UserRight::EditUser:
        return "RTEditUser";
    case UserRight::EditRecorder:
        return "RTEditRecorder";
    case UserRight::EditSystem:
        return "RTEditSystem";
    case UserRight::ExitWardex:
        return "RTExitWardex";
    }
    return {};
}

bool UserFlag(const ConfigNode& entry, std::string_view key)
{
    const ConfigNode* node = entry.Child(key);
    return node != nullptr && node->GetInt() == 1;
}

void CreateBuiltInAccount(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* list = UserList(tree);
    if (list == nullptr)
        return;
    list->RemoveAllChildren();
    ConfigNode* entry = list->NewEntry(0);
    if (entry == nullptr)
        return;
    SetFlag(*entry, kLoggedIn, 1);
    SetFlag(*entry, kDefault, 1);
    MakeBuiltInAdministrator(*entry);
}

bool ResetAdministrator(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* list = UserList(tree);
    if (list == nullptr)
        return false;
    ConfigNode* entry = FindUser(tree, kAdministratorName);
    if (entry == nullptr)
        entry = list->NewEntry(list->ChildCount());
    if (entry == nullptr)
        return false;
    MakeBuiltInAdministrator(*entry);
    // A list without a default user would leave the station running as nobody.
    if (DefaultUser(tree) == nullptr)
        SetFlag(*entry, kDefault, 1);
    return true;
}

int UserCount(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* list = UserList(tree);
    return list == nullptr ? 0 : list->ChildCount();
}

bool UserExists(ConfigTree& tree, std::string_view name)
{
    return FindUser(tree, name) != nullptr;
}

ConfigNode* FindUser(ConfigTree& tree, std::string_view name)
{
    ConfigLock lock(tree);
    ConfigNode* list = UserList(tree);
    return list == nullptr ? nullptr : list->FindEntryByString("Name", name);
}

ConfigNode* CurrentUser(ConfigTree& tree)
{
    ConfigLock lock(tree);
    return FirstWithFlag(tree, kLoggedIn);
}

std::string CurrentUserName(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* user = CurrentUser(tree);
    return user == nullptr ? std::string() : Text(*user, "Name");
}

ConfigNode* DefaultUser(ConfigTree& tree)
{
    ConfigLock lock(tree);
    return FirstWithFlag(tree, kDefault);
}

bool IsDefaultUser(ConfigTree& tree, std::string_view name)
{
    ConfigLock lock(tree);
    ConfigNode* user = FindUser(tree, name);
    return user != nullptr && UserFlag(*user, kDefault);
}

bool CheckPassword(ConfigTree& tree, std::string_view name, std::string_view password)
{
    ConfigLock lock(tree);
    ConfigNode* user = FindUser(tree, name);
    return user != nullptr && Text(*user, "Password") == password;
}

int LongestPassword(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* list = UserList(tree);
    size_t longest = 0;
    for (int i = 0; i < list->ChildCount(); ++i)
        longest = std::max(longest, Text(*list->ChildAt(i), "Password").size());
    return static_cast<int>(longest);
}

bool LogIn(ConfigTree& tree, std::string_view name)
{
    ConfigLock lock(tree);
    ConfigNode* user = FindUser(tree, name);
    if (user == nullptr)
        return false;
    ConfigNode* list = UserList(tree);
    for (int i = 0; i < list->ChildCount(); ++i)
        SetFlag(*list->ChildAt(i), kLoggedIn, 0);
    SetFlag(*user, kLoggedIn, 1);
    return true;
}

bool LogOut(ConfigTree& tree)
{
    ConfigLock lock(tree);
    ConfigNode* current = CurrentUser(tree);
    ConfigNode* defaultUser = DefaultUser(tree);
    if (current == defaultUser)
        return false;
    if (current != nullptr)
        SetFlag(*current, kLoggedIn, 0);
    if (defaultUser != nullptr)
        SetFlag(*defaultUser, kLoggedIn, 1);
    return true;
}

void MarkDefaultLoggedIn(ConfigTree& tree)
{
    ConfigLock lock(tree);
    if (ConfigNode* user = DefaultUser(tree))
        SetFlag(*user, kLoggedIn, 1);
}

bool HasRight(ConfigTree& tree, std::string_view name, UserRight right)
{
    ConfigLock lock(tree);
    ConfigNode* user = FindUser(tree, name);
    if (user == nullptr)
        return false;
    if (ToLowerName(name) == kAdministratorName)
        return true;
    return UserFlag(*user, RightKey(right));
}

bool IsAlphanumeric(std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (IsAsciiAlphanumeric(c))
            continue;
        if (i + 1 < text.size() && IsLatin1Letter(c, static_cast<unsigned char>(text[i + 1]))) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

std::string ToLowerName(std::string_view text)
{
    std::string lower(text);
    for (size_t i = 0; i < lower.size(); ++i) {
        auto c = static_cast<unsigned char>(lower[i]);
        if (c >= 'A' && c <= 'Z') {
            lower[i] = static_cast<char>(c + 32);
            continue;
        }
        if (c != 0xC3 || i + 1 == lower.size())
            continue;
        // U+00C0..U+00DE are the capitals of U+00E0..U+00FE, U+00D7 aside.
        auto next = static_cast<unsigned char>(lower[i + 1]);
        if (next >= 0x80 && next <= 0x9E && next != 0x97)
            lower[i + 1] = static_cast<char>(next + 0x20);
        ++i;
    }
    return lower;
}

void UpgradeUserAccounts(ConfigTree& tree, int savedVersion)
{
    if (savedVersion >= kVersionWithAdministratorSystemRight)
        return;
    ConfigLock lock(tree);
    if (ConfigNode* admin = FindUser(tree, kAdministratorName))
        SetFlag(*admin, RightKey(UserRight::EditSystem), 1);
}
