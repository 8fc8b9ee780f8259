// Closing the configuration sheet with OK on a station running in this
// process: the whole tree reaches its image file and the mail configuration
// is checked again.
#include "RecorderTestTree.h"
#include "StationFakes.h"
#include "station/MainWindowLogic.h"
#include "testsupport/FakeBeeper.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <gtest/gtest.h>

namespace {

class NoDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&, int) override { return false; }
    bool RunLogOut(std::string_view) override { return true; }
};

} // namespace

TEST(ConfigurationAccepted, SavesTheTreeAndChecksTheMailConfiguration)
{
    TempDir dir;
    std::filesystem::path previousFolder = std::filesystem::current_path();
    FakeDesktop desktop;
    NoDialogs dialogs;
    FakeBeeper beeper;
    FakeMainView view;
    ConfigTree tree;
    size_t shownBefore = 0;
    std::unique_ptr<ConfigTree> saved = MakeRecorderTree();
    bool loaded = false;
    desktop.onRound = [&](Station& s) {
        UserSession users(s.Tree(), dialogs, desktop.prompt, beeper);
        MainWindowLogic logic(s, view, users);
        ConfigNode* recorder = AddRecorder(s.Tree(), "Tor", "10.0.0.1");
        FirstOfType(*recorder, 10000)->Child("mailDoSendMail")->SetInt(1);
        shownBefore = desktop.prompt.shown.size();
        logic.ConfigurationAccepted();
        // Before the shutdown writes the image anyway.
        loaded = saved->LoadImage(s.FileInFolder("programdata.bin").string());
        s.RequestQuit();
    };
    Station station(CommandLine("/datadir:" + dir.Path().string() + " /port:0"), desktop, tree);
    ASSERT_EQ(station.Run(), StationExit::Normal);
    std::filesystem::current_path(previousFolder);

    ASSERT_EQ(desktop.prompt.shown.size(), shownBefore + 1);
    EXPECT_EQ(desktop.prompt.shown.back().text,
              "E-Mail Benachrichtigung nicht moeglich, bitte konfigurieren Sie den SMTP Server!");
    ASSERT_TRUE(loaded);
    ASSERT_EQ(Recorders(*saved)->ChildCount(), 1);
    EXPECT_EQ(Recorders(*saved)->ChildAt(0)->Child("Name")->GetString(), "Tor");
}
