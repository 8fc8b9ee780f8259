// Starting external programs and opening documents. Programs get their
// arguments as a vector and never pass through a shell, so alarm texts in
// arguments cannot inject commands.
#pragma once

#include <string>
#include <vector>

class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;

    // An executable file is started directly with `args` in `workingDir`
    // (empty: the current folder), detached from the station. Any other
    // file is handed to the desktop's opener. False when nothing could be
    // started.
    virtual bool Open(const std::string& path, const std::vector<std::string>& args,
                      const std::string& workingDir) = 0;
};

// The POSIX launcher: posix_spawn for programs, xdg-open for documents.
ShellLauncher& SystemShellLauncher();
