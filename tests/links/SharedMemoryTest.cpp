// The OS side of the shared-memory link: named mappings that are rebuilt when
// nobody else holds them, their permissions, and robust named mutexes whose
// holder is killed.
#include "LinksTestSupport.h"
#include "platform/NamedMutex.h"
#include "platform/SharedMapping.h"

#include <cstring>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

mode_t ModeOf(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return status.st_mode & 0777;
}

// A process that opens the mutex by name, locks it, reports that on a pipe
// and waits to be killed.
class MutexHolder {
public:
    explicit MutexHolder(const std::string& name)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            NamedMutex mutex;
            char result = mutex.Open(name, SharedAccess::Group) && mutex.Lock() != MutexLock::Failed
                              ? 'L'
                              : 'F';
            [[maybe_unused]] ssize_t written = ::write(ready[1], &result, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char result = 0;
        m_locked = ::read(ready[0], &result, 1) == 1 && result == 'L';
        ::close(ready[0]);
    }
    ~MutexHolder() { Kill(); }

    bool Locked() const { return m_locked; }
    void Kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_locked = false;
};

TEST(SharedMapping, CreatedObjectIsZeroFilledWithTheAskedSize)
{
    ShmScope scope;
    SharedMapping mapping;
    ASSERT_EQ(mapping.Attach(scope.Prefix() + "M", 5000, SharedCreate::OpenOrCreate,
                             SharedAccess::OwnerOnly),
              AttachResult::Attached);
    EXPECT_TRUE(mapping.WasCreated());
    EXPECT_EQ(mapping.Size(), 5000u);
    EXPECT_EQ(scope.ReadObject("M"), std::string(5000, '\0'));
}

TEST(SharedMapping, ObjectsArePrivateUnlessAGroupIsNamed)
{
    ShmScope scope;
    // A usual umask would take the write bits of the group away.
    mode_t previousMask = ::umask(022);
    SharedMapping grouped;
    SharedMapping owner;
    SharedMapping shared;
    ASSERT_EQ(grouped.Attach(scope.Prefix() + "Group", 16, SharedCreate::OpenOrCreate,
                             SharedAccess::Group),
              AttachResult::Attached);
    ASSERT_EQ(owner.Attach(scope.Prefix() + "Private", 16, SharedCreate::OpenOrCreate,
                           SharedAccess::OwnerOnly),
              AttachResult::Attached);
    EXPECT_FALSE(SetSharedGroup("no-such-group-wardex"));
    const group* own = ::getgrgid(::getgid());
    ASSERT_NE(own, nullptr);
    ASSERT_TRUE(SetSharedGroup(own->gr_name));
    ASSERT_EQ(shared.Attach(scope.Prefix() + "Shared", 16, SharedCreate::OpenOrCreate,
                            SharedAccess::Group),
              AttachResult::Attached);
    ASSERT_TRUE(SetSharedGroup(""));
    EXPECT_EQ(ModeOf(scope.PathOf("Group")), 0600u);
    EXPECT_EQ(ModeOf(scope.PathOf("Group.lock")), 0600u);
    EXPECT_EQ(ModeOf(scope.PathOf("Private")), 0600u);
    EXPECT_EQ(ModeOf(scope.PathOf("Shared")), 0660u);
    EXPECT_EQ(ModeOf(scope.PathOf("Shared.lock")), 0660u);
    struct stat status {};
    ASSERT_EQ(::stat(scope.PathOf("Shared").c_str(), &status), 0);
    EXPECT_EQ(status.st_gid, ::getgid());
    ::umask(previousMask);
}

TEST(SharedMapping, AnotherAccountsObjectIsNamedAsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "attaching as another user needs root to change the user";
    ShmScope scope;
    SharedMapping held;
    ASSERT_EQ(
        held.Attach(scope.Prefix() + "KXSW", 16, SharedCreate::OpenOrCreate, SharedAccess::Group),
        AttachResult::Attached);
    EXPECT_EQ(TakeRefusedSharedObject(), "");
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t child = ::fork();
    if (child == 0) {
        SharedMapping other;
        bool refused = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 &&
                       ::setuid(65534) == 0 &&
                       other.Attach(scope.Prefix() + "KXSW", 16, SharedCreate::OpenOrCreate,
                                    SharedAccess::Group) == AttachResult::Failed;
        std::string name = refused ? TakeRefusedSharedObject() : "not refused";
        _exit(::write(report[1], name.data(), name.size()) < 0 ? 2 : 0);
    }
    ::close(report[1]);
    char name[256] = {};
    ssize_t length = ::read(report[0], name, sizeof name - 1);
    ::close(report[0]);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(name, static_cast<size_t>(length)), scope.PathOf("KXSW.lock"));
}

TEST(SharedMapping, SecondAttachSharesTheBytes)
{
    ShmScope scope;
    SharedMapping first;
    SharedMapping second;
    ASSERT_EQ(
        first.Attach(scope.Prefix() + "M", 64, SharedCreate::OpenOrCreate, SharedAccess::OwnerOnly),
        AttachResult::Attached);
    std::memcpy(first.Data(), "shared", 6);
    ASSERT_EQ(second.Attach(scope.Prefix() + "M", 64, SharedCreate::OpenOrCreate,
                            SharedAccess::OwnerOnly),
              AttachResult::Attached);
    EXPECT_FALSE(second.WasCreated());
    EXPECT_EQ(std::memcmp(second.Data(), "shared", 6), 0);
    second.Data()[0] = 'S';
    EXPECT_EQ(first.Data()[0], 'S');
}

TEST(SharedMapping, ObjectNobodyHoldsIsRebuiltEmpty)
{
    ShmScope scope;
    {
        SharedMapping first;
        ASSERT_EQ(first.Attach(scope.Prefix() + "M", 64, SharedCreate::OpenOrCreate,
                               SharedAccess::OwnerOnly),
                  AttachResult::Attached);
        std::memcpy(first.Data(), "stale", 5);
    }
    EXPECT_EQ(scope.ReadObject("M").substr(0, 5), "stale");
    SharedMapping again;
    ASSERT_EQ(
        again.Attach(scope.Prefix() + "M", 64, SharedCreate::OpenOrCreate, SharedAccess::OwnerOnly),
        AttachResult::Attached);
    EXPECT_TRUE(again.WasCreated());
    EXPECT_EQ(scope.ReadObject("M"), std::string(64, '\0'));
}

TEST(SharedMapping, OpenOnlyFindsNothingMissingOrLeftBehind)
{
    ShmScope scope;
    SharedMapping reader;
    EXPECT_EQ(
        reader.Attach(scope.Prefix() + "M", 0, SharedCreate::OpenOnly, SharedAccess::OwnerOnly),
        AttachResult::Missing);
    {
        SharedMapping writer;
        ASSERT_EQ(writer.Attach(scope.Prefix() + "M", 32, SharedCreate::OpenOrCreate,
                                SharedAccess::OwnerOnly),
                  AttachResult::Attached);
        ASSERT_EQ(
            reader.Attach(scope.Prefix() + "M", 0, SharedCreate::OpenOnly, SharedAccess::OwnerOnly),
            AttachResult::Attached);
        EXPECT_EQ(reader.Size(), 32u);
        reader.Detach();
    }
    // The object is still in /dev/shm, but nobody holds it any more.
    EXPECT_EQ(scope.ReadObject("M").size(), 32u);
    EXPECT_EQ(
        reader.Attach(scope.Prefix() + "M", 0, SharedCreate::OpenOnly, SharedAccess::OwnerOnly),
        AttachResult::Missing);
}

TEST(SharedMapping, HeldObjectSmallerThanAskedIsRefused)
{
    ShmScope scope;
    SharedMapping small;
    ASSERT_EQ(small.Attach(scope.Prefix() + "M", 100, SharedCreate::OpenOrCreate,
                           SharedAccess::OwnerOnly),
              AttachResult::Attached);
    SharedMapping large;
    EXPECT_EQ(large.Attach(scope.Prefix() + "M", 200, SharedCreate::OpenOrCreate,
                           SharedAccess::OwnerOnly),
              AttachResult::Failed);
    EXPECT_FALSE(large.IsAttached());
}

TEST(NamedMutex, LockingTwiceFromOneThreadFailsInsteadOfHanging)
{
    ShmScope scope;
    NamedMutex first;
    NamedMutex second;
    ASSERT_TRUE(first.Open(scope.Prefix() + "Mutex", SharedAccess::Group));
    ASSERT_TRUE(second.Open(scope.Prefix() + "Mutex", SharedAccess::Group));
    EXPECT_EQ(ModeOf(scope.PathOf("Mutex")), 0600u);
    ASSERT_EQ(first.Lock(), MutexLock::Acquired);
    EXPECT_EQ(second.Lock(), MutexLock::Failed);
    first.Unlock();
    EXPECT_EQ(second.Lock(), MutexLock::Acquired);
    second.Unlock();
}

TEST(NamedMutex, ExcludesAnotherProcess)
{
    ShmScope scope;
    NamedMutex mutex;
    ASSERT_TRUE(mutex.Open(scope.Prefix() + "Mutex", SharedAccess::OwnerOnly));
    EXPECT_EQ(ModeOf(scope.PathOf("Mutex")), 0600u);
    MutexHolder holder(scope.Prefix() + "Mutex");
    ASSERT_TRUE(holder.Locked());
    EXPECT_EQ(mutex.TryLock(), MutexLock::Busy);
}

TEST(NamedMutex, HolderKilledLeavesTheMutexToTheNext)
{
    ShmScope scope;
    NamedMutex mutex;
    ASSERT_TRUE(mutex.Open(scope.Prefix() + "Mutex", SharedAccess::Group));
    MutexHolder holder(scope.Prefix() + "Mutex");
    ASSERT_TRUE(holder.Locked());
    EXPECT_EQ(mutex.TryLock(), MutexLock::Busy);
    holder.Kill();
    EXPECT_EQ(mutex.TryLock(), MutexLock::AcquiredFromDeadOwner);
    mutex.Unlock();
    EXPECT_EQ(mutex.Lock(), MutexLock::Acquired);
    mutex.Unlock();
}

TEST(NamedMutex, WaitForALiveHolderIsBoundedAndNotRepeatedUntilItLetsGo)
{
    ShmScope scope;
    NamedMutex mutex;
    ASSERT_TRUE(mutex.Open(scope.Prefix() + "Mutex", SharedAccess::Group));
    MutexHolder holder(scope.Prefix() + "Mutex");
    ASSERT_TRUE(holder.Locked());
    EXPECT_EQ(mutex.Lock(), MutexLock::Busy);
    EXPECT_TRUE(mutex.IsHeldElsewhere());
    EXPECT_EQ(mutex.Lock(), MutexLock::Busy);
    holder.Kill();
    EXPECT_EQ(mutex.Lock(), MutexLock::AcquiredFromDeadOwner);
    EXPECT_FALSE(mutex.IsHeldElsewhere());
    mutex.Unlock();
}

TEST(NamedMutex, UnopenedMutexFailsToLock)
{
    NamedMutex mutex;
    EXPECT_EQ(mutex.Lock(), MutexLock::Failed);
    EXPECT_EQ(mutex.TryLock(), MutexLock::Failed);
}

} // namespace
