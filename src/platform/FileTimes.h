// File creation times, which decide which backup file is the oldest. Linux
// records a birth time only on some file systems; without one the
// modification time stands in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

class FileTimes {
public:
    virtual ~FileTimes() = default;

    // Whole seconds since 1970-01-01 00:00 UTC, or nothing when the file
    // cannot be examined.
    virtual std::optional<int64_t> CreationTime(const std::filesystem::path& path) = 0;
};

// statx birth time where the file system has it, else the modification time.
FileTimes& SystemFileTimes();
