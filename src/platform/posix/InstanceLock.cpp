#include "platform/InstanceLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

InstanceLock::~InstanceLock()
{
    Release();
}

bool InstanceLock::TryAcquire(const std::filesystem::path& folder, std::string_view applicationName)
{
    Release();
    m_heldElsewhere = false;
    std::filesystem::path path = folder / ("." + std::string(applicationName) + ".lock");
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_heldElsewhere = errno == EWOULDBLOCK;
        close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void InstanceLock::Release()
{
    if (m_fd < 0)
        return;
    close(m_fd);
    m_fd = -1;
}

std::filesystem::path ExecutableFolder()
{
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path();
    return exe.parent_path();
}

std::string ExecutableName()
{
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("wardex") : exe.filename().string();
}
