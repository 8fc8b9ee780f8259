// The user page: cells of the account list, button states and deleting an
// account with its refusals.
#include "users/UserListPage.h"

#include "UserTestTree.h"

#include <gtest/gtest.h>

namespace {

class UserListPageTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeUserTree();
    FakePrompt prompt;
    UserListPage page{*tree, prompt};
};

} // namespace

TEST_F(UserListPageTest, ColumnsHaveTheirHeadersAndWidths)
{
    const auto& columns = UserListPage::Columns();
    EXPECT_EQ(columns[0].header, "");
    EXPECT_EQ(columns[0].width, 40);
    EXPECT_EQ(columns[2].header, "Passwort");
    EXPECT_EQ(columns[5].header, "Rekorder bearbeiten");
    EXPECT_EQ(columns[5].width, 130);
    EXPECT_EQ(columns[7].header, "Wardex beenden");
    EXPECT_EQ(columns[7].width, 105);
}

TEST_F(UserListPageTest, CellsShowMarksRightsAndNeverThePassword)
{
    AddUser(*tree, "pforte", "geheim", {UserRight::EditRecorder});
    ASSERT_EQ(page.RowCount(), 2);
    EXPECT_EQ(page.Cell(0, 0), "[D] [L]");
    EXPECT_EQ(page.Cell(0, 1), "administrator");
    EXPECT_EQ(page.Cell(0, 2), "********");
    EXPECT_EQ(page.Cell(0, 3), "Ja");
    EXPECT_EQ(page.Cell(1, 0), "");
    EXPECT_EQ(page.Cell(1, 2), "********");
    EXPECT_EQ(page.Cell(1, 3), "");
    EXPECT_EQ(page.Cell(1, 5), "Ja");
    EXPECT_EQ(page.Cell(1, 7), "");
    EXPECT_EQ(page.Cell(2, 1), "");
    EXPECT_EQ(page.Cell(-1, 1), "");

    LogIn(*tree, "pforte");
    EXPECT_EQ(page.Cell(0, 0), "[D] ");
    EXPECT_EQ(page.Cell(1, 0), "[L]");
}

TEST_F(UserListPageTest, AdministratorCannotBeDeleted)
{
    AddUser(*tree, "pforte", "x");
    EXPECT_FALSE(page.ButtonStates(-1).deleteEnabled);
    EXPECT_FALSE(page.ButtonStates(-1).editEnabled);
    EXPECT_TRUE(page.ButtonStates(-1).newEnabled);
    EXPECT_FALSE(page.ButtonStates(0).deleteEnabled);
    EXPECT_TRUE(page.ButtonStates(0).editEnabled);
    EXPECT_TRUE(page.ButtonStates(1).deleteEnabled);

    FindUser(*tree, "administrator")->Child("IsDefUser")->SetInt(0);
    FindUser(*tree, "administrator")->Child("IsCurLoggedInUser")->SetInt(0);
    EXPECT_FALSE(page.DeleteUser(0));
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(page.RowCount(), 2);
}

TEST_F(UserListPageTest, DefaultAndCurrentUserCannotBeDeleted)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    pforte->Child("IsDefUser")->SetInt(1);
    EXPECT_FALSE(page.DeleteUser(1));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "Dieser Benutzer ist der momentane Defaultbenutzer und kann\ndaher nicht geloescht "
              "werden.\n\nBestimmen Sie zuerst einen anderen Benutzer als \nDefaultbenutzer und "
              "loeschen Sie dann diesen Benutzer!");

    pforte->Child("IsDefUser")->SetInt(0);
    LogIn(*tree, "pforte");
    EXPECT_FALSE(page.DeleteUser(1));
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1].text,
              "Dieser Benutzer ist der momentane eingelogte-Benutzer und kann\ndaher nicht "
              "geloescht werden.\n\nUm diesen Benutzer zu loeschen, muessen Sie sich als ein "
              "anderer\nBenutzer einloggen!\n");
    EXPECT_EQ(page.RowCount(), 2);
}

TEST_F(UserListPageTest, DeletingAsksFirst)
{
    AddUser(*tree, "pforte", "x");
    prompt.SetNextAnswer(PromptAnswer::No);
    EXPECT_FALSE(page.DeleteUser(1));
    EXPECT_EQ(page.RowCount(), 2);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Moechten Sie diesen Benutzer wirklich loeschen?");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);

    EXPECT_TRUE(page.DeleteUser(1));
    EXPECT_EQ(page.RowCount(), 1);
    EXPECT_FALSE(UserExists(*tree, "pforte"));
}
