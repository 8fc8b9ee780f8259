// Holds a NamedMutex for the lifetime of a scope.
#pragma once

#include "platform/NamedMutex.h"

class NamedMutexLock {
public:
    explicit NamedMutexLock(NamedMutex& mutex) : m_mutex(mutex)
    {
        MutexLock result = mutex.IsOpen() ? mutex.Lock() : MutexLock::Failed;
        m_locked = result == MutexLock::Acquired || result == MutexLock::AcquiredFromDeadOwner;
    }
    ~NamedMutexLock()
    {
        if (m_locked)
            m_mutex.Unlock();
    }
    NamedMutexLock(const NamedMutexLock&) = delete;
    NamedMutexLock& operator=(const NamedMutexLock&) = delete;

    bool IsLocked() const { return m_locked; }

private:
    NamedMutex& m_mutex;
    bool m_locked = false;
};
