#include "platform/SystemLog.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

extern char** environ;

namespace {

class Syslog final : public SystemLog {
public:
    void Notice(std::string_view text) override
    {
        if (!m_open) {
            ::openlog("wardex", LOG_PID, LOG_USER);
            m_open = true;
        }
        std::string copy(text);
        ::syslog(LOG_NOTICE, "%s", copy.c_str());
    }

private:
    bool m_open = false;
};

} // namespace

SystemLog& PosixSystemLog()
{
    static Syslog log;
    return log;
}

std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

std::optional<std::string> ReadJournalNotices()
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"journalctl", "-t", "wardex", "-o", "cat", "--no-pager", nullptr};
    pid_t child = -1;
    int spawned = ::posix_spawnp(&child, "journalctl", &actions, nullptr,
                                 const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t got; spawned == 0 && (got = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::close(out[0]);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return text;
}
