// A mutex that programs on the same machine share by name. The holder may
// die while holding it; the next one to lock it takes it over instead of
// waiting forever.
#pragma once

#include "platform/SharedAccess.h"

#include <string>

enum class MutexLock {
    Acquired,
    AcquiredFromDeadOwner, // the previous holder died; what it guarded may be half written
    Busy,                  // TryLock only
    Failed,
};

class NamedMutex {
public:
    NamedMutex() = default;
    ~NamedMutex() { Close(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens the mutex `name` (no leading slash), creating it when missing.
    bool Open(const std::string& name, SharedAccess access);
    void Close();
    bool IsOpen() const { return m_block != nullptr; }

    // Waits without time-out.
    MutexLock Lock();
    MutexLock TryLock();
    void Unlock();

private:
    struct Block;

    MutexLock Settle(int result);

    Block* m_block = nullptr;
    int m_lockHandle = -1;
};
