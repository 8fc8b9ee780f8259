// Who may open a named shared object, and whether attaching may create it.
// Shared by the shared-memory mappings and the named mutexes.
#pragma once

enum class SharedAccess {
    OwnerOnly, // mode 0600
    Everyone,  // mode 0666: any local program may open it
};

enum class SharedCreate { OpenOnly, OpenOrCreate };

// How an attach went: a missing object is no error for channels that only
// read what another program provides.
enum class AttachResult { Attached, Missing, Failed };
