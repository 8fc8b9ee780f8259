// The unpacked Debian package: what it installs and declares, and its
// station started from there by a user with an empty home, keeping its data
// where Linux keeps user data.
#include "StationProcess.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kRoot = WARDEX_PACKAGE_ROOT;

// The installed station, run as a user whose home is `home` and with nothing
// but HOME and LANG set; no desktop.
class InstalledStation : public StationProcess {
public:
    explicit InstalledStation(const fs::path& home) : StationProcess(home) {}

    bool Start()
    {
        return StationProcess::Start({"/datadir"},
                                     {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "QT_QPA_PLATFORM"});
    }
};

} // namespace

TEST(PackageTest, InstallsTheProgramsAndTheirDesktopFiles)
{
    for (const char* path :
         {"usr/bin/wardex", "usr/bin/recorder-sim", "usr/bin/liveview-sim",
          "usr/share/wardex/Languages/English.txt", "usr/share/wardex/Languages/German.txt",
          "usr/share/applications/de.tessaro.Wardex.desktop",
          "usr/share/metainfo/de.tessaro.Wardex.metainfo.xml",
          "usr/share/icons/hicolor/scalable/apps/de.tessaro.Wardex.svg",
          "usr/share/icons/hicolor/48x48/apps/de.tessaro.Wardex.png",
          "usr/share/icons/hicolor/256x256/apps/de.tessaro.Wardex.png",
          "usr/share/man/man1/wardex.1.gz", "usr/share/man/man1/recorder-sim.1.gz",
          "usr/share/man/man1/liveview-sim.1.gz", "usr/lib/systemd/system/wardex.service",
          "usr/lib/systemd/system/wardex-relay@.service"})
        EXPECT_TRUE(fs::is_regular_file(kRoot / path)) << path;

    // Qt comes from the system, found by dpkg-shlibdeps; the maintainer
    // scripts create the service's user with adduser.
    std::string control = ReadFileBytes(kRoot.parent_path() / "control");
    for (const char* depends :
         {"libqt6widgets6", "libqt6multimedia6", "adduser", "qt6-translations-l10n"})
        EXPECT_NE(control.find(depends), std::string::npos) << depends << " in\n" << control;
    EXPECT_NE(ReadFileBytes(kRoot.parent_path() / "DEBIAN/postinst").find("adduser"),
              std::string::npos);
    for (const char* script : {"prerm", "postrm"})
        EXPECT_TRUE(fs::is_regular_file(kRoot.parent_path() / "DEBIAN" / script)) << script;
}

TEST(PackageTest, InstalledStationKeepsItsDataInTheUsersDataFolder)
{
    TempDir home;
    fs::path data = home.Path() / ".local/share/Wardex";
    {
        InstalledStation station(home.Path());
        ASSERT_TRUE(station.Start());
        ASSERT_GT(station.WaitForPort(), 0);
        EXPECT_EQ(station.Stop(), 0);
        // The socket trace ends its lines in "\n\r" ...
        EXPECT_NE(station.Output().find("\n\r"), std::string::npos) << station.Output();
    }
    // Telegrams are taken only from recorders in the list.
    FakePrompt prompt;
    ConfigTree tree;
    ASSERT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
    ASSERT_TRUE(tree.LoadImage((data / "programdata.bin").string()));
    tree.TopFolder("Program")
        ->Child("RecorderList")
        ->NewEntry(0)
        ->Child("IP")
        ->SetString("127.0.0.1");
    ASSERT_EQ(tree.SaveImage((data / "programdata.bin").string()), 0);

    // As a service its output would be the journal, which systemd names in
    // JOURNAL_STREAM.
    InstalledStation station(home.Path());
    station.OutputAsJournal();
    ASSERT_TRUE(station.Start());
    int port = station.WaitForPort();
    ASSERT_GT(port, 0);
    // ... but a journal entry would start with the carriage return.
    EXPECT_EQ(station.Output().find('\r'), std::string::npos) << station.Output();
    TelegramFields fields;
    fields.typeCode = 10001;
    ASSERT_TRUE(SendToLoopback(port, EncodeTelegram(fields)));
    fs::path database = data / "AlarmDB.txt";
    for (int i = 0; i < 600 && fs::file_size(database) < AlarmRecord::kRecordBytes; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(station.Stop(), 0);
    EXPECT_EQ(fs::file_size(database), AlarmRecord::kRecordBytes);
    EXPECT_FALSE(fs::exists(kRoot / "usr/bin/AlarmDB.txt"));
    EXPECT_FALSE(fs::exists(data / "Languages"));
}
