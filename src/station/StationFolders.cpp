#include "station/StationFolders.h"

#include "platform/InstanceLock.h"

#include <cstdlib>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

std::optional<std::string> Environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

// The account's home from the user database, for a process started
// without HOME (some service managers and cron do that).
std::optional<std::string> AccountHome()
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || *found->pw_dir == '\0')
        return std::nullopt;
    return std::string(found->pw_dir);
}

fs::path UserDataFolder(const FolderSources& sources)
{
    // A relative XDG_DATA_HOME is invalid and is ignored, as the base
    // directory rules ask.
    if (sources.xdgDataHome && fs::path(*sources.xdgDataHome).is_absolute())
        return fs::path(*sources.xdgDataHome) / "Wardex";
    fs::path home = sources.home ? fs::path(*sources.home) : fs::path("/");
    return home / ".local" / "share" / "Wardex";
}

} // namespace

StationFolders ChooseStationFolders(const FolderSources& sources)
{
    StationFolders folders;
    std::error_code error;
    const fs::path& exe = sources.executableFolder;
    if (sources.dataDir && !sources.dataDir->empty())
        // Absolute, because the station changes into it and keeps building
        // paths from it.
        folders.data = fs::absolute(*sources.dataDir, error).lexically_normal();
    else if (IsFolder(exe / "Languages") && access(exe.c_str(), W_OK) == 0)
        folders.data = exe;
    else
        folders.data = fs::absolute(UserDataFolder(sources), error).lexically_normal();

    if (IsFolder(folders.data / "Languages"))
        folders.languages = folders.data / "Languages";
    else if (IsFolder(exe / "Languages"))
        folders.languages = exe / "Languages";
    else
        folders.languages = InstalledLanguagesFolder(exe);
    return folders;
}

FolderSources CurrentFolderSources(const CommandLine& options)
{
    FolderSources sources;
    sources.dataDir = options.Value("datadir");
    sources.executableFolder = ExecutableFolder();
    sources.xdgDataHome = Environment("XDG_DATA_HOME");
    sources.home = Environment("HOME");
    if (!sources.home)
        sources.home = AccountHome();
    return sources;
}

std::filesystem::path InstalledLanguagesFolder(const std::filesystem::path& executableFolder)
{
    // Relative, so that an installation unpacked under another root finds
    // its own files.
    return (executableFolder / WARDEX_INSTALLED_LANGUAGES).lexically_normal();
}
