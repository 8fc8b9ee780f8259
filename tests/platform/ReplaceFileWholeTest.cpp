// Replacing a file whole: afterwards it holds the old contents or the new
// ones, no temporary is left beside it, and a new file is owner only.
#include "platform/posix/FileHandle.h"
#include "testsupport/TempDir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Case {
    const char* name;
    Survives survives;
    // An earlier failure left a longer one, readable by everyone.
    bool staleTemporary;
    bool writeSucceeds;
};

constexpr Case kCases[] = {
    {"synced", Survives::PowerLoss, false, true},
    {"unsynced", Survives::ProcessDeath, false, true},
    {"over a stale temporary", Survives::PowerLoss, true, true},
    {"write fails", Survives::PowerLoss, false, false},
    {"write fails over a stale temporary", Survives::ProcessDeath, true, false},
};

} // namespace

TEST(ReplaceFileWhole, LeavesOldOrNewContentsAndNoTemporary)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string target = dir.File("data.txt");
        std::string temp = target + ".tmp";
        WriteFileBytes(target, "old");
        fs::permissions(target, fs::perms(0644));
        if (c.staleTemporary) {
            WriteFileBytes(temp, "stale and longer");
            fs::permissions(temp, fs::perms(0644));
        }
        bool replaced = ReplaceFileWhole(target, ".tmp", c.survives, [&](FileHandle& file) {
            return file.Write("new", 3) && c.writeSucceeds;
        });
        EXPECT_EQ(replaced, c.writeSucceeds);
        EXPECT_EQ(ReadFileBytes(target), c.writeSucceeds ? "new" : "old");
        EXPECT_FALSE(fs::exists(temp));
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
                  c.writeSucceeds ? fs::perms(0600) : fs::perms(0644));
    }
}
