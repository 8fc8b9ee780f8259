// For the fuzz targets of the shared-memory channels: the bytes another
// program could leave in a channel's mapping, written over it as that
// program would, under a name prefix of this process that is removed at
// exit.
#pragma once

#include "FuzzScratch.h"
#include "platform/SharedMapping.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

inline const std::string& FuzzPrefix()
{
    // Kept in a plain array as well: the string is gone by the time the
    // clean-up at exit runs.
    static char kept[64];
    static const std::string prefix = [] {
        SweepDeadFuzzLeftovers();
        std::string name = "wdxfuzz" + std::to_string(::getpid()) + "_";
        name.copy(kept, sizeof kept - 1);
        std::atexit([] {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
                if (entry.path().filename().string().starts_with(kept))
                    std::filesystem::remove(entry.path(), error);
            }
        });
        return name;
    }();
    return prefix;
}

// Overwrites the start of the mapping `name` with the input; the rest of
// the mapping is zeroed. False when it is not there.
inline bool OverwriteMapping(const std::string& name, size_t size, const uint8_t* data,
                             size_t length)
{
    SharedMapping other;
    if (other.Attach(FuzzPrefix() + name, size, SharedCreate::OpenOnly, SharedAccess::Group) !=
        AttachResult::Attached)
        return false;
    std::memset(other.Data(), 0, size);
    if (length > 0)
        std::memcpy(other.Data(), data, std::min(length, size));
    return true;
}
