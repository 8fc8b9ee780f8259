// SharedMapping over shm_open and mmap; the lock file stays open while the
// view is mapped.
#include "platform/SharedMapping.h"
#include "platform/posix/SharedObject.h"

#include <cerrno>

#include <sys/mman.h>
#include <unistd.h>

AttachResult SharedMapping::Attach(const std::string& name, size_t size, SharedCreate create,
                                   SharedAccess access)
{
    Detach();
    SharedObject object;
    AttachResult result = AttachSharedObject(name, size, create, access, {}, object);
    if (result != AttachResult::Attached) {
        m_lastError = object.error;
        return result;
    }
    size_t mapped = size != 0 ? size : object.size;
    void* view =
        mapped == 0 ? MAP_FAILED
                    : ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_SHARED, object.handle, 0);
    if (view == MAP_FAILED) {
        m_lastError = mapped == 0 ? EINVAL : errno;
        CloseSharedObject(object);
        return AttachResult::Failed;
    }
    // The view keeps the object; the descriptor is no longer needed.
    ::close(object.handle);
    m_data = static_cast<uint8_t*>(view);
    m_size = mapped;
    m_lockHandle = object.lockHandle;
    m_created = object.created;
    return AttachResult::Attached;
}

void SharedMapping::Detach()
{
    if (m_data != nullptr)
        ::munmap(m_data, m_size);
    if (m_lockHandle >= 0)
        ::close(m_lockHandle);
    m_data = nullptr;
    m_size = 0;
    m_lockHandle = -1;
    m_created = false;
}
