// Upgrading configurations saved by older versions, and the first start's
// language choice.
#include "station/ConfigurationUpgrade.h"

#include "config/DefaultScript.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

namespace {

class ConfigurationUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakePrompt prompt;
        ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        program = tree.TopFolder("Program");
        ConfigNode* admin = program->Child("UserList")->NewEntry(0);
        admin->Child("Name")->SetString("administrator");
        ConfigNode* other = program->Child("UserList")->NewEntry(0);
        other->Child("Name")->SetString("pforte");
    }

    // A recorder with one settings entry per priority given.
    ConfigNode* AddRecorder(std::initializer_list<int> priorities)
    {
        ConfigNode* recorder = program->Child("RecorderList")->NewEntry(0);
        for (int priority : priorities)
            recorder->Child("AlarmSettings")->NewEntry(0)->Child("Priority")->SetInt(priority);
        return recorder;
    }

    int Priority(ConfigNode* recorder, int entry)
    {
        return recorder->Child("AlarmSettings")->ChildAt(entry)->Child("Priority")->GetInt();
    }

    ConfigTree tree;
    ConfigNode* program = nullptr;
};

} // namespace

TEST_F(ConfigurationUpgradeTest, OldPrioritiesAreReversedOnce)
{
    ConfigNode* recorder = AddRecorder({0, 2, 5});
    program->Child("iVersion")->SetInt(31000);
    EXPECT_TRUE(UpgradeConfiguration(tree, 41000));
    EXPECT_EQ(Priority(recorder, 0), 5);
    EXPECT_EQ(Priority(recorder, 1), 3);
    EXPECT_EQ(Priority(recorder, 2), 0);
    EXPECT_EQ(program->Child("iVersion")->GetInt(), 41000);

    EXPECT_FALSE(UpgradeConfiguration(tree, 41000));
    EXPECT_EQ(Priority(recorder, 0), 5);
}

TEST_F(ConfigurationUpgradeTest, RecentPrioritiesStay)
{
    ConfigNode* recorder = AddRecorder({0, 2});
    program->Child("iVersion")->SetInt(40100);
    EXPECT_TRUE(UpgradeConfiguration(tree, 41000));
    EXPECT_EQ(Priority(recorder, 0), 0);
    EXPECT_EQ(Priority(recorder, 1), 2);
}

TEST_F(ConfigurationUpgradeTest, AdministratorGetsTheSystemRightBelow40016)
{
    ConfigNode* users = program->Child("UserList");
    program->Child("iVersion")->SetInt(40015);
    UpgradeConfiguration(tree, 41000);
    EXPECT_EQ(users->FindEntryByString("Name", "administrator")->Child("RTEditSystem")->GetInt(),
              1);
    EXPECT_EQ(users->FindEntryByString("Name", "pforte")->Child("RTEditSystem")->GetInt(), 0);

    ConfigTree later;
    FakePrompt prompt;
    ASSERT_TRUE(later.LoadDefaults(DefaultScript(), prompt));
    ConfigNode* admin = later.TopFolder("Program")->Child("UserList")->NewEntry(0);
    admin->Child("Name")->SetString("administrator");
    later.TopFolder("Program")->Child("iVersion")->SetInt(40016);
    UpgradeConfiguration(later, 41000);
    EXPECT_EQ(admin->Child("RTEditSystem")->GetInt(), 0);
}

TEST_F(ConfigurationUpgradeTest, EntriesNotShownAfterConfirmationGetTheAutomaticLiveView)
{
    ConfigNode* first = AddRecorder({1, 1});
    ConfigNode* second = AddRecorder({1});
    first->Child("AlarmSettings")->ChildAt(1)->Child("ShwAfterConfirm")->SetInt(1);
    program->Child("iVersion")->SetInt(40500);
    UpgradeConfiguration(tree, 41000);
    EXPECT_EQ(first->Child("AlarmSettings")->ChildAt(0)->Child("DoAuto")->GetInt(), 1);
    EXPECT_EQ(first->Child("AlarmSettings")->ChildAt(1)->Child("DoAuto")->GetInt(), 0);
    EXPECT_EQ(second->Child("AlarmSettings")->ChildAt(0)->Child("DoAuto")->GetInt(), 1);
}

TEST_F(ConfigurationUpgradeTest, WalkStopsAtTheFirstEntryWithoutTheKey)
{
    ConfigNode* first = AddRecorder({1, 1});
    ConfigNode* second = AddRecorder({1});
    ConfigNode* settings = first->Child("AlarmSettings");
    settings->ChildAt(1)->RemoveChild(settings->ChildAt(1)->Child("ShwAfterConfirm"));
    program->Child("iVersion")->SetInt(40500);
    UpgradeConfiguration(tree, 41000);
    EXPECT_EQ(settings->ChildAt(0)->Child("DoAuto")->GetInt(), 1);
    EXPECT_EQ(second->Child("AlarmSettings")->ChildAt(0)->Child("DoAuto")->GetInt(), 0);
}

TEST_F(ConfigurationUpgradeTest, UnknownVersionChangesNothing)
{
    ConfigNode* recorder = AddRecorder({2});
    EXPECT_FALSE(UpgradeConfiguration(tree, 0));
    EXPECT_EQ(Priority(recorder, 0), 2);
    EXPECT_EQ(program->Child("iVersion")->GetInt(), 0);
}

TEST(FirstStartLanguage, CandidateNeedsItsFile)
{
    TempDir dir;
    EXPECT_EQ(LanguageForPrimaryId(12), "French");
    EXPECT_EQ(LanguageForPrimaryId(0x040C), "French"); // sublanguage bits ignored
    EXPECT_EQ(LanguageForPrimaryId(7), std::nullopt);  // German has no candidate
    EXPECT_EQ(LanguageForPrimaryId(21), "Polish");
    EXPECT_EQ(ChooseFirstStartLanguage("French", dir.Path()), "German");
    WriteFileBytes(dir.Path() / "French.txt", "\"Fehler!\" \"Erreur!\"\n");
    EXPECT_EQ(ChooseFirstStartLanguage("French", dir.Path()), "French");
    EXPECT_EQ(ChooseFirstStartLanguage(std::nullopt, dir.Path()), "German");
}

TEST(LanguageFile, OnlyPlainNamesLeaveGermanAndNothingLeavesTheFolder)
{
    const std::filesystem::path dir = "/opt/wardex/Languages";
    struct Case {
        std::string language;
        std::string file;
    } cases[] = {{"French", "French.txt"},
                 {"Fran ç", "Fran ç.txt"},
                 {"../../etc/x", "German.txt"},
                 {"/etc/x", "German.txt"},
                 {"..", "German.txt"},
                 {".hidden", "German.txt"},
                 {"", "German.txt"},
                 {std::string("En\0x", 4), "German.txt"},
                 {"En\nglish", "German.txt"}};
    for (const Case& c : cases)
        EXPECT_EQ(LanguageFile(dir, c.language), dir / c.file) << c.language;
}
