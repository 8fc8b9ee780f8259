// The attach protocol behind SharedMapping and NamedMutex. POSIX shared
// objects outlive their users, unlike the named objects they stand for, so
// each attached process holds a shared lock on the object's lock file
// "/<name>.lock"; whoever finds nobody else holding it is alone and rebuilds
// the object. Attaching itself is serialised by a second lock on the same
// file, so nobody sees an object that is still being built.
#pragma once

#include "platform/SharedAccess.h"

#include <cstddef>
#include <functional>
#include <string>

struct SharedObject {
    int handle = -1;     // the object's descriptor
    int lockHandle = -1; // the lock file, held shared while attached
    size_t size = 0;     // the object's size
    bool created = false;
    int error = 0; // errno of a failure
};

// Runs on a freshly created object before anyone else can open it.
using SharedObjectInit = std::function<bool(int handle)>;

AttachResult AttachSharedObject(const std::string& name, size_t size, SharedCreate create,
                                SharedAccess access, const SharedObjectInit& init,
                                SharedObject& object);

// Closes the descriptors; the shared lock goes with the lock file's.
void CloseSharedObject(SharedObject& object);
