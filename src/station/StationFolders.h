// Where a station keeps its files (configuration, database, backups, the
// lock) and where its translation files come from. A portable folder or the
// build tree keeps everything beside the program; an installed program under
// /usr cannot write there, so its data goes where Linux keeps user data.
#pragma once

#include "station/CommandLine.h"

#include <filesystem>
#include <optional>
#include <string>

struct StationFolders {
    std::filesystem::path data;      // absolute; becomes the current directory
    std::filesystem::path languages; // absolute
};

// What the choice depends on, so that every case can be given directly.
struct FolderSources {
    std::optional<std::string> dataDir; // the option /datadir:PATH
    std::filesystem::path executableFolder;
    std::optional<std::string> xdgDataHome;
    std::optional<std::string> home;
};

// The data folder: /datadir when given; else the executable's folder when
// "Languages" stands beside it and it is writable; else
// $XDG_DATA_HOME/Wardex (~/.local/share/Wardex). The translation files: the
// data folder's "Languages", else the one beside the executable, else the
// installed share folder.
StationFolders ChooseStationFolders(const FolderSources& sources);

// The sources of this process: its options, executable and environment.
FolderSources CurrentFolderSources(const CommandLine& options);

// The installed share folder's "Languages", relative to the executable's.
std::filesystem::path InstalledLanguagesFolder(const std::filesystem::path& executableFolder);
