// Starting programs and documents: arguments arrive as given, never through
// a shell, in the chosen folder; documents go to the opener.
#include "platform/posix/PosixShellLauncher.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// Writes its working folder and then each argument on a line of "out".
constexpr const char* kRecorderScript =
    "#!/bin/sh\n"
    "out=\"$OUT\"\n"
    "pwd > \"$out.tmp\"\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.tmp\"; done\n"
    "mv \"$out.tmp\" \"$out\"\n";

std::string MakeScript(const TempDir& dir, const std::string& name)
{
    std::string path = dir.File(name);
    WriteFileBytes(path, kRecorderScript);
    chmod(path.c_str(), 0755);
    return path;
}

// Waits for every started child to end.
void WaitForChildren(PosixShellLauncher& launcher)
{
    for (int i = 0; i < 2000 && launcher.Reap() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(launcher.Reap(), 0u);
}

class ShellLauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        out = dir.File("out.txt");
        setenv("OUT", out.c_str(), 1);
    }
    void TearDown() override { unsetenv("OUT"); }

    TempDir dir;
    std::string out;
};

} // namespace

TEST_F(ShellLauncherTest, ProgramGetsItsArgumentsVerbatimInItsFolder)
{
    std::string program = MakeScript(dir, "prog.sh");
    std::filesystem::create_directory(dir.Path() / "work");
    PosixShellLauncher launcher;
    ASSERT_TRUE(
        launcher.Open(program, {"Tor 1", "$(touch pwned)", "a;b|c", "\"q\""}, dir.File("work")));
    WaitForChildren(launcher);
    EXPECT_EQ(ReadFileBytes(out), dir.File("work") + "\nTor 1\n$(touch pwned)\na;b|c\n\"q\"\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "work" / "pwned"));
}

TEST_F(ShellLauncherTest, DocumentsGoToTheOpener)
{
    std::string opener = MakeScript(dir, "opener.sh");
    std::string document = dir.File("Lageplan.pdf");
    WriteFileBytes(document, "%PDF");
    PosixShellLauncher launcher(opener);
    ASSERT_TRUE(launcher.Open(document, {"ignored"}, ""));
    WaitForChildren(launcher);
    std::string written = ReadFileBytes(out);
    EXPECT_NE(written.find("\n" + document + "\n"), std::string::npos) << written;
    EXPECT_EQ(written.find("ignored"), std::string::npos);
}

TEST_F(ShellLauncherTest, BareNamesAreSearchedInPath)
{
    PosixShellLauncher launcher;
    ASSERT_TRUE(launcher.Open("true", {}, ""));
    WaitForChildren(launcher);
}

TEST_F(ShellLauncherTest, NothingToStart)
{
    PosixShellLauncher launcher;
    EXPECT_FALSE(launcher.Open("", {}, ""));
    EXPECT_FALSE(launcher.Open("no-such-program-anywhere", {}, ""));
    std::string program = MakeScript(dir, "prog.sh");
    EXPECT_FALSE(launcher.Open(program, {}, dir.File("missing-folder")));
    EXPECT_EQ(launcher.Reap(), 0u);
}
