// The station's start and end in this process: first start, saved
// configuration, language, database failure, telegrams becoming records,
// the single instance, the stop signal.
#include "station/Station.h"

#include "StationFakes.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Profile.h"
#include "station/StationDesktop.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <csignal>
#include <functional>
#include <map>

#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class StationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFolder = std::filesystem::current_path();
        std::filesystem::create_directory(dir.Path() / "Languages");
        std::filesystem::copy_file(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages" /
                                       "English.txt",
                                   dir.Path() / "Languages" / "English.txt");
        std::filesystem::copy_file(std::filesystem::path(WARDEX_SOURCE_DIR) / "Languages" /
                                       "German.txt",
                                   dir.Path() / "Languages" / "German.txt");
    }
    void TearDown() override
    {
        std::filesystem::current_path(previousFolder);
        Translator::Global().Clear();
    }

    CommandLine Options(std::string extra = "") const
    {
        return CommandLine("/datadir:\"" + dir.Path().string() + "\" /port:0 " + extra);
    }

    // Runs a station until the scenario asks it to quit.
    StationExit RunOnce(FakeDesktop& desktop, ConfigTree& tree, const std::string& extra = "")
    {
        Station station(Options(extra), desktop, tree);
        if (!desktop.onRound)
            desktop.onRound = [](Station& s) { s.RequestQuit(); };
        return station.Run();
    }

    TempDir dir;
    std::filesystem::path previousFolder;
};

} // namespace

TEST_F(StationTest, FirstStartCreatesTheFilesAndSavesTheTree)
{
    FakeDesktop desktop;
    ConfigTree tree;
    EXPECT_EQ(RunOnce(desktop, tree), StationExit::Normal);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "programdata.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "AlarmDB.txt"));
    EXPECT_EQ(desktop.windowsCreated, 1);
    EXPECT_EQ(desktop.windowsDestroyed, 1);
    EXPECT_EQ(desktop.profile.values["Database/FlatFilePath"],
              (dir.Path() / "AlarmDB.txt").string());
    // The one notice names the built-in account, its password and the way back.
    ASSERT_EQ(desktop.prompt.shown.size(), 1u);
    for (const char* part : {"\"administrator\"", "\"quorvandelisk\"", "/resetadmin"})
        EXPECT_NE(desktop.prompt.shown[0].text.find(part), std::string::npos) << part;
    EXPECT_EQ(desktop.progress.front(), 0);
    EXPECT_EQ(desktop.progress.back(), 100);
    ConfigNode* misc = tree.TopFolder("Program")->Child("Configuration")->Child("MISC");
    EXPECT_EQ(misc->Child("Language")->GetString(), "German");
    EXPECT_EQ(tree.TopFolder("Runtime")
                  ->Child("GUI")
                  ->Child("CPropPageRecorderAlarmSettings")
                  ->Child("iNextIDForSubID")
                  ->GetInt(),
              41);
    EXPECT_GT(tree.TopFolder("Program")->Child("DefaultAlarmSettings")->ChildCount(), 0);
    ConfigNode* users = tree.TopFolder("Program")->Child("UserList");
    ASSERT_EQ(users->ChildCount(), 1);
    EXPECT_EQ(users->ChildAt(0)->Child("Name")->GetString(), "administrator");
    EXPECT_EQ(users->ChildAt(0)->Child("IsCurLoggedInUser")->GetInt(), 1);
}

TEST_F(StationTest, FirstStartTakesTheInterfaceLanguageOnlyWithItsFile)
{
    FakeDesktop withoutFile;
    withoutFile.language = "French";
    ConfigTree first;
    RunOnce(withoutFile, first);
    ConfigNode* misc = first.TopFolder("Program")->Child("Configuration")->Child("MISC");
    EXPECT_EQ(misc->Child("Language")->GetString(), "German");

    std::filesystem::remove(dir.Path() / "programdata.bin");
    WriteFileBytes(dir.Path() / "Languages" / "French.txt", "\"Fehler!\" \"Erreur!\"\n");
    FakeDesktop withFile;
    withFile.language = "French";
    ConfigTree second;
    RunOnce(withFile, second);
    misc = second.TopFolder("Program")->Child("Configuration")->Child("MISC");
    EXPECT_EQ(misc->Child("Language")->GetString(), "French");
    EXPECT_EQ(misc->Child("LanguageForNextStartUp")->GetString(), "French");
    EXPECT_EQ(Tr("Fehler!"), "Erreur!");
}

TEST_F(StationTest, LanguageChosenForTheNextStartTakesEffect)
{
    FakeDesktop firstDesktop;
    ConfigTree first;
    firstDesktop.onRound = [](Station& s) {
        s.Tree()
            .TopFolder("Program")
            ->Child("Configuration")
            ->Child("MISC")
            ->Child("LanguageForNextStartUp")
            ->SetString("English");
        s.RequestQuit();
    };
    RunOnce(firstDesktop, first);

    FakeDesktop secondDesktop;
    ConfigTree second;
    RunOnce(secondDesktop, second);
    EXPECT_EQ(second.TopFolder("Program")
                  ->Child("Configuration")
                  ->Child("MISC")
                  ->Child("Language")
                  ->GetString(),
              "English");
    EXPECT_EQ(Tr("Fehler!"), "Error!");
}

TEST_F(StationTest, MissingTranslationIsShownAndTheStationRuns)
{
    std::filesystem::remove(dir.Path() / "Languages" / "German.txt");
    FakeDesktop desktop;
    ConfigTree tree;
    size_t shownBeforeTheWindow = 1;
    desktop.onCreateWindow = [&] { shownBeforeTheWindow = desktop.prompt.shown.size(); };
    EXPECT_EQ(RunOnce(desktop, tree), StationExit::Normal);
    // The translation's error, then the first start's notice.
    ASSERT_EQ(desktop.prompt.shown.size(), 2u);
    EXPECT_NE(desktop.prompt.shown[0].text.find("not found!"), std::string::npos);
    // Shown once the port is served, never before.
    EXPECT_EQ(shownBeforeTheWindow, 0u);
}

TEST_F(StationTest, UnusableDatabaseEndsWithoutWritingTheConfiguration)
{
    std::filesystem::create_directory(dir.Path() / "AlarmDB.txt"); // a folder cannot be opened
    FakeDesktop desktop;
    ConfigTree tree;
    EXPECT_EQ(RunOnce(desktop, tree), StationExit::DatabaseFailed);
    ASSERT_EQ(desktop.prompt.shown.size(), 1u);
    EXPECT_EQ(
        desktop.prompt.shown[0].text.rfind("Auf die Datenbank kann nicht zugegriffen werden!", 0),
        0u);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "programdata.bin"));
    EXPECT_EQ(desktop.windowsCreated, 0);
}

TEST_F(StationTest, SecondStartInTheSameFolderEndsSilently)
{
    FakeDesktop outer;
    ConfigTree outerTree;
    StationExit inner = StationExit::Normal;
    FakeDesktop innerDesktop;
    outer.onRound = [&](Station& s) {
        ConfigTree innerTree;
        Station second(Options(), innerDesktop, innerTree);
        inner = second.Run();
        s.RequestQuit();
    };
    EXPECT_EQ(RunOnce(outer, outerTree), StationExit::Normal);
    EXPECT_EQ(inner, StationExit::AlreadyRunning);
    EXPECT_TRUE(innerDesktop.prompt.shown.empty());
    EXPECT_EQ(innerDesktop.windowsCreated, 0);
}

TEST_F(StationTest, TelegramsFromAKnownRecorderBecomeRecordsThatSurviveARestart)
{
    FakeDesktop desktop;
    ConfigTree tree;
    bool sent = false;
    desktop.onRound = [&](Station& s) {
        if (!sent) {
            ConfigNode* recorder =
                s.Tree().TopFolder("Program")->Child("RecorderList")->NewEntry(0);
            recorder->Child("IP")->SetString("127.0.0.1");
            recorder->Child("Name")->SetString("Lager");
            TelegramFields fields;
            fields.typeCode = 10001;
            ASSERT_TRUE(SendToLoopback(s.ListeningPort(), EncodeTelegram(fields)));
            ASSERT_TRUE(SendToLoopback(s.ListeningPort(), EncodeTelegram(fields)));
            sent = true;
        }
        if (s.Database()->RecordCount() == 2)
            s.RequestQuit();
    };
    RunOnce(desktop, tree);
    ASSERT_TRUE(sent);

    FakeDesktop again;
    ConfigTree reloaded;
    int records = -1;
    again.onRound = [&](Station& s) {
        records = s.Database()->RecordCount();
        s.RequestQuit();
    };
    RunOnce(again, reloaded);
    EXPECT_EQ(records, 2);
    ConfigNode* recorder = reloaded.TopFolder("Program")->Child("RecorderList")->Child("00000000");
    ASSERT_NE(recorder, nullptr);
    EXPECT_EQ(recorder->Child("Name")->GetString(), "Lager");
}

TEST_F(StationTest, StopSignalEndsInOrder)
{
    FakeDesktop desktop;
    ConfigTree tree;
    desktop.onRound = [](Station&) {
        static bool raised = false;
        if (!raised) {
            raised = true;
            std::raise(SIGTERM);
        }
    };
    EXPECT_EQ(RunOnce(desktop, tree), StationExit::Normal);
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "programdata.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "db.cache"));
    EXPECT_LT(desktop.rounds, 100);
    EXPECT_EQ(desktop.windowsEnded, 1);
}

TEST_F(StationTest, AProgramFolderThatCannotBeMadeEndsTheStart)
{
    WriteFileBytes(dir.Path() / "file", "x");
    FakeDesktop desktop;
    ConfigTree tree;
    Station station(CommandLine("/datadir:\"" + (dir.Path() / "file" / "sub").string() + "\""),
                    desktop, tree);
    EXPECT_EQ(station.Run(), StationExit::FolderFailed);
    EXPECT_EQ(desktop.windowsCreated, 0);
}
