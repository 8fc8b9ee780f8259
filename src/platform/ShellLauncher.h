// Starting external programs and opening documents. Programs get their
// arguments as a vector and never pass through a shell, so alarm texts in
// arguments cannot inject commands.
#pragma once

#include <cstddef>
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

    // Collects programs that have ended so none stays a zombie; the main
    // window's timer calls it. Returns how many are still running.
    virtual size_t Reap() { return 0; }
};

// The POSIX launcher: posix_spawn for programs, xdg-open for documents.
ShellLauncher& SystemShellLauncher();
