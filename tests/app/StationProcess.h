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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class StationProcess {
public:
    explicit StationProcess(const std::filesystem::path& folder)
        : m_folder(folder),
          m_shmPrefix("wdxst" + std::to_string(getpid()) + "_" + std::to_string(++s_objects) + "_")
    {
    }
    ~StationProcess()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
        // The station's shared-memory objects outlive it.
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
            if (entry.path().filename().string().starts_with(m_shmPrefix))
                std::filesystem::remove(entry.path(), error);
        }
    }
    StationProcess(const StationProcess&) = delete;
    StationProcess& operator=(const StationProcess&) = delete;

    // Options beyond the usual /datadir and /port:0, and variables beyond the
    // usual: one of the same name replaces the usual one, a name alone removes
    // it ("/datadir": the station's own data folder; "QT_QPA_PLATFORM": no
    // platform given, so the station looks for a desktop), and any locale
    // variable replaces "LANG=C".
    bool Start(const std::vector<std::string>& options = {},
               const std::vector<std::string>& environment = {})
    {
        ++s_starts;
        std::string outPath =
            (m_folder / ("station-" + std::to_string(s_starts) + ".out")).string();
        m_errorPath = m_folder / ("station-" + std::to_string(s_starts) + ".err");
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errorPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args = {"/datadir:" + m_folder.string(), "/port:0",
                                         "/shmprefix:" + m_shmPrefix};
        Replace(args, options, ':', false);
        for (const std::string& arg : args) {
            if (arg.starts_with("/shmprefix:") && arg.size() > 11)
                m_shmPrefix = arg.substr(11);
        }
        args.insert(args.begin(), WARDEX_STATION_BINARY);
        std::vector<std::string> env = {"HOME=" + m_folder.string(),
                                        "XDG_RUNTIME_DIR=" + m_folder.string(),
                                        "XDG_CONFIG_HOME=" + (m_folder / ".config").string(),
                                        "QT_QPA_PLATFORM=offscreen", "LANG=C"};
        Replace(env, environment, '=', true);
        struct stat outStatus {};
        if (m_journal && fstat(out, &outStatus) == 0)
            env.push_back("JOURNAL_STREAM=" + std::to_string(outStatus.st_dev) + ":" +
                          std::to_string(outStatus.st_ino));
        std::vector<char*> argv = Pointers(args);
        std::vector<char*> envp = Pointers(env);
        int error =
            posix_spawn(&m_pid, WARDEX_STATION_BINARY, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (out >= 0)
            close(out);
        m_output.clear();
        if (m_out >= 0)
            close(m_out);
        m_out = error == 0 ? open(outPath.c_str(), O_RDONLY | O_CLOEXEC) : -1;
        return error == 0;
    }

    // Its output stands for the journal of a service: JOURNAL_STREAM names it.
    void OutputAsJournal() { m_journal = true; }

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

    int Kill()
    {
        if (m_pid > 0)
            kill(m_pid, SIGKILL);
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

    // The latest complete line of output that holds `text`, or "".
    std::string LineWith(const std::string& text)
    {
        ReadNew();
        size_t at = m_output.rfind(text);
        while (at != std::string::npos && m_output.find('\n', at) == std::string::npos)
            at = at == 0 ? std::string::npos : m_output.rfind(text, at - 1);
        if (at == std::string::npos)
            return {};
        size_t begin = m_output.rfind('\n', at);
        begin = begin == std::string::npos ? 0 : begin + 1;
        return m_output.substr(begin, m_output.find('\n', at) - begin);
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

    // Items named like a usual one (the part before `separator`) replace it;
    // a name alone only removes it. Any locale variable replaces "LANG".
    static void Replace(std::vector<std::string>& usual, const std::vector<std::string>& items,
                        char separator, bool variables)
    {
        for (const std::string& item : items) {
            std::string name = item.substr(0, item.find(separator));
            bool locale = variables && (name == "LANG" || name.starts_with("LC_"));
            size_t removed = std::erase_if(usual, [&](const std::string& old) {
                return old.starts_with(name + separator) || (locale && old.starts_with("LANG="));
            });
            // A variable is always NAME=value; an option may be a bare switch.
            if (item.find(separator) != std::string::npos || (!variables && removed == 0))
                usual.push_back(item);
        }
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
    std::string m_shmPrefix;
    std::filesystem::path m_errorPath;
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = 0;
    bool m_journal = false;
    static inline int s_starts = 0;
    static inline int s_objects = 0;
    std::string m_output;
};
