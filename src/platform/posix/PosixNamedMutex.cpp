// NamedMutex as a process-shared robust pthread mutex in a shared-memory
// object of its own. A holder that dies leaves EOWNERDEAD to the next locker,
// which marks the mutex consistent and goes on.
#include "platform/NamedMutex.h"
#include "platform/posix/SharedObject.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

struct NamedMutex::Block {
    pthread_mutex_t mutex;
    // Written last by the creator; an object without it was never set up.
    uint32_t magic;
};

namespace {

constexpr uint32_t kMagic = 0x574d7458; // "XtMW"

void* MapBlock(int handle, size_t size)
{
    return ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, handle, 0);
}

} // namespace

bool NamedMutex::Open(const std::string& name, SharedAccess access)
{
    Close();
    constexpr size_t kSize = sizeof(Block);
    auto init = [](int handle) {
        void* view = MapBlock(handle, kSize);
        if (view == MAP_FAILED)
            return false;
        auto* block = static_cast<Block*>(view);
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
        // Locking twice from one thread reports EDEADLK instead of hanging.
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ERRORCHECK);
        int result = pthread_mutex_init(&block->mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
        if (result == 0)
            block->magic = kMagic;
        ::munmap(view, kSize);
        return result == 0;
    };
    SharedObject object;
    if (AttachSharedObject(name, kSize, SharedCreate::OpenOrCreate, access, init, object) !=
        AttachResult::Attached)
        return false;
    void* view = MapBlock(object.handle, kSize);
    ::close(object.handle);
    object.handle = -1;
    if (view == MAP_FAILED) {
        CloseSharedObject(object);
        return false;
    }
    auto* block = static_cast<Block*>(view);
    if (block->magic != kMagic) {
        ::munmap(view, kSize);
        CloseSharedObject(object);
        return false;
    }
    m_block = block;
    m_lockHandle = object.lockHandle;
    m_name = name;
    return true;
}

void NamedMutex::Close()
{
    if (m_block != nullptr)
        ::munmap(m_block, sizeof(Block));
    if (m_lockHandle >= 0)
        ::close(m_lockHandle);
    m_block = nullptr;
    m_lockHandle = -1;
    m_heldElsewhere = false;
}

MutexLock NamedMutex::Lock()
{
    if (m_block == nullptr)
        return MutexLock::Failed;
    if (m_heldElsewhere) {
        MutexLock result = Settle(pthread_mutex_trylock(&m_block->mutex));
        m_heldElsewhere = result == MutexLock::Busy;
        return result;
    }
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    auto bound = std::chrono::duration_cast<std::chrono::nanoseconds>(kWaitBound).count();
    deadline.tv_nsec += static_cast<long>(bound % 1'000'000'000);
    deadline.tv_sec +=
        static_cast<time_t>(bound / 1'000'000'000 + deadline.tv_nsec / 1'000'000'000);
    deadline.tv_nsec %= 1'000'000'000;
    int result = pthread_mutex_clocklock(&m_block->mutex, CLOCK_MONOTONIC, &deadline);
    if (result != ETIMEDOUT)
        return Settle(result);
    m_heldElsewhere = true;
    if (!m_reported) {
        m_reported = true;
        std::printf("Mutex %s held by another program for over %lld ms; its updates are skipped "
                    "until it lets go.\n",
                    m_name.c_str(), static_cast<long long>(kWaitBound.count()));
        std::fflush(stdout);
    }
    return MutexLock::Busy;
}

MutexLock NamedMutex::TryLock()
{
    if (m_block == nullptr)
        return MutexLock::Failed;
    return Settle(pthread_mutex_trylock(&m_block->mutex));
}

void NamedMutex::Unlock()
{
    if (m_block != nullptr)
        pthread_mutex_unlock(&m_block->mutex);
}

MutexLock NamedMutex::Settle(int result)
{
    if (result == 0)
        return MutexLock::Acquired;
    if (result == EBUSY)
        return MutexLock::Busy;
    if (result != EOWNERDEAD)
        return MutexLock::Failed;
    pthread_mutex_consistent(&m_block->mutex);
    return MutexLock::AcquiredFromDeadOwner;
}
