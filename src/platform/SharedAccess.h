// Who may open a named shared object, and whether attaching may create it.
// Shared by the shared-memory mappings and the named mutexes.
#pragma once

#include <cstdint>
#include <string>

enum class SharedAccess {
    OwnerOnly, // mode 0600
    Group,     // mode 0660 for the shared group when one is set, else 0600
};

// Opens the objects created with SharedAccess::Group from now on to the
// group `name`, so that a live-view program under another account of that
// group can attach; an empty name makes them private again. False (nothing
// changes) when there is no such group.
bool SetSharedGroup(const std::string& name);

// Whether a local sender, known by the kernel's credentials of its
// process, may talk to this station: its own user, or with a shared group
// set a process of that group or an account listed as its member.
bool IsTrustedLocalUser(uint32_t uid, uint32_t gid);

// The file under /dev/shm of the last shared object this account was
// refused access to (another account's, not opened to a shared group), and
// forgets it; empty when there was none.
std::string TakeRefusedSharedObject();

enum class SharedCreate { OpenOnly, OpenOrCreate };

// How an attach went: a missing object is no error for channels that only
// read what another program provides.
enum class AttachResult { Attached, Missing, Failed };
