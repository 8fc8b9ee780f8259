// Files with passwords and alarms that an older version left readable by all
// are closed to others at start-up; other files stay as they are.
#include "station/PrivateFiles.h"

#include "testsupport/TempDir.h"

#include <fstream>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PrivateFilesTest, ConfigurationDatabaseAndBackupsBecomeOwnerOnly)
{
    TempDir dir;
    fs::create_directory(dir.Path() / "Backup");
    fs::permissions(dir.Path() / "Backup", fs::perms::all);
    const fs::path files[] = {dir.Path() / "programdata.bin", dir.Path() / "AlarmDB.txt",
                              dir.Path() / "Backup" / "AlarmDB_2026.txt", dir.Path() / "other.txt"};
    for (const fs::path& file : files) {
        std::ofstream(file) << "x";
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write |
                                  fs::perms::group_read | fs::perms::others_read);
    }
    // The three files and the backup folder.
    EXPECT_EQ(TightenPrivateFiles(dir.Path()), 4);
    EXPECT_EQ(fs::status(dir.Path() / "Backup").permissions() & fs::perms::all,
              fs::perms::owner_all);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(fs::status(files[i]).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << files[i];
    EXPECT_NE(fs::status(files[3]).permissions() & fs::perms::others_read, fs::perms::none);
    EXPECT_EQ(TightenPrivateFiles(dir.Path()), 0);
}
