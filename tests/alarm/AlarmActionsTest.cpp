// The program, mail and live-view actions: what each hands to the shell
// launcher, the mail sender and the live-view link, including hostile alarm
// texts reaching a real program as one literal argument.
#include "alarm/AlarmActions.h"

#include "AlarmFixture.h"
#include "platform/posix/PosixShellLauncher.h"

#include <filesystem>

#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace {

constexpr int64_t kDeparture = 13'300'000'000'000;

class AlarmActionsTest : public AlarmFixture {
protected:
    AlarmActionsTest()
    {
        context.settings = AlarmSettings{};
        context.arrival = kDeparture + 2000;
        context.departure = kDeparture;
        context.alarmType = 10005;
        context.recorderAddress = "10.0.0.1";
        context.recorderName = "Tor";
        context.addInfo = "Kontakt 3";
        context.camera = 2;
        context.track = 7;
    }

    AlarmSettings& Settings() { return *context.settings; }
    bool Run(ActionMode mode, ActionCall call = ActionCall::Window,
             Freshness freshness = Freshness::Fresh)
    {
        return actions.RunAlarmAction(mode, context, call, freshness);
    }

    AlarmContext context;
    AlarmActions actions{*tree, launcher, mail, liveView, "/opt/wardex"};
};

} // namespace

TEST_F(AlarmActionsTest, NothingHappensWithoutSettings)
{
    context.settings.reset();
    EXPECT_FALSE(Run(ActionMode::Program));
    EXPECT_FALSE(Run(ActionMode::Mail));
    EXPECT_FALSE(Run(ActionMode::LiveView));
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(mail.sent.empty());
    EXPECT_TRUE(liveView.calls.empty());
}

TEST_F(AlarmActionsTest, ProgramArgumentsAreSplitBeforeTheyAreExpanded)
{
    Settings().programPath = "/usr/local/bin/melden";
    Settings().programArgs = "--von ${RecorderName} \"${AddInfo} (${CameraNumber})\" ${AddInfo}";
    context.addInfo = "a b \"c\"";
    Run(ActionMode::Program);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].path, "/usr/local/bin/melden");
    EXPECT_EQ(launcher.started[0].args,
              (std::vector<std::string>{"--von", "Tor", "a b \"c\" (3)", "a b \"c\""}));
    EXPECT_EQ(launcher.started[0].workingDir, "");
}

TEST_F(AlarmActionsTest, ProgramFoldersAndWorkingFolderAreExpandedButNotThePath)
{
    Settings().programPath = "/usr/local/bin/${RecorderName}";
    Settings().programArgs = "${ExecProgrammDir} ${WardexDir}";
    Settings().programWorkDir = "${WardexDir}/${RecorderName}";
    Run(ActionMode::Program);
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].path, "/usr/local/bin/${RecorderName}");
    EXPECT_EQ(launcher.started[0].args,
              (std::vector<std::string>{"/usr/local/bin/", "/opt/wardex"}));
    EXPECT_EQ(launcher.started[0].workingDir, "/opt/wardex/Tor");
}

TEST_F(AlarmActionsTest, ProgramWithoutPathRunsNothing)
{
    Settings().programArgs = "x";
    Run(ActionMode::Program);
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(AlarmActionsTest, MailSubjectEndsWithCrLfAndBodyHasCrLfLineEnds)
{
    System("mailSMTPServer")->SetString("mail.example.org:2525");
    System("mailDoAuth")->SetInt(1);
    System("mailAuthUser")->SetString("wache");
    System("mailAuthPassword")->SetString("geheim");
    Settings().mailDoSendMail = 1;
    Settings().mailFromAddress = "wardex@example.org";
    Settings().mailToAddress = "a@example.org; b@example.org";
    Settings().mailSubject = "Alarm von ${RecorderName}";
    Settings().mailBody = "Kamera ${CameraNumber}\nInfo: ${AddInfo}\r\nEnde\n";
    Run(ActionMode::Mail);
    ASSERT_EQ(mail.sent.size(), 1u);
    const AlarmMail& sent = mail.sent[0];
    EXPECT_EQ(sent.to, "a@example.org; b@example.org");
    EXPECT_EQ(sent.from, "wardex@example.org");
    EXPECT_EQ(sent.server, "mail.example.org:2525");
    EXPECT_EQ(sent.subject, "Alarm von Tor\r\n");
    EXPECT_EQ(sent.body, "Kamera 3\r\nInfo: Kontakt 3\r\nEnde\r\n");
    EXPECT_TRUE(sent.useAuth);
    EXPECT_EQ(sent.authUser, "wache");
    EXPECT_EQ(sent.authPassword, "geheim");
}

TEST_F(AlarmActionsTest, MailNeedsTheSwitchSenderAndRecipient)
{
    Settings().mailFromAddress = "wardex@example.org";
    Settings().mailToAddress = "a@example.org";
    Run(ActionMode::Mail);
    Settings().mailDoSendMail = 1;
    Settings().mailToAddress = "";
    Run(ActionMode::Mail);
    Settings().mailToAddress = "a@example.org";
    Settings().mailFromAddress = "";
    Run(ActionMode::Mail);
    EXPECT_TRUE(mail.sent.empty());
    Settings().mailFromAddress = "wardex@example.org";
    Run(ActionMode::Mail);
    EXPECT_EQ(mail.sent.size(), 1u);
    EXPECT_FALSE(mail.sent[0].useAuth);
}

TEST_F(AlarmActionsTest, AutomaticLiveViewAsksForTheLivePictureOnlyWithDoAuto)
{
    Settings().showLivePicture = 1;
    Settings().showTrack = 1;
    EXPECT_FALSE(Run(ActionMode::LiveView, ActionCall::Automatic));
    EXPECT_TRUE(liveView.calls.empty());
    Settings().doAuto = 1;
    EXPECT_TRUE(Run(ActionMode::LiveView, ActionCall::Automatic, Freshness::Old));
    EXPECT_EQ(liveView.calls, std::vector<std::string>{"ShowLive 10.0.0.1 2 1 -1"});
}

TEST_F(AlarmActionsTest, PresetIsTheOnlyRequestAndCountsAsNone)
{
    Settings().presetDoLoad = 1;
    Settings().presetName = "Eingang Nord";
    Settings().showLivePicture = 1;
    Settings().showTrack = 1;
    EXPECT_FALSE(Run(ActionMode::LiveView));
    EXPECT_EQ(liveView.calls, std::vector<std::string>{"LoadPreset 'Eingang Nord'"});
}

TEST_F(AlarmActionsTest, ContextViewMakesThreeTrackRequestsThenLiveWithIndex3)
{
    Settings().showTrack = 1;
    Settings().doContext = 1;
    Settings().doTimeshift = 1; // ignored with a context view
    Settings().showLivePicture = 1;
    EXPECT_TRUE(Run(ActionMode::LiveView, ActionCall::Window, Freshness::Fresh));
    EXPECT_EQ(liveView.calls,
              (std::vector<std::string>{"ShowTrackByNumber 10.0.0.1 7 2 13299999999000 0 0",
                                        "ShowTrackByNumber 10.0.0.1 7 2 13300000000000 0 1",
                                        "ShowTrackByNumber 10.0.0.1 7 2 13300000001000 0 2",
                                        "ShowLive 10.0.0.1 2 1 3"}));
}

TEST_F(AlarmActionsTest, TimeshiftMovesTheSingleTrackRequestBack)
{
    Settings().showTrack = 1;
    Settings().doTimeshift = 1;
    Settings().timeshiftMin = 5;
    Settings().timeshiftSec = 0;
    Settings().trackKind = 1;
    Settings().trackName = "Eingang";
    EXPECT_TRUE(Run(ActionMode::LiveView));
    EXPECT_EQ(liveView.calls,
              std::vector<std::string>{"ShowTrackByName 10.0.0.1 'Eingang' 2 13299999700000 0 -1"});
}

TEST_F(AlarmActionsTest, TrackAtTheDepartureWithoutTimeshift)
{
    Settings().showTrack = 1;
    Settings().timeshiftMin = 5;
    Settings().showLivePicture = 1;
    EXPECT_TRUE(Run(ActionMode::LiveView, ActionCall::Window, Freshness::Old));
    EXPECT_EQ(liveView.calls,
              (std::vector<std::string>{"ShowTrackByNumber 10.0.0.1 7 2 13300000000000 0 -1",
                                        "ShowLive 10.0.0.1 2 0 -1"}));
}

TEST_F(AlarmActionsTest, WindowModeWithNothingConfiguredMakesNoRequest)
{
    Settings().doAuto = 1;
    EXPECT_FALSE(Run(ActionMode::LiveView));
    EXPECT_TRUE(liveView.calls.empty());
}

TEST_F(AlarmActionsTest, HostileAddInfoReachesARealProgramAsOneLiteralArgument)
{
    // Writes each argument followed by a NUL into the file named by the
    // first argument.
    std::string script = dir.File("record-args.sh");
    WriteFileBytes(script, "#!/bin/sh\n"
                           "out=\"$1\"; shift\n"
                           "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$out.tmp\"\n"
                           "mv \"$out.tmp\" \"$out\"\n");
    ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    std::string hostile = "; rm -rf ~ $(touch x) `touch y` \"q\" 'z' | touch w\nnext && touch v";

    PosixShellLauncher realLauncher;
    AlarmActions real(*tree, realLauncher, mail, liveView, dir.Path().string());
    Settings().programPath = script;
    Settings().programArgs = "${WardexDir}/args.bin ${AddInfo} \"${AddInfo}\"";
    Settings().programWorkDir = "${WardexDir}";
    context.addInfo = hostile;
    real.RunAlarmAction(ActionMode::Program, context, ActionCall::Automatic, Freshness::Fresh);

    pid_t child = realLauncher.LastChild();
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(dir.Path() / "args.bin"),
              hostile + std::string(1, '\0') + hostile + std::string(1, '\0'));
    for (const char* name : {"x", "y", "w", "v"})
        EXPECT_FALSE(std::filesystem::exists(dir.Path() / name)) << name;
}
