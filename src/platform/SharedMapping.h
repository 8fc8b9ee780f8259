// A named shared-memory mapping that programs on the same machine attach to
// by name, the counterpart of a named file mapping backed by the paging file.
// Only the attached processes keep an object alive: the first one to attach
// while no other holds it rebuilds it, zero-filled.
#pragma once

#include "platform/SharedAccess.h"

#include <cstddef>
#include <cstdint>
#include <string>

class SharedMapping {
public:
    SharedMapping() = default;
    ~SharedMapping() { Detach(); }
    SharedMapping(const SharedMapping&) = delete;
    SharedMapping& operator=(const SharedMapping&) = delete;

    // Maps the object `name` (no leading slash). With OpenOrCreate a missing
    // or stale object is created with `size` zero bytes; an existing object
    // smaller than `size` fails, so no access can run past its end. With
    // OpenOnly and size 0 the whole object is mapped, whatever its size.
    AttachResult Attach(const std::string& name, size_t size, SharedCreate create,
                        SharedAccess access);
    void Detach();

    bool IsAttached() const { return m_data != nullptr; }
    // Whether this attach created the object (and so must lay it out).
    bool WasCreated() const { return m_created; }
    uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    // errno of the last failure.
    int LastError() const { return m_lastError; }

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    int m_lockHandle = -1;
    bool m_created = false;
    int m_lastError = 0;
};
