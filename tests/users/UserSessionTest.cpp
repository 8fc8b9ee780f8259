// The log-in button, the exit request, the right to delete alarms, the pages
// of the configuration sheet and the status bar's user text.
#include "users/UserSession.h"

#include "UserTestTree.h"
#include "testsupport/FakeBeeper.h"

#include <deque>
#include <utility>

#include <gtest/gtest.h>

namespace {

// Types the scripted name and password pairs one after another, then
// presses Abbrechen; answers the log-out dialog as told.
class FakeAccountDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt& attempt, int maxPasswordChars) override
    {
        ++logInShown;
        passwordLimit = maxPasswordChars;
        while (!typed.empty()) {
            auto [name, password] = typed.front();
            typed.pop_front();
            if (attempt(name, password))
                return true;
        }
        return false;
    }
    bool RunLogOut(std::string_view text) override
    {
        logOutTexts.emplace_back(text);
        return logOutAnswer;
    }

    std::deque<std::pair<std::string, std::string>> typed;
    int logInShown = 0;
    int passwordLimit = 0;
    std::vector<std::string> logOutTexts;
    bool logOutAnswer = true;
};

class UserSessionTest : public ::testing::Test {
protected:
    std::unique_ptr<ConfigTree> tree = MakeUserTree();
    FakeAccountDialogs dialogs;
    FakePrompt prompt;
    FakeBeeper beeper;
    UserSession session{*tree, dialogs, prompt, beeper};
};

} // namespace

TEST_F(UserSessionTest, SingleAccountOnlyReportsThatTheDefaultUserIsLoggedIn)
{
    session.LogInOrOut();
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Sie, der Defaultbenutzer, sind bereits angemeldet!");
    EXPECT_EQ(dialogs.logInShown, 0);
    EXPECT_TRUE(dialogs.logOutTexts.empty());
}

TEST_F(UserSessionTest, LogInLowerCasesTheNameAndComparesThePasswordExactly)
{
    AddUser(*tree, "pforte", "x");
    dialogs.typed = {{"Administrator", "QUORVANDELISK"}, {"Administrator", "quorvandelisk"}};
    FindUser(*tree, "administrator")->Child("IsDefUser")->SetInt(0);
    FindUser(*tree, "pforte")->Child("IsDefUser")->SetInt(1);
    LogIn(*tree, "pforte");

    // Logged in as the default user "pforte": the log-in dialog opens.
    session.LogInOrOut();
    EXPECT_EQ(dialogs.logInShown, 1);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Wardex konnte Sie nicht anmelden!");
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
}

TEST_F(UserSessionTest, ThePasswordFieldTakesTheLongestStoredPasswordAndAtLeastTwelve)
{
    AddUser(*tree, "pforte", "x");
    // The built-in password, then one typed in the user dialog.
    for (auto [password, limit] : {std::pair{"quorvandelisk", 13}, std::pair{"abc", 12}}) {
        FindUser(*tree, "administrator")->Child("Password")->SetString(password);
        session.LogInOrOut();
        EXPECT_EQ(dialogs.passwordLimit, limit) << password;
    }
}

TEST_F(UserSessionTest, FailedLogInKeepsTheCurrentUser)
{
    AddUser(*tree, "pforte", "x");
    dialogs.typed = {{"nobody", ""}, {"pforte", "X"}};
    session.LogInOrOut();
    EXPECT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
}

TEST_F(UserSessionTest, DefaultUserLogsInAsAnotherAccount)
{
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    LogOut(*tree);
    dialogs.typed = {{"pforte", "x"}};
    session.LogInOrOut();
    EXPECT_EQ(CurrentUserName(*tree), "pforte");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UserSessionTest, LoggedInOperatorGetsTheLogOutDialog)
{
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    dialogs.logOutAnswer = false;
    session.LogInOrOut();
    ASSERT_EQ(dialogs.logOutTexts.size(), 1u);
    EXPECT_EQ(dialogs.logOutTexts[0], "pforte von Wardex abmelden?");
    EXPECT_EQ(CurrentUserName(*tree), "pforte");

    dialogs.logOutAnswer = true;
    session.LogInOrOut();
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
    EXPECT_EQ(dialogs.logInShown, 0);
}

TEST_F(UserSessionTest, ExitDuringAModalOperationOnlyBeeps)
{
    EXPECT_EQ(session.ConfirmExit(1), ExitAnswer::Stay);
    EXPECT_EQ(beeper.beeps, std::vector<SystemBeep>{SystemBeep::Information});
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(UserSessionTest, ExitWithoutTheRightIsRefused)
{
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    EXPECT_EQ(session.ConfirmExit(0), ExitAnswer::Stay);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "Sie haben nicht die noetigen Rechte, um Wardex zu beenden!\n\nMelden Sie sich dazu "
              "unter einem anderen Namen an, der diese Rechte\nbesitzt, oder wenden Sie sich an "
              "den Administrator von Wardex!");
    EXPECT_TRUE(dialogs.logOutTexts.empty());
    EXPECT_EQ(CurrentUserName(*tree), "pforte");
}

TEST_F(UserSessionTest, OperatorEndsTheProgramOnlyThroughLogOut)
{
    AddUser(*tree, "pforte", "x", {UserRight::ExitWardex});
    LogIn(*tree, "pforte");
    dialogs.logOutAnswer = false;
    EXPECT_EQ(session.ConfirmExit(0), ExitAnswer::Stay);
    EXPECT_EQ(CurrentUserName(*tree), "pforte");

    dialogs.logOutAnswer = true;
    EXPECT_EQ(session.ConfirmExit(0), ExitAnswer::Exit);
    EXPECT_EQ(dialogs.logOutTexts.back(), "pforte abmelden und Wardex beenden?");
    EXPECT_EQ(CurrentUserName(*tree), "administrator");
}

TEST_F(UserSessionTest, DefaultUserWithTheRightExitsAtOnce)
{
    EXPECT_EQ(session.ConfirmExit(0), ExitAnswer::Exit);
    EXPECT_TRUE(dialogs.logOutTexts.empty());
}

TEST_F(UserSessionTest, ExitWhileAlarmsAwaitConfirmationAsksFirst)
{
    prompt.SetNextAnswer(PromptAnswer::No);
    EXPECT_EQ(session.ConfirmExit(0, 7), ExitAnswer::Stay);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Es gibt 7 unquittierte Alarme.\nWardex trotzdem beenden?");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::YesNo);
    prompt.SetNextAnswer(PromptAnswer::Yes);
    EXPECT_EQ(session.ConfirmExit(0, 7), ExitAnswer::Exit);
    // Without the right nobody is asked.
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    EXPECT_EQ(session.ConfirmExit(0, 7), ExitAnswer::Stay);
    EXPECT_EQ(prompt.shown.size(), 3u);
    EXPECT_EQ(prompt.shown[2].icon, PromptIcon::Warning);
}

TEST_F(UserSessionTest, ForwardingModeNeedsTheSystemRight)
{
    EXPECT_TRUE(session.MayForward());
    AddUser(*tree, "pforte", "x", {UserRight::ExitWardex, UserRight::EditRecorder});
    LogIn(*tree, "pforte");
    EXPECT_FALSE(session.MayForward());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.shown[0].text.find("Weiterleitungs Modus"), std::string::npos);
    AddUser(*tree, "technik", "x", {UserRight::EditSystem});
    LogIn(*tree, "technik");
    EXPECT_TRUE(session.MayForward());
}

TEST_F(UserSessionTest, DeletingAlarmsNeedsTheRight)
{
    EXPECT_TRUE(session.MayDeleteAlarms());
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    EXPECT_FALSE(session.MayDeleteAlarms());
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text,
              "Sie haben nicht die noetigen Rechte, um Alarme zu loeschen!\n\nMelden Sie sich "
              "dazu unter einem anderen Namen an, der dieses Recht\nbesitzt, oder wenden Sie sich "
              "an den Administrator von Wardex!");
}

TEST_F(UserSessionTest, SheetPagesFollowTheRights)
{
    EXPECT_EQ(
        session.SheetPages(),
        (std::vector<SheetPage>{SheetPage::Recorder, SheetPage::User, SheetPage::Language,
                                SheetPage::Diagram, SheetPage::System, SheetPage::Escalation}));
    AddUser(*tree, "pforte", "x", {UserRight::EditSystem});
    LogIn(*tree, "pforte");
    EXPECT_EQ(session.SheetPages(),
              (std::vector<SheetPage>{SheetPage::Language, SheetPage::Diagram, SheetPage::System,
                                      SheetPage::Escalation}));
}

TEST_F(UserSessionTest, StatusTextMarksTheDefaultUser)
{
    EXPECT_EQ(session.StatusText(), "administrator (Defaultbenutzer)");
    AddUser(*tree, "pforte", "x");
    LogIn(*tree, "pforte");
    EXPECT_EQ(session.StatusText(), "pforte");
}
