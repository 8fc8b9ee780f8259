#include "platform/posix/FileHandle.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileHandle::~FileHandle()
{
    Close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileHandle FileHandle::OpenReadWrite(const std::string& path)
{
    return FileHandle(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

FileHandle FileHandle::OpenReadOnly(const std::string& path)
{
    return FileHandle(open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

FileHandle FileHandle::CreateTruncated(const std::string& path)
{
    return FileHandle(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

bool FileHandle::Close()
{
    if (m_fd < 0)
        return true;
    // Linux releases the descriptor even when close fails; never retry.
    return close(std::exchange(m_fd, -1)) == 0;
}

int64_t FileHandle::ReadAt(int64_t offset, void* data, size_t size) const
{
    auto* bytes = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = pread(m_fd, bytes + done, size - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool FileHandle::WriteAt(int64_t offset, const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = pwrite(m_fd, bytes + done, size - done, offset + static_cast<int64_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool FileHandle::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(m_fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

int64_t FileHandle::Size() const
{
    struct stat info {};
    if (fstat(m_fd, &info) != 0)
        return -1;
    return info.st_size;
}

bool FileHandle::Truncate(int64_t size)
{
    return ftruncate(m_fd, size) == 0;
}

bool FileHandle::Sync()
{
    return fsync(m_fd) == 0;
}

bool FileHandle::SyncData()
{
    return fdatasync(m_fd) == 0;
}

void SyncFolderOf(const std::string& path)
{
    std::string folder = std::filesystem::path(path).parent_path().string();
    FileHandle dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems refuse fsync on a folder; the rename stands anyway.
    if (dir.IsOpen())
        static_cast<void>(dir.Sync());
}

bool ReplaceFileWhole(const std::string& path, std::string_view tempSuffix, Survives survives,
                      const std::function<bool(FileHandle&)>& write)
{
    std::string temp = path;
    temp += tempSuffix;
    FileHandle file = FileHandle::CreateTruncated(temp);
    if (!file.IsOpen())
        return false;
    // The mode given at creation does not reach a temporary an earlier
    // failure left behind.
    bool ok = fchmod(file.Get(), 0600) == 0 && write(file) &&
              (survives == Survives::ProcessDeath || file.Sync());
    if (!file.Close() || !ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    if (survives == Survives::PowerLoss)
        SyncFolderOf(path);
    return true;
}
