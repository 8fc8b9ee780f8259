#include "platform/posix/PosixShellLauncher.h"

#include <algorithm>
#include <cerrno>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

} // namespace

PosixShellLauncher::PosixShellLauncher(std::string documentOpener)
    : m_documentOpener(std::move(documentOpener))
{
}

PosixShellLauncher::~PosixShellLauncher()
{
    Reap();
}

size_t PosixShellLauncher::Reap()
{
    std::erase_if(m_children, [](pid_t pid) {
        int status = 0;
        pid_t result = waitpid(pid, &status, WNOHANG);
        return result == pid || (result < 0 && errno == ECHILD);
    });
    return m_children.size();
}

bool PosixShellLauncher::Spawn(const std::string& program, const std::vector<std::string>& argv,
                               const std::string& workingDir)
{
    std::vector<char*> rawArgs;
    rawArgs.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        rawArgs.push_back(const_cast<char*>(arg.c_str()));
    rawArgs.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // Its own session: a Ctrl+C meant for the station does not reach it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    pid_t pid = -1;
    int error = posix_spawnp(&pid, program.c_str(), &actions, &attributes, rawArgs.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    m_children.push_back(pid);
    m_lastChild = pid;
    return true;
}

bool PosixShellLauncher::Open(const std::string& path, const std::vector<std::string>& args,
                              const std::string& workingDir)
{
    Reap();
    if (path.empty())
        return false;
    // A bare name is looked up in PATH, as a desktop shell does.
    bool bareName = path.find('/') == std::string::npos;
    if (bareName || IsExecutableFile(path)) {
        std::vector<std::string> argv{path};
        argv.insert(argv.end(), args.begin(), args.end());
        return Spawn(path, argv, workingDir);
    }
    return Spawn(m_documentOpener, {m_documentOpener, path}, workingDir);
}

ShellLauncher& SystemShellLauncher()
{
    static PosixShellLauncher launcher;
    return launcher;
}
