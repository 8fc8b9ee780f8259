// The system's file creation times: birth time where the file system keeps
// one, else the modification time; nothing for a missing file.
#include "platform/FileTimes.h"

#include "testsupport/TempDir.h"

#include <ctime>

#include <gtest/gtest.h>

TEST(SystemFileTimes, NewFileWasCreatedAboutNow)
{
    TempDir dir;
    int64_t before = static_cast<int64_t>(std::time(nullptr));
    WriteFileBytes(dir.File("a.txt"), "x");
    int64_t after = static_cast<int64_t>(std::time(nullptr));
    std::optional<int64_t> created = SystemFileTimes().CreationTime(dir.File("a.txt"));
    ASSERT_TRUE(created.has_value());
    // The file system's clock may lag the wall clock by a tick.
    EXPECT_GE(*created, before - 1);
    EXPECT_LE(*created, after + 1);
}

TEST(SystemFileTimes, MissingFileHasNoTime)
{
    TempDir dir;
    EXPECT_FALSE(SystemFileTimes().CreationTime(dir.File("missing.txt")).has_value());
}
