// The single-instance guard: an exclusive lock on a file named after the
// application in its program folder, held for the whole run. The lock goes
// with the process, even when it crashes.
#pragma once

#include <filesystem>
#include <string_view>

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds it (or the file cannot be made).
    bool TryAcquire(const std::filesystem::path& folder, std::string_view applicationName);
    void Release();
    bool Held() const { return m_fd >= 0; }
    // After a failed TryAcquire: true when another process holds the lock,
    // false when the file could not be made at all.
    bool HeldElsewhere() const { return m_heldElsewhere; }

private:
    int m_fd = -1;
    bool m_heldElsewhere = false;
};

// The folder of the running executable and its base name.
std::filesystem::path ExecutableFolder();
std::string ExecutableName();
