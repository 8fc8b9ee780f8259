// The user dialog's logic: modes and their initial state, the default rule,
// the checks of OK in their order and how each mode stores the account.
#include "users/UserEditor.h"

#include "UserTestTree.h"

#include <gtest/gtest.h>

namespace {

class UserEditorTest : public ::testing::Test {
protected:
    UserForm NewForm(std::string name, std::string password)
    {
        UserForm form;
        form.name = std::move(name);
        form.password = password;
        form.passwordRepeat = std::move(password);
        return form;
    }

    std::unique_ptr<ConfigTree> tree = MakeUserTree();
};

} // namespace

TEST_F(UserEditorTest, NewAccountIsNotOfferedAsDefaultButBecomesItWhenTicked)
{
    UserEditor editor = UserEditor::ForNewUser(*tree);
    EXPECT_EQ(editor.Mode(), UserDialogMode::New);
    EXPECT_EQ(editor.Caption(), "Neuen Benutzer anlegen");
    EXPECT_FALSE(editor.InitialForm().isDefault);
    EXPECT_TRUE(editor.DefaultEnabled());
    EXPECT_FALSE(editor.NoteVisible());

    UserForm form = editor.InitialForm();
    form.isDefault = true;
    form.name = "Pforte";
    form.SetRight(UserRight::DelAlarm, true);
    UserDialogOutcome outcome = editor.Accept(form);
    ASSERT_TRUE(outcome.stored) << outcome.message;
    ConfigNode* pforte = FindUser(*tree, "pforte");
    ASSERT_NE(pforte, nullptr);
    EXPECT_EQ(pforte->Name(), "00000001");
    EXPECT_EQ(Flag(pforte, "IsDefUser"), 1);
    EXPECT_EQ(Flag(pforte, "IsCurLoggedInUser"), 0);
    EXPECT_EQ(Flag(pforte, "RTDelAlarm"), 1);
    EXPECT_EQ(Flag(pforte, "RTExitWardex"), 0);
    EXPECT_EQ(pforte->Child("Password")->GetString(), "");
    EXPECT_EQ(Flag(FindUser(*tree, "administrator"), "IsDefUser"), 0);
}

TEST_F(UserEditorTest, ThirdAccountIsNotOfferedAsDefaultEither)
{
    AddUser(*tree, "pforte", "x");
    EXPECT_FALSE(UserEditor::ForNewUser(*tree).InitialForm().isDefault);
}

TEST_F(UserEditorTest, EditModeShowsTheStoredValues)
{
    AddUser(*tree, "pforte", "Geheim", {UserRight::EditUser});
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "pforte");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->Mode(), UserDialogMode::Edit);
    EXPECT_EQ(editor->Caption(), "Benutzer bearbeiten");
    const UserForm& form = editor->InitialForm();
    EXPECT_EQ(form.name, "pforte");
    EXPECT_EQ(form.password, "Geheim");
    EXPECT_EQ(form.passwordRepeat, "Geheim");
    EXPECT_TRUE(form.Right(UserRight::EditUser));
    EXPECT_FALSE(form.Right(UserRight::DelAlarm));
    EXPECT_FALSE(form.isDefault);
    EXPECT_TRUE(editor->NameEnabled());
    EXPECT_TRUE(editor->DefaultEnabled());
    EXPECT_FALSE(UserEditor::ForExistingUser(*tree, "nobody"));
}

TEST_F(UserEditorTest, AdministratorModeLocksNameAndRightsAndShowsThemAllTicked)
{
    ConfigNode* admin = FindUser(*tree, "administrator");
    admin->Child("RTDelAlarm")->SetInt(0);
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "administrator");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->Mode(), UserDialogMode::Administrator);
    EXPECT_FALSE(editor->NameEnabled());
    EXPECT_FALSE(editor->RightsEnabled());
    EXPECT_TRUE(editor->InitialForm().Right(UserRight::DelAlarm));
    // The administrator is the default user here: the default rule applies.
    EXPECT_FALSE(editor->DefaultEnabled());
    EXPECT_TRUE(editor->NoteVisible());

    UserForm form = editor->InitialForm();
    form.password = form.passwordRepeat = "Neu12";
    form.SetRight(UserRight::EditUser, false);
    ASSERT_TRUE(editor->Accept(form).stored);
    EXPECT_EQ(admin->Child("Password")->GetString(), "Neu12");
    // Rights are not written in this mode.
    EXPECT_EQ(Flag(admin, "RTDelAlarm"), 0);
    EXPECT_EQ(Flag(admin, "RTEditUser"), 1);
    EXPECT_EQ(Flag(admin, "IsDefUser"), 1);
}

TEST_F(UserEditorTest, EditingTheDefaultUserKeepsItDefault)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "pforte");
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->DefaultEnabled());
    EXPECT_FALSE(editor->NoteVisible());
    UserForm form = editor->InitialForm();
    form.isDefault = true;
    ASSERT_TRUE(editor->Accept(form).stored);
    EXPECT_EQ(Flag(pforte, "IsDefUser"), 1);
    EXPECT_EQ(Flag(FindUser(*tree, "administrator"), "IsDefUser"), 0);

    std::optional<UserEditor> again = UserEditor::ForExistingUser(*tree, "pforte");
    EXPECT_FALSE(again->DefaultEnabled());
    EXPECT_TRUE(again->NoteVisible());
    form = again->InitialForm();
    form.isDefault = false; // a locked box cannot be cleared
    ASSERT_TRUE(again->Accept(form).stored);
    EXPECT_EQ(Flag(pforte, "IsDefUser"), 1);
}

TEST_F(UserEditorTest, NameWithABlankIsRefusedAndStripped)
{
    UserEditor editor = UserEditor::ForNewUser(*tree);
    UserForm form = NewForm(" Hans Peter ", "");
    UserDialogOutcome outcome = editor.Accept(form);
    EXPECT_FALSE(outcome.stored);
    EXPECT_EQ(outcome.message, "Bitte nur alphanumerische Zeichen fuer den Namen eingeben");
    EXPECT_EQ(outcome.focus, UserDialogField::Name);
    EXPECT_EQ(form.name, "hans peter");
    EXPECT_EQ(UserCount(*tree), 1);

    form = NewForm(" hans ", "");
    EXPECT_FALSE(editor.Accept(form).stored);
    EXPECT_EQ(form.name, "hans");
    EXPECT_TRUE(editor.Accept(form).stored);
    EXPECT_TRUE(UserExists(*tree, "hans"));
}

TEST_F(UserEditorTest, ChecksRunInTheirOrder)
{
    UserEditor editor = UserEditor::ForNewUser(*tree);
    UserForm form = NewForm("a b", "p w");
    EXPECT_EQ(editor.Accept(form).focus, UserDialogField::Name);

    form = NewForm("hans", "p w");
    form.passwordRepeat = "other";
    UserDialogOutcome outcome = editor.Accept(form);
    EXPECT_EQ(outcome.message, "Bitte nur alphanumerische Zeichen fuer das Password eingeben");
    EXPECT_EQ(outcome.focus, UserDialogField::Password);
    EXPECT_EQ(form.password, "");
    EXPECT_EQ(form.passwordRepeat, "");

    form = NewForm("", "abc");
    form.passwordRepeat = "abd";
    outcome = editor.Accept(form);
    EXPECT_EQ(outcome.message, "Bitte min. 1 Zeichen als Namen angeben");
    EXPECT_EQ(outcome.focus, UserDialogField::Name);

    form = NewForm("Administrator", "abc");
    form.passwordRepeat = "abd";
    outcome = editor.Accept(form);
    EXPECT_EQ(outcome.message, "Die Passwort-Wiederholung stimmt nicht mit dem Passwort ueberein");
    EXPECT_EQ(outcome.focus, UserDialogField::PasswordRepeat);

    form = NewForm("Administrator", "abc");
    outcome = editor.Accept(form);
    EXPECT_EQ(outcome.message, "Der gewaehlte Name ist leider schon vergeben");
    EXPECT_EQ(outcome.focus, UserDialogField::Name);
    EXPECT_EQ(form.name, "");
    EXPECT_EQ(UserCount(*tree), 1);
}

TEST_F(UserEditorTest, RenamingToATakenNameRestoresTheOldName)
{
    AddUser(*tree, "pforte", "x");
    AddUser(*tree, "wache", "y");
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "pforte");
    UserForm form = editor->InitialForm();
    form.name = "Wache";
    UserDialogOutcome outcome = editor->Accept(form);
    EXPECT_FALSE(outcome.stored);
    EXPECT_EQ(outcome.message, "Der gewaehlte Name ist leider schon vergeben");
    EXPECT_EQ(form.name, "pforte");

    form.name = "Empfang";
    form.SetRight(UserRight::ExitWardex, true);
    ASSERT_TRUE(editor->Accept(form).stored);
    EXPECT_FALSE(UserExists(*tree, "pforte"));
    ConfigNode* renamed = FindUser(*tree, "empfang");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(Flag(renamed, "RTExitWardex"), 1);
    EXPECT_EQ(renamed->Child("Password")->GetString(), "x");
}

TEST_F(UserEditorTest, KeepingTheOwnNameIsNoConflict)
{
    AddUser(*tree, "pforte", "x");
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "pforte");
    UserForm form = editor->InitialForm();
    form.name = "PFORTE";
    form.password = form.passwordRepeat = "neu";
    ASSERT_TRUE(editor->Accept(form).stored);
    EXPECT_EQ(FindUser(*tree, "pforte")->Child("Password")->GetString(), "neu");
}

TEST_F(UserEditorTest, UntickingDefaultClearsOnlyThisAccount)
{
    ConfigNode* pforte = AddUser(*tree, "pforte", "x");
    std::optional<UserEditor> editor = UserEditor::ForExistingUser(*tree, "pforte");
    UserForm form = editor->InitialForm();
    form.isDefault = false;
    ASSERT_TRUE(editor->Accept(form).stored);
    EXPECT_EQ(Flag(pforte, "IsDefUser"), 0);
    EXPECT_EQ(Flag(FindUser(*tree, "administrator"), "IsDefUser"), 1);
}
