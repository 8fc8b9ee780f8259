// The real station program, started in a temporary program folder on a free
// port without a desktop: first start, telegrams stored as records, the
// single instance, the next start's language, old priorities, restarts and
// the count cache at an orderly end.
#include "StationProcess.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Loads the tree a station saved, lets `edit` change it, and saves it back.
void EditSavedTree(const std::filesystem::path& folder,
                   const std::function<void(ConfigTree&)>& edit)
{
    FakePrompt prompt;
    ConfigTree tree;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    ASSERT_TRUE(tree.LoadImage((folder / "programdata.bin").string()));
    edit(tree);
    ASSERT_EQ(tree.SaveImage((folder / "programdata.bin").string()), 0);
}

std::unique_ptr<ConfigTree> LoadSavedTree(const std::filesystem::path& folder)
{
    FakePrompt prompt;
    auto tree = std::make_unique<ConfigTree>();
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), prompt));
    EXPECT_TRUE(tree->LoadImage((folder / "programdata.bin").string()));
    return tree;
}

size_t RecordsOnDisk(const std::filesystem::path& folder)
{
    return std::filesystem::file_size(folder / "AlarmDB.txt") / AlarmRecord::kRecordBytes;
}

class StationBinaryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages",
                              dir.Path() / "Languages");
    }

    // Starts, waits until it listens, runs `during`, stops in order.
    void RunStation(const std::function<void(int port)>& during = {})
    {
        StationProcess station(dir.Path());
        ASSERT_TRUE(station.Start());
        int port = station.WaitForPort();
        ASSERT_GT(port, 0);
        if (during)
            during(port);
        EXPECT_EQ(station.Stop(), 0);
    }

    TempDir dir;
};

} // namespace

TEST_F(StationBinaryTest, FirstStartCreatesTheConfigurationWithTheBuiltInAccount)
{
    RunStation();
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "AlarmDB.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    ConfigNode* users = tree->TopFolder("Program")->Child("UserList");
    ASSERT_EQ(users->ChildCount(), 1);
    EXPECT_EQ(users->ChildAt(0)->Child("Name")->GetString(), "administrator");
    EXPECT_EQ(users->ChildAt(0)->Child("Password")->GetString(), "quorvandelisk");
}

TEST_F(StationBinaryTest, TelegramsOfAKnownRecorderBecomeRecordsThatSurviveARestart)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("IP")->SetString("127.0.0.1");
        recorder->Child("Name")->SetString("Lager");
    });
    RunStation([this](int port) {
        TelegramFields fields;
        fields.typeCode = 10001;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
        for (int i = 0; i < 600 && RecordsOnDisk(dir.Path()) < 3; ++i)
            std::this_thread::sleep_for(50ms);
    });
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);

    // A telegram of an unknown recorder is not stored.
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")->Child("RecorderList")->RemoveAllChildren();
    });
    RunStation([](int port) {
        TelegramFields fields;
        fields.typeCode = 10001;
        ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    });
    EXPECT_EQ(RecordsOnDisk(dir.Path()), 3u);
    EXPECT_EQ(LoadSavedTree(dir.Path())->TopFolder("Program")->Child("RecorderList")->ChildCount(),
              0);
}

TEST_F(StationBinaryTest, SecondStartInTheSameFolderEndsSilentlyWhileTheFirstRuns)
{
    StationProcess first(dir.Path());
    ASSERT_TRUE(first.Start());
    ASSERT_GT(first.WaitForPort(), 0);
    StationProcess second(dir.Path());
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.WaitForPort(), -1);
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(first.Stop(), 0);
}

TEST_F(StationBinaryTest, LanguageForTheNextStartTakesEffect)
{
    auto firstTitle = [this] {
        std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
        ConfigNode* defaults = tree->TopFolder("Program")->Child("DefaultAlarmSettings");
        return defaults->ChildCount() > 0 ? defaults->ChildAt(0)->Child("Message")->GetString()
                                          : std::string();
    };
    RunStation();
    std::string german = firstTitle();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")
            ->Child("Configuration")
            ->Child("MISC")
            ->Child("LanguageForNextStartUp")
            ->SetString("English");
    });
    RunStation();
    std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
    EXPECT_EQ(tree->TopFolder("Program")
                  ->Child("Configuration")
                  ->Child("MISC")
                  ->Child("Language")
                  ->GetString(),
              "English");
    // The rebuilt defaults carry English texts now.
    EXPECT_FALSE(german.empty());
    EXPECT_NE(firstTitle(), german);
}

TEST_F(StationBinaryTest, OldPrioritiesAreReversedOnce)
{
    RunStation();
    EditSavedTree(dir.Path(), [](ConfigTree& tree) {
        tree.TopFolder("Program")->Child("iVersion")->SetInt(31000);
        ConfigNode* recorder = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        recorder->Child("AlarmSettings")->NewEntry(0)->Child("Priority")->SetInt(1);
    });
    auto priority = [this] {
        std::unique_ptr<ConfigTree> tree = LoadSavedTree(dir.Path());
        return tree->TopFolder("Program")
            ->Child("RecorderList")
            ->ChildAt(0)
            ->Child("AlarmSettings")
            ->ChildAt(0)
            ->Child("Priority")
            ->GetInt();
    };
    RunStation();
    EXPECT_EQ(priority(), 4);
    RunStation();
    EXPECT_EQ(priority(), 4);
}
