// ShellLauncher over posix_spawn. Children run in a session of their own;
// finished ones are reaped at every tick of the main window.
#pragma once

#include "platform/ShellLauncher.h"

#include <sys/types.h>

class PosixShellLauncher final : public ShellLauncher {
public:
    explicit PosixShellLauncher(std::string documentOpener = "xdg-open");
    ~PosixShellLauncher() override;

    bool Open(const std::string& path, const std::vector<std::string>& args,
              const std::string& workingDir) override;

    // Reaps children that have ended; returns how many are still running.
    size_t Reap() override;

    // The process id of the last child started, for tests.
    pid_t LastChild() const { return m_lastChild; }

private:
    bool Spawn(const std::string& program, const std::vector<std::string>& argv,
               const std::string& workingDir);

    std::string m_documentOpener;
    std::vector<pid_t> m_children;
    pid_t m_lastChild = -1;
};
