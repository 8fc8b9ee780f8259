// Test helpers of the links tests over plain POSIX calls.
#include "LinksTestSupport.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::atomic<int> g_scopes{0};

} // namespace

ShmScope::ShmScope()
    : m_prefix("wdxt" + std::to_string(::getpid()) + "_" + std::to_string(++g_scopes) + "_")
{
    RemoveAll();
}

ShmScope::~ShmScope()
{
    RemoveAll();
}

std::string ShmScope::PathOf(std::string_view name) const
{
    return "/dev/shm/" + m_prefix + std::string(name);
}

std::string ShmScope::ReadObject(std::string_view name) const
{
    std::ifstream in(PathOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ShmScope::RemoveAll() const
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
        if (entry.path().filename().string().starts_with(m_prefix))
            std::filesystem::remove(entry.path(), error);
    }
}

uint32_t TestWindow(uint32_t k)
{
    // Process ids stay below 2^22.
    return k << 22 | static_cast<uint32_t>(::getpid());
}

bool PumpUntil(SocketPump& pump, const std::function<bool()>& condition, int maxRounds)
{
    for (int round = 0; round < maxRounds; ++round) {
        if (condition())
            return true;
        pump.Run(PumpLoop::Once, PumpWait::Interval);
    }
    return condition();
}

ScriptedSmtpPeer::ScriptedSmtpPeer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 4);
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

ScriptedSmtpPeer::~ScriptedSmtpPeer()
{
    CloseConnection();
    ::close(m_listener);
}

bool ScriptedSmtpPeer::AcceptWhilePumping(SocketPump& pump)
{
    return PumpUntil(pump, [&] {
        if (m_connection < 0)
            m_connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        return m_connection >= 0;
    });
}

void ScriptedSmtpPeer::Send(std::string_view bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN)
            return;
        pollfd writable{m_connection, POLLOUT, 0};
        ::poll(&writable, 1, 100);
    }
}

void ScriptedSmtpPeer::ReadAvailable()
{
    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(m_connection, chunk, sizeof chunk, 0);
        if (n <= 0)
            return;
        m_received.append(chunk, static_cast<size_t>(n));
    }
}

std::string ScriptedSmtpPeer::ReadLine(SocketPump& pump)
{
    std::string line;
    PumpUntil(pump, [&] {
        ReadAvailable();
        size_t end = m_received.find('\n', m_consumed);
        if (end == std::string::npos)
            return false;
        line = m_received.substr(m_consumed, end + 1 - m_consumed);
        m_consumed = end + 1;
        return true;
    });
    return line;
}

bool ScriptedSmtpPeer::ReadUntil(SocketPump& pump, std::string_view tail, std::string& text)
{
    bool found = PumpUntil(pump, [&] {
        ReadAvailable();
        return std::string_view(m_received).substr(m_consumed).ends_with(tail);
    });
    text = m_received.substr(m_consumed);
    m_consumed = m_received.size();
    return found;
}

std::string ScriptedSmtpPeer::TakeAvailable()
{
    ReadAvailable();
    std::string text = m_received.substr(m_consumed);
    m_consumed = m_received.size();
    return text;
}

void ScriptedSmtpPeer::CloseConnection()
{
    if (m_connection >= 0)
        ::close(m_connection);
    m_connection = -1;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    // A child that ended must not take the test with it when it is written to.
    ::signal(SIGPIPE, SIG_IGN);
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    m_input = input[1];
    m_output = output[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        Stop(SIGTERM);
    if (m_input >= 0)
        ::close(m_input);
    if (m_output >= 0)
        ::close(m_output);
}

bool ChildProcess::WaitForLine(const std::function<bool(const std::string&)>& predicate,
                               std::string& line, std::chrono::seconds cap)
{
    auto deadline = std::chrono::steady_clock::now() + cap;
    for (;;) {
        for (; m_matched < m_lines.size(); ++m_matched) {
            if (predicate(m_lines[m_matched])) {
                line = m_lines[m_matched++];
                return true;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (m_output < 0 || left.count() <= 0)
            return false;
        pollfd readable{m_output, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[4096];
        ssize_t n = ::read(m_output, chunk, sizeof chunk);
        if (n <= 0) {
            ::close(m_output);
            m_output = -1;
            continue;
        }
        m_pending.append(chunk, static_cast<size_t>(n));
        for (size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            m_lines.push_back(m_pending.substr(0, end));
            m_pending.erase(0, end + 1);
        }
    }
}

bool ChildProcess::WaitForPrefix(std::string_view prefix, std::string& line)
{
    return WaitForLine([prefix](const std::string& text) { return text.starts_with(prefix); },
                       line);
}

void ChildProcess::Write(std::string_view text)
{
    if (m_input < 0)
        return;
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = ::write(m_input, text.data() + written, text.size() - written);
        if (n <= 0)
            return;
        written += static_cast<size_t>(n);
    }
}

void ChildProcess::CloseInput()
{
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}

int ChildProcess::Stop(int signal)
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, signal);
    return Wait();
}

int ChildProcess::Wait()
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    return status;
}

SmtpServer::SmtpServer(const std::string& directory, const std::vector<std::string>& extra)
    : m_process(WARDEX_DEBIAN_PYTHON, [&] {
          std::vector<std::string> args{WARDEX_SOURCE_DIR "/tests/links/smtp_server.py", "--dir",
                                        directory};
          args.insert(args.end(), extra.begin(), extra.end());
          return args;
      }())
{
    // The script prints the port once its socket accepts connections.
    std::string line;
    if (m_process.WaitForPrefix("port ", line))
        m_port = std::stoi(line.substr(5));
}

std::string LiveViewSimPath()
{
    return WARDEX_LIVEVIEW_SIM;
}
