// POSIX shared-memory objects with a lock file per object. The locks are
// open-file-description locks: they belong to one descriptor (two attaches in
// one process exclude each other like two processes), vanish with it even
// when the process is killed, and, unlike flock, turn from exclusive into
// shared without a moment in which the file is unlocked.
#include "platform/posix/SharedObject.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Byte 0: held shared while attached, exclusive by the one who rebuilds.
// Byte 1: held exclusive for the duration of an attach.
constexpr off_t kAttachedByte = 0;
constexpr off_t kGateByte = 1;

enum class LockWait { No, Yes };

bool SetLock(int handle, short type, off_t byte, LockWait wait)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    int command = wait == LockWait::Yes ? F_OFD_SETLKW : F_OFD_SETLK;
    while (::fcntl(handle, command, &lock) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// Every object is private unless the station was told to share them.
gid_t g_sharedGroup = static_cast<gid_t>(-1);
// The accounts the group file lists as its members, looked up once.
std::vector<uid_t> g_sharedMembers;

bool IsShared(SharedAccess access)
{
    return access == SharedAccess::Group && g_sharedGroup != static_cast<gid_t>(-1);
}

mode_t ModeOf(SharedAccess access)
{
    return IsShared(access) ? 0660 : 0600;
}

// shm_open applies the umask; the mode of a created object is set again,
// and its group when it is shared.
int OpenObject(const std::string& path, int flags, mode_t mode)
{
    int handle = ::shm_open(path.c_str(), flags | O_RDWR | O_CLOEXEC, mode);
    if (handle < 0 || (flags & O_CREAT) == 0)
        return handle;
    if ((mode & 0060) != 0 && ::fchown(handle, static_cast<uid_t>(-1), g_sharedGroup) != 0)
        mode = 0600;
    ::fchmod(handle, mode);
    return handle;
}

int OpenLockFile(const std::string& path, mode_t mode, SharedCreate create)
{
    // Without its lock file nobody can be attached to the object.
    if (create == SharedCreate::OpenOnly)
        return OpenObject(path, 0, mode);
    int handle = OpenObject(path, O_CREAT | O_EXCL, mode);
    if (handle >= 0 || errno != EEXIST)
        return handle;
    return OpenObject(path, 0, mode);
}

int CreateObject(const std::string& path, size_t size, mode_t mode, const SharedObjectInit& init)
{
    int handle = OpenObject(path, O_CREAT | O_EXCL, mode);
    if (handle < 0)
        return -1;
    if (::ftruncate(handle, static_cast<off_t>(size)) != 0 || (init && !init(handle))) {
        int error = errno;
        ::close(handle);
        ::shm_unlink(path.c_str());
        errno = error;
        return -1;
    }
    return handle;
}

std::string g_refusedObject;

AttachResult Fail(SharedObject& object, AttachResult result, const std::string& path)
{
    object.error = errno;
    if (object.error == EACCES || object.error == EPERM)
        g_refusedObject = "/dev/shm" + path;
    CloseSharedObject(object);
    return result;
}

} // namespace

AttachResult AttachSharedObject(const std::string& name, size_t size, SharedCreate create,
                                SharedAccess access, const SharedObjectInit& init,
                                SharedObject& object)
{
    CloseSharedObject(object);
    object = {};
    std::string path = "/" + name;
    mode_t mode = ModeOf(access);
    object.lockHandle = OpenLockFile(path + ".lock", mode, create);
    if (object.lockHandle < 0)
        return Fail(object, errno == ENOENT ? AttachResult::Missing : AttachResult::Failed,
                    path + ".lock");
    if (!SetLock(object.lockHandle, F_WRLCK, kGateByte, LockWait::Yes))
        return Fail(object, AttachResult::Failed, path);

    if (SetLock(object.lockHandle, F_WRLCK, kAttachedByte, LockWait::No)) {
        // Nobody else is attached: whatever is there was left behind.
        if (create == SharedCreate::OpenOnly) {
            errno = ENOENT;
            return Fail(object, AttachResult::Missing, path);
        }
        ::shm_unlink(path.c_str());
        object.handle = CreateObject(path, size, mode, init);
        object.created = object.handle >= 0;
    } else {
        // Only an attach, which holds the gate we hold now, locks byte 0
        // exclusively, so this does not wait.
        if (!SetLock(object.lockHandle, F_RDLCK, kAttachedByte, LockWait::Yes))
            return Fail(object, AttachResult::Failed, path);
        object.handle = OpenObject(path, 0, mode);
        if (object.handle < 0 && errno == ENOENT && create == SharedCreate::OpenOrCreate) {
            object.handle = CreateObject(path, size, mode, init);
            object.created = object.handle >= 0;
        }
    }
    if (object.handle < 0)
        return Fail(object, errno == ENOENT ? AttachResult::Missing : AttachResult::Failed, path);
    if (object.created && !SetLock(object.lockHandle, F_RDLCK, kAttachedByte, LockWait::No))
        return Fail(object, AttachResult::Failed, path);

    struct stat status {};
    if (::fstat(object.handle, &status) != 0)
        return Fail(object, AttachResult::Failed, path);
    object.size = static_cast<size_t>(status.st_size);
    if (object.size < size) {
        errno = EINVAL;
        return Fail(object, AttachResult::Failed, path);
    }
    SetLock(object.lockHandle, F_UNLCK, kGateByte, LockWait::No);
    return AttachResult::Attached;
}

bool SetSharedGroup(const std::string& name)
{
    std::vector<char> buffer(16 * 1024);
    group entry{};
    group* found = nullptr;
    if (name.empty()) {
        g_sharedGroup = static_cast<gid_t>(-1);
        g_sharedMembers.clear();
        return true;
    }
    if (::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return false;
    g_sharedGroup = found->gr_gid;
    g_sharedMembers.clear();
    std::vector<char> accountBuffer(16 * 1024);
    for (char** member = found->gr_mem; member != nullptr && *member != nullptr; ++member) {
        passwd account{};
        passwd* known = nullptr;
        if (::getpwnam_r(*member, &account, accountBuffer.data(), accountBuffer.size(), &known) ==
                0 &&
            known != nullptr)
            g_sharedMembers.push_back(known->pw_uid);
    }
    return true;
}

bool IsTrustedLocalUser(uint32_t uid, uint32_t gid)
{
    static const uid_t own = ::geteuid();
    static const uid_t real = ::getuid();
    if (uid == own || uid == real)
        return true;
    if (g_sharedGroup == static_cast<gid_t>(-1))
        return false;
    return gid == g_sharedGroup ||
           std::find(g_sharedMembers.begin(), g_sharedMembers.end(), uid) != g_sharedMembers.end();
}

std::string TakeRefusedSharedObject()
{
    return std::exchange(g_refusedObject, {});
}

void CloseSharedObject(SharedObject& object)
{
    if (object.handle >= 0)
        ::close(object.handle);
    if (object.lockHandle >= 0)
        ::close(object.lockHandle);
    object.handle = -1;
    object.lockHandle = -1;
}
