// FileTimes over statx: the birth time when the file system reports one.
#include "platform/FileTimes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class PosixFileTimes final : public FileTimes {
public:
    std::optional<int64_t> CreationTime(const std::filesystem::path& path) override
    {
        struct statx info {};
        if (statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BTIME | STATX_MTIME,
                  &info) != 0)
            return std::nullopt;
        // tmpfs and older file systems leave STATX_BTIME out of the mask.
        if ((info.stx_mask & STATX_BTIME) != 0)
            return info.stx_btime.tv_sec;
        if ((info.stx_mask & STATX_MTIME) != 0)
            return info.stx_mtime.tv_sec;
        return std::nullopt;
    }
};

} // namespace

FileTimes& SystemFileTimes()
{
    static PosixFileTimes times;
    return times;
}
