// The single-instance guard across processes: a second holder is refused
// while the first lives, and the lock is free again once it has gone.
#include "platform/InstanceLock.h"

#include "testsupport/TempDir.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// Tries the lock in a child process; its exit code tells the result.
bool ChildCanAcquire(const std::filesystem::path& folder)
{
    pid_t pid = fork();
    if (pid == 0) {
        InstanceLock lock;
        _exit(lock.TryAcquire(folder, "wardex") ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(InstanceLock, SecondInstanceIsRefusedWhileTheFirstRuns)
{
    TempDir dir;
    InstanceLock first;
    ASSERT_TRUE(first.TryAcquire(dir.Path(), "wardex"));
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(ChildCanAcquire(dir.Path()));
    // Another application in the same folder is not affected.
    InstanceLock other;
    EXPECT_TRUE(other.TryAcquire(dir.Path(), "other"));
    InstanceLock second;
    EXPECT_FALSE(second.TryAcquire(dir.Path(), "wardex"));
    EXPECT_TRUE(second.HeldElsewhere());

    first.Release();
    EXPECT_TRUE(ChildCanAcquire(dir.Path()));
}

TEST(InstanceLock, FreedWhenTheHolderDies)
{
    TempDir dir;
    pid_t pid = fork();
    if (pid == 0) {
        InstanceLock lock;
        lock.TryAcquire(dir.Path(), "wardex");
        _exit(0); // no Release: the kernel drops the lock with the process
    }
    int status = 0;
    waitpid(pid, &status, 0);
    InstanceLock lock;
    EXPECT_TRUE(lock.TryAcquire(dir.Path(), "wardex"));
}

TEST(InstanceLock, UnwritableFolderRefuses)
{
    InstanceLock lock;
    EXPECT_FALSE(lock.TryAcquire("/no/such/folder", "wardex"));
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(lock.HeldElsewhere());
}

TEST(ExecutablePath, NamesTheTestBinary)
{
    EXPECT_EQ(ExecutableName(), "platform_tests");
    EXPECT_TRUE(std::filesystem::exists(ExecutableFolder() / "platform_tests"));
}

TEST(InstanceLock, LockFileIsTheOwnersAloneUnderAnyUmask)
{
    TempDir dir;
    InstanceLock lock;
    mode_t old = ::umask(0);
    bool held = lock.TryAcquire(dir.Path(), "wardex");
    ::umask(old);
    ASSERT_TRUE(held);
    EXPECT_EQ(std::filesystem::status(dir.Path() / ".wardex.lock").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
