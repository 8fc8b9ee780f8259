// An open file descriptor with positioned reads and writes that carry on
// after short transfers and interrupted calls. Closed with its owner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // O_RDWR, created owner only when missing.
    static FileHandle OpenReadWrite(const std::string& path);
    static FileHandle OpenReadOnly(const std::string& path);
    // Created (owner only) or emptied, for writing.
    static FileHandle CreateTruncated(const std::string& path);

    bool IsOpen() const { return m_fd >= 0; }
    int Get() const { return m_fd; }
    // False when closing reported an error (a delayed write error among them).
    bool Close();

    // Bytes read; less than size only at the end of the file. -1 on error.
    int64_t ReadAt(int64_t offset, void* data, size_t size) const;
    [[nodiscard]] bool WriteAt(int64_t offset, const void* data, size_t size);
    // Appends at the current position.
    [[nodiscard]] bool Write(const void* data, size_t size);
    // -1 on error.
    int64_t Size() const;
    bool Truncate(int64_t size);
    [[nodiscard]] bool Sync();
    // The contents only, without metadata that reading them does not need.
    [[nodiscard]] bool SyncData();

private:
    int m_fd = -1;
};

// Flushes a folder's entries to disk, so that a rename in it survives a crash.
void SyncFolderOf(const std::string& path);

// What a replaced file must outlive once ReplaceFileWhole returns.
enum class Survives {
    // Nothing is synced: the new contents outlive the process, not the machine.
    ProcessDeath,
    // The file and then its folder are synced.
    PowerLoss,
};

// Replaces the file at path whole, so that a kill leaves the old contents or
// the new ones, never a mixture: write fills the emptied temporary
// path + tempSuffix (owner only, also when an old one is found), which is
// then renamed over path. On any failure, write's false among them, the
// temporary is removed, the old file stays and the result is false.
[[nodiscard]] bool ReplaceFileWhole(const std::string& path, std::string_view tempSuffix,
                                    Survives survives,
                                    const std::function<bool(FileHandle&)>& write);
