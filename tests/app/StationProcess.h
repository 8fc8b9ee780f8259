// One running station program for the end-to-end tests, started without a
// desktop in a given program folder on a free port. Its standard output goes
// to a file, so that a station writing many lines never waits for the test
// to read them.
#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

class StationProcess {
public:
    explicit StationProcess(const std::filesystem::path& folder) : m_folder(folder) {}
    ~StationProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }
    StationProcess(const StationProcess&) = delete;
    StationProcess& operator=(const StationProcess&) = delete;

    // Options beyond /datadir and /port, and variables beyond the usual: one
    // of the same name replaces the usual one, a name without "=" removes it
    // ("QT_QPA_PLATFORM": no platform given, so the station looks for a
    // desktop), and any locale variable replaces "LANG=C".
    bool Start(const std::vector<std::string>& options = {},
               const std::vector<std::string>& environment = {})
    {
        ++s_starts;
        std::string outPath =
            (m_folder / ("station-" + std::to_string(s_starts) + ".out")).string();
        m_errorPath = m_folder / ("station-" + std::to_string(s_starts) + ".err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errorPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args = {WARDEX_STATION_BINARY, "/datadir:" + m_folder.string(),
                                         "/port:0"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<std::string> env = {"HOME=" + m_folder.string(),
                                        "XDG_RUNTIME_DIR=" + m_folder.string(),
                                        "XDG_CONFIG_HOME=" + (m_folder / ".config").string(),
                                        "QT_QPA_PLATFORM=offscreen", "LANG=C"};
        for (const std::string& item : environment) {
            std::string name = item.substr(0, item.find('='));
            bool locale = name == "LANG" || name.starts_with("LC_");
            std::erase_if(env, [&](const std::string& usual) {
                return usual.starts_with(name + "=") || (locale && usual.starts_with("LANG="));
            });
            if (item.find('=') != std::string::npos)
                env.push_back(item);
        }
        std::vector<char*> argv = Pointers(args);
        std::vector<char*> envp = Pointers(env);
        int error =
            posix_spawn(&m_pid, WARDEX_STATION_BINARY, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        m_output.clear();
        if (m_out >= 0)
            close(m_out);
        m_out = error == 0 ? open(outPath.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        return error == 0;
    }

    // Reads the station's output until it names its port, or it ends.
    int WaitForPort()
    {
        const std::string marker = "listening on port ";
        if (!WaitForOutput(marker + "%\n", std::chrono::seconds(60)))
            return -1;
        size_t at = m_output.find(marker) + marker.size();
        return std::stoi(m_output.substr(at, m_output.find('\n', at) - at));
    }

    // Reads output until `text` has appeared `count` times (a trailing "%\n"
    // in text stands for anything up to the end of that line), the station
    // ends, or the time is up.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit, int count = 1)
    {
        bool toLineEnd = text.size() >= 2 && text.ends_with("%\n");
        std::string needle = toLineEnd ? text.substr(0, text.size() - 2) : text;
        for (auto deadline = std::chrono::steady_clock::now() + limit;;) {
            ReadNew();
            if (Count(needle, toLineEnd) >= count)
                return true;
            if (std::chrono::steady_clock::now() >= deadline || HasEnded())
                return Count(needle, toLineEnd) >= count;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // What the station has written so far.
    const std::string& Output()
    {
        ReadNew();
        return m_output;
    }

    // The exit status after an orderly end asked for by SIGTERM.
    int Stop()
    {
        if (m_pid > 0)
            kill(m_pid, SIGTERM);
        return Wait();
    }

    int Wait()
    {
        int status = m_status;
        if (m_pid > 0)
            waitpid(m_pid, &status, 0);
        m_pid = -1;
        ReadNew();
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    bool Running() { return !HasEnded(); }
    // What the station wrote to its standard error in its latest start.
    std::string Errors() const
    {
        std::ifstream in(m_errorPath, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    pid_t Pid() const { return m_pid; }

private:
    static std::vector<char*> Pointers(std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (std::string& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    int Count(const std::string& needle, bool toLineEnd) const
    {
        int found = 0;
        for (size_t at = m_output.find(needle); at != std::string::npos;
             at = m_output.find(needle, at + needle.size())) {
            if (!toLineEnd || m_output.find('\n', at + needle.size()) != std::string::npos)
                ++found;
        }
        return found;
    }

    void ReadNew()
    {
        char buffer[4096];
        for (ssize_t n; m_out >= 0 && (n = read(m_out, buffer, sizeof buffer)) > 0;)
            m_output.append(buffer, static_cast<size_t>(n));
    }

    bool HasEnded()
    {
        if (m_pid <= 0)
            return true;
        if (waitpid(m_pid, &m_status, WNOHANG) != m_pid)
            return false;
        m_pid = -1;
        ReadNew();
        return true;
    }

    std::filesystem::path m_folder;
    std::filesystem::path m_errorPath;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = 0;
    static inline int s_starts = 0;
    std::string m_output;
};
