#include "station/PrivateFiles.h"

#include <array>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::array kPrivateFiles = {
    "programdata.bin", "programdata.bin.tmp",  "AlarmDB.txt", "AlarmDB.journal",
    "db.cache",        "ForwardQueue.journal", "Audit.log"};

bool Tighten(const fs::path& file)
{
    std::error_code error;
    fs::file_status status = fs::symlink_status(file, error);
    if (error || !fs::is_regular_file(status))
        return false;
    constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
    if ((status.permissions() & fs::perms::all & ~kOwnerOnly) == fs::perms::none)
        return false;
    fs::permissions(file, status.permissions() & kOwnerOnly, error);
    return !error;
}

} // namespace

int TightenPrivateFiles(const fs::path& folder)
{
    int changed = 0;
    for (const char* name : kPrivateFiles)
        changed += Tighten(folder / name) ? 1 : 0;
    std::error_code error;
    fs::file_status backups = fs::symlink_status(folder / "Backup", error);
    if (!error && fs::is_directory(backups) &&
        (backups.permissions() & (fs::perms::group_all | fs::perms::others_all)) !=
            fs::perms::none) {
        fs::permissions(folder / "Backup", fs::perms::owner_all, error);
        changed += error ? 0 : 1;
    }
    for (fs::directory_iterator it(folder / "Backup", error), end; !error && it != end;
         it.increment(error))
        changed += Tighten(it->path()) ? 1 : 0;
    return changed;
}
