// What fuzz targets leave in the file system: one folder per process on
// tmpfs ("/dev/shm/wdxfuzz-<pid>", the temporary folder where there is no
// tmpfs), removed at exit. A process that crashed or was killed on a
// time-out cannot clean up; what processes no longer running left under
// "wdxfuzz" is removed when the next target starts.
#pragma once

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <signal.h>
#include <unistd.h>

inline std::filesystem::path FuzzScratchBase()
{
    std::error_code error;
    return std::filesystem::is_directory("/dev/shm", error)
               ? std::filesystem::path("/dev/shm")
               : std::filesystem::temp_directory_path();
}

inline void SweepDeadFuzzLeftovers()
{
    std::error_code error;
    for (const auto& base : {FuzzScratchBase(), std::filesystem::temp_directory_path()}) {
        for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
            std::string name = entry.path().filename().string();
            std::string_view rest(name);
            if (!rest.starts_with("wdxfuzz"))
                continue;
            rest.remove_prefix(7);
            if (rest.starts_with('-'))
                rest.remove_prefix(1);
            int pid = 0;
            if (std::from_chars(rest.data(), rest.data() + rest.size(), pid).ec != std::errc() ||
                pid <= 0 || pid == ::getpid())
                continue;
            if (::kill(pid, 0) != 0 && errno == ESRCH)
                std::filesystem::remove_all(entry.path(), error);
        }
    }
}

inline const std::filesystem::path& FuzzScratch()
{
    // Kept in a plain array as well: the path is gone by the time the
    // clean-up at exit runs.
    static char kept[256];
    static const std::filesystem::path folder = [] {
        SweepDeadFuzzLeftovers();
        std::filesystem::path made = FuzzScratchBase() / ("wdxfuzz-" + std::to_string(::getpid()));
        std::error_code error;
        std::filesystem::create_directories(made, error);
        if (error)
            std::abort();
        made.string().copy(kept, sizeof kept - 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(kept, ignored);
        });
        return made;
    }();
    return folder;
}
