// Which folder a station keeps its files in and where its translations come
// from: the option, a portable folder, the user's data folder, the installed
// share folder.
#include "station/StationFolders.h"

#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// Folders are named relative to a temporary root; "" means not given.
struct FolderCase {
    const char* name;
    const char* dataDir;
    bool languagesBesideProgram;
    const char* xdgDataHome;
    const char* existingLanguages; // a "Languages" folder made before the choice
    const char* expectedData;
    const char* expectedLanguages;
};

const FolderCase kCases[] = {
    {"OptionWins", "given", true, "xdg", "given/Languages", "given", "given/Languages"},
    {"OptionWithoutLanguagesUsesTheProgramOnes", "given", true, "", "", "given", "bin/Languages"},
    {"PortableFolder", "", true, "xdg", "", "bin", "bin/Languages"},
    {"InstalledUsesXdgDataHome", "", false, "xdg", "", "xdg/Wardex", "share/wardex/Languages"},
    {"InstalledWithoutXdgUsesHome", "", false, "", "", "home/.local/share/Wardex",
     "share/wardex/Languages"},
    {"UserCopyOfLanguagesWins", "", false, "", "home/.local/share/Wardex/Languages",
     "home/.local/share/Wardex", "home/.local/share/Wardex/Languages"},
};

void PrintTo(const FolderCase& c, std::ostream* out)
{
    *out << c.name;
}

class StationFoldersTest : public ::testing::TestWithParam<FolderCase> {};

} // namespace

TEST_P(StationFoldersTest, ChoosesDataAndLanguages)
{
    const FolderCase& c = GetParam();
    TempDir dir;
    fs::path root = dir.Path();
    fs::create_directories(root / "bin");
    if (c.languagesBesideProgram)
        fs::create_directories(root / "bin" / "Languages");
    if (*c.existingLanguages != '\0')
        fs::create_directories(root / c.existingLanguages);

    FolderSources sources;
    if (*c.dataDir != '\0')
        sources.dataDir = (root / c.dataDir).string();
    sources.executableFolder = root / "bin";
    if (*c.xdgDataHome != '\0')
        sources.xdgDataHome = (root / c.xdgDataHome).string();
    sources.home = (root / "home").string();

    StationFolders folders = ChooseStationFolders(sources);
    EXPECT_EQ(folders.data, root / c.expectedData);
    EXPECT_EQ(folders.languages, root / c.expectedLanguages);
}

INSTANTIATE_TEST_SUITE_P(Cases, StationFoldersTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StationFoldersPathTest, RelativeOptionAndRelativeXdgBecomeAbsolute)
{
    TempDir dir;
    fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    FolderSources sources;
    sources.executableFolder = dir.Path() / "bin";
    sources.dataDir = "data";
    EXPECT_EQ(ChooseStationFolders(sources).data, dir.Path() / "data");

    // A relative XDG_DATA_HOME is not valid and falls back to the home.
    sources.dataDir.reset();
    sources.xdgDataHome = "relative";
    sources.home = "/h";
    EXPECT_EQ(ChooseStationFolders(sources).data, fs::path("/h/.local/share/Wardex"));
    fs::current_path(previous);
}
