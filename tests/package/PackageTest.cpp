// The unpacked Debian package: what it installs and declares, and its
// station started from there by a user with an empty home, keeping its data
// where Linux keeps user data.
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmRecord.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/LoopbackSend.h"
#include "testsupport/TempDir.h"

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kRoot = WARDEX_PACKAGE_ROOT;

enum class Output { Pipe, Journal };

// The installed station, run as a user whose home is `home`; no desktop.
// As a service its output would be the journal, which systemd names in
// JOURNAL_STREAM; a pipe stands in for it.
class InstalledStation {
public:
    explicit InstalledStation(const fs::path& home, Output output = Output::Pipe)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        struct stat pipeStatus {};
        fstat(fds[1], &pipeStatus);
        std::string journal = "JOURNAL_STREAM=" + std::to_string(pipeStatus.st_dev) + ":" +
                              std::to_string(pipeStatus.st_ino);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::string program = (kRoot / "usr/bin/wardex").string();
        std::string homeVar = "HOME=" + home.string();
        const char* argv[] = {program.c_str(), "/port:0", nullptr};
        const char* envp[] = {homeVar.c_str(), "LANG=C",
                              output == Output::Journal ? journal.c_str() : nullptr, nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv),
                        const_cast<char**>(envp)) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        m_out = fds[0];
    }
    ~InstalledStation()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_out);
    }

    // Reads the output until the station names its port; -1 when it ends.
    int WaitForPort()
    {
        const std::string marker = "listening on port ";
        for (auto end = std::chrono::steady_clock::now() + 60s;
             std::chrono::steady_clock::now() < end;) {
            pollfd pfd{m_out, POLLIN, 0};
            if (poll(&pfd, 1, 1000) <= 0)
                continue;
            char buffer[512];
            ssize_t n = read(m_out, buffer, sizeof buffer);
            if (n <= 0)
                return -1;
            m_output.append(buffer, static_cast<size_t>(n));
            size_t at = m_output.find(marker);
            if (at != std::string::npos && m_output.find('\n', at) != std::string::npos)
                return std::stoi(m_output.substr(at + marker.size()));
        }
        return -1;
    }

    // The exit status after SIGTERM.
    int Stop()
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    const std::string& Text() const { return m_output; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_output;
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
    for (const char* depends : {"libqt6widgets6", "libqt6multimedia6", "adduser"})
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
        ASSERT_GT(station.WaitForPort(), 0);
        EXPECT_EQ(station.Stop(), 0);
        // The socket trace ends its lines in "\n\r" ...
        EXPECT_NE(station.Text().find("\n\r"), std::string::npos) << station.Text();
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

    InstalledStation station(home.Path(), Output::Journal);
    int port = station.WaitForPort();
    ASSERT_GT(port, 0);
    // ... but a journal entry would start with the carriage return.
    EXPECT_EQ(station.Text().find('\r'), std::string::npos) << station.Text();
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
