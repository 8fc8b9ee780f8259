// A mutex that programs on the same machine share by name. The holder may
// die while holding it; the next one to lock it takes it over instead of
// waiting forever. A holder that lives but never lets go must not freeze the
// station either: every wait has a bound.
#pragma once

#include "platform/SharedAccess.h"

#include <chrono>
#include <string>

enum class MutexLock {
    Acquired,
    AcquiredFromDeadOwner, // the previous holder died; what it guarded may be half written
    Busy,                  // another program holds it: TryLock, or Lock after its bound
    Failed,
};

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex() { Close(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens the mutex `name` (no leading slash), creating it when missing.
    [[nodiscard]] bool Open(const std::string& name, SharedAccess access);
    void Close();
    bool IsOpen() const { return m_block != nullptr; }

    // Waits at most kWaitBound. Once a wait has run out, later calls only
    // try until the holder has let go, so a program that keeps the mutex
    // costs the caller one bounded wait, not one per call; that holder is
    // reported once on standard output.
    MutexLock Lock();
    MutexLock TryLock();
    void Unlock();

    // Whether the last Lock found the mutex held by another program.
    bool IsHeldElsewhere() const { return m_heldElsewhere; }

    static constexpr std::chrono::milliseconds kWaitBound{200};

private:
    struct Block;

    MutexLock Settle(int result);

    Block* m_block = nullptr;
    int m_lockHandle = -1;
    std::string m_name;
    bool m_heldElsewhere = false;
    bool m_reported = false;
};
