// The account store: the built-in account, lookups, log-in and log-out, the
// right check with its administrator rule, the name rules and the upgrade.
#include "users/UserAccounts.h"

#include "UserTestTree.h"

#include <gtest/gtest.h>

namespace {

class UserAccountsTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeUserTree();
};

} // namespace

TEST_F(UserAccountsTest, BuiltInAccountIsDefaultLoggedInAndHasEveryRight)
{
    AddUser(*tree, "pforte", "x");
    CreateBuiltInAccount(*tree);
    ASSERT_EQ(UserCount(*tree), 1);
    ConfigNode* admin = FindUser(*tree, "administrator");
    ASSERT_NE(admin, nullptr);
    EXPECT_EQ(admin->Name(), "00000000");
    EXPECT_EQ(Flag(admin, "IsCurLoggedInUser"), 1);
    EXPECT_EQ(Flag(admin, "IsDefUser"), 1);
    EXPECT_EQ(admin->Child("Password")->GetString(), "quorvandelisk");
    EXPECT_EQ(admin->Child("Password")->GetString().size(), 13u);
    for (std::string_view key :
         {"RTDelAlarm", "RTEditRecorder", "RTEditSystem", "RTEditUser", "RTExitWardex"})
        EXPECT_EQ(Flag(admin, key), 1) << key;
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
    EXPECT_EQ(DefaultUser(*tree), admin);
}

TEST_F(UserAccountsTest, LookupsCompareNamesExactly)
{
    AddUser(*tree, "pforte", "Geheim1");
    EXPECT_TRUE(UserExists(*tree, "pforte"));
    EXPECT_FALSE(UserExists(*tree, "Pforte"));
    EXPECT_EQ(FindUser(*tree, "PFORTE"), nullptr);
    EXPECT_TRUE(CheckPassword(*tree, "pforte", "Geheim1"));
    EXPECT_FALSE(CheckPassword(*tree, "pforte", "geheim1"));
    EXPECT_FALSE(CheckPassword(*tree, "nobody", ""));
    EXPECT_FALSE(IsDefaultUser(*tree, "nobody"));
    EXPECT_FALSE(IsDefaultUser(*tree, "pforte"));
    EXPECT_TRUE(IsDefaultUser(*tree, "administrator"));
}

TEST_F(UserAccountsTest, LogInMovesTheMarkAndLogOutReturnsItToTheDefaultUser)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    ConfigNode* admin = FindUser(*tree, "administrator");
    EXPECT_FALSE(LogIn(*tree, "nobody"));
    EXPECT_EQ(CurrentUserName(*tree), "administrator");

    EXPECT_TRUE(LogIn(*tree, "pforte"));
    EXPECT_EQ(Flag(admin, "IsCurLoggedInUser"), 0);
    EXPECT_EQ(Flag(pforte, "IsCurLoggedInUser"), 1);
    EXPECT_EQ(CurrentUserName(*tree), "pforte");

    EXPECT_TRUE(LogOut(*tree));
    EXPECT_EQ(Flag(pforte, "IsCurLoggedInUser"), 0);
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
    EXPECT_FALSE(LogOut(*tree));
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
}

TEST_F(UserAccountsTest, FlagsCountOnlyWhenExactlyOne)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    ConfigNode* admin = FindUser(*tree, "administrator");
    admin->Child("IsCurLoggedInUser")->SetInt(0);
    pforte->Child("IsCurLoggedInUser")->SetInt(2);
    EXPECT_EQ(CurrentUser(*tree), nullptr);
    EXPECT_EQ(CurrentUserName(*tree), "");
    pforte->Child("RTDelAlarm")->SetInt(-1);
    EXPECT_FALSE(HasRight(*tree, "pforte", UserRight::DelAlarm));
}

TEST_F(UserAccountsTest, MarkDefaultLoggedInTouchesOnlyTheDefaultUser)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    ConfigNode* admin = FindUser(*tree, "administrator");
    admin->Child("IsCurLoggedInUser")->SetInt(0);
    pforte->Child("IsCurLoggedInUser")->SetInt(1);
    MarkDefaultLoggedIn(*tree);
    EXPECT_EQ(Flag(admin, "IsCurLoggedInUser"), 1);
    EXPECT_EQ(Flag(pforte, "IsCurLoggedInUser"), 1);
}

TEST_F(UserAccountsTest, AdministratorKeepsEveryRightWhateverItsFlagsSay)
{
    ConfigNode* admin = FindUser(*tree, "administrator");
    for (std::string_view key :
         {"RTDelAlarm", "RTEditRecorder", "RTEditSystem", "RTEditUser", "RTExitWardex"})
        admin->Child(key)->SetInt(0);
    for (UserRight right : {UserRight::DelAlarm, UserRight::EditUser, UserRight::EditRecorder,
                            UserRight::EditSystem, UserRight::ExitWardex})
        EXPECT_TRUE(HasRight(*tree, "administrator", right));
    // The name must still exist exactly: the lower-cased comparison only
    // comes after the lookup.
    EXPECT_FALSE(HasRight(*tree, "Administrator", UserRight::ExitWardex));
}

TEST_F(UserAccountsTest, OtherUsersHaveExactlyTheirStoredRights)
{
    AddUser(*tree, "pforte", "x", {UserRight::DelAlarm, UserRight::EditSystem});
    EXPECT_TRUE(HasRight(*tree, "pforte", UserRight::DelAlarm));
    EXPECT_TRUE(HasRight(*tree, "pforte", UserRight::EditSystem));
    EXPECT_FALSE(HasRight(*tree, "pforte", UserRight::EditUser));
    EXPECT_FALSE(HasRight(*tree, "pforte", UserRight::EditRecorder));
    EXPECT_FALSE(HasRight(*tree, "pforte", UserRight::ExitWardex));
    EXPECT_FALSE(HasRight(*tree, "nobody", UserRight::DelAlarm));
    EXPECT_FALSE(HasRight(*tree, "", UserRight::DelAlarm));
}

TEST_F(UserAccountsTest, AlphanumericAcceptsLettersAndDigitsOnly)
{
    EXPECT_TRUE(IsAlphanumeric(""));
    EXPECT_TRUE(IsAlphanumeric("Pforte2"));
    EXPECT_TRUE(IsAlphanumeric("M\xC3\xBCller"));    // Müller
    EXPECT_TRUE(IsAlphanumeric("\xC3\x9F\xC3\x89")); // ßÉ
    EXPECT_FALSE(IsAlphanumeric("hans peter"));
    EXPECT_FALSE(IsAlphanumeric("a-b"));
    EXPECT_FALSE(IsAlphanumeric("a\xC3\x97"
                                "b"));            // ×
    EXPECT_FALSE(IsAlphanumeric("\xE2\x82\xAC")); // €
    EXPECT_FALSE(IsAlphanumeric("\xC3"));         // a cut sequence
    EXPECT_FALSE(IsAlphanumeric(std::string_view("a\0b", 3)));
}

TEST_F(UserAccountsTest, NamesAreLowerCasedIncludingUmlauts)
{
    EXPECT_EQ(ToLowerName("Administrator"), "administrator");
    EXPECT_EQ(ToLowerName("M\xC3\x9CLLER"), "m\xC3\xBCller");
    EXPECT_EQ(ToLowerName("\xC3\x97"), "\xC3\x97");
    EXPECT_EQ(ToLowerName("abc123"), "abc123");
}

TEST_F(UserAccountsTest, UpgradeGivesTheAdministratorTheSystemRightBelow40016)
{
    ConfigNode* admin = FindUser(*tree, "administrator");
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    admin->Child("RTEditSystem")->SetInt(0);
    UpgradeUserAccounts(*tree, 40016);
    EXPECT_EQ(Flag(admin, "RTEditSystem"), 0);
    UpgradeUserAccounts(*tree, 40015);
    EXPECT_EQ(Flag(admin, "RTEditSystem"), 1);
    EXPECT_EQ(Flag(pforte, "RTEditSystem"), 0);
}
