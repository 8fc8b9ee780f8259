// The account store: user accounts in Program/UserList, the logged-in and the
// default user, log-in and log-out, the five rights and the built-in
// "administrator", who can never lose a right. Each call holds the tree's lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ConfigNode;
class ConfigTree;

enum class UserRight { DelAlarm, EditUser, EditRecorder, EditSystem, ExitWardex };

inline constexpr int kUserRightCount = 5;
inline constexpr std::string_view kAdministratorName = "administrator";
// One character more than the user dialog lets anyone type, so it is
// replaced by a shorter one once changed there.
inline constexpr std::string_view kBuiltInPassword = "quorvandelisk";
// The configuration of this version and later has the system right on
// the administrator account.
inline constexpr int kVersionWithAdministratorSystemRight = 40016;

// The key of the right in a user entry ("RTDelAlarm", ...).
std::string_view RightKey(UserRight right);

// Empties the user list and adds "administrator", default user, logged in,
// with every right.
void CreateBuiltInAccount(ConfigTree& tree);

// The way back into a station whose administrator password is lost: gives
// "administrator" the built-in password and every right, adding the account
// when it is missing. Other accounts, and who is the default user, stay.
bool ResetAdministrator(ConfigTree& tree);

int UserCount(ConfigTree& tree);
bool UserExists(ConfigTree& tree, std::string_view name);
// The first entry whose Name equals name exactly, or null. Entries stay
// valid while the caller holds the tree's lock and the list is unchanged.
ConfigNode* FindUser(ConfigTree& tree, std::string_view name);
// The first entry with IsCurLoggedInUser 1, or null.
ConfigNode* CurrentUser(ConfigTree& tree);
// Empty when nobody is logged in.
std::string CurrentUserName(ConfigTree& tree);
// The first entry with IsDefUser 1, or null.
ConfigNode* DefaultUser(ConfigTree& tree);
bool IsDefaultUser(ConfigTree& tree, std::string_view name);
// Case-sensitive; false for a name that does not exist.
bool CheckPassword(ConfigTree& tree, std::string_view name, std::string_view password);
// The number of characters of the longest stored password.
int LongestPassword(ConfigTree& tree);

// Moves the logged-in mark to the named account; false when it does not exist.
bool LogIn(ConfigTree& tree, std::string_view name);
// Moves the mark from the current user back to the default user; false
// (nothing changes) when the current user is the default user.
bool LogOut(ConfigTree& tree);
// Marks the default user logged in, as every start does after loading.
void MarkDefaultLoggedIn(ConfigTree& tree);

// Refused for a name that does not exist; always granted to "administrator";
// otherwise granted when the entry's right is exactly 1.
bool HasRight(ConfigTree& tree, std::string_view name, UserRight right);

// Letters and digits only: ASCII and the Latin-1 letters in UTF-8 (the
// letters of the code page names were typed in). True for the empty text.
bool IsAlphanumeric(std::string_view text);
// Lower-cases ASCII and the Latin-1 capitals in UTF-8; other bytes stay.
std::string ToLowerName(std::string_view text);

// Adapts the accounts of a configuration saved by an older version.
void UpgradeUserAccounts(ConfigTree& tree, int savedVersion);

// A flag or right of a user entry counts only when it is exactly 1.
bool UserFlag(const ConfigNode& entry, std::string_view key);
