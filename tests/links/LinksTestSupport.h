// Helpers for the links tests: shared-object names private to one test,
// window handles no real program uses, pumping until a condition holds, a
// scripted SMTP peer, and child processes (the SMTP server, liveview-sim)
// whose output lines a test waits for.
#pragma once

#include "net/SocketPump.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

// A prefix for shared-object names that no other test, test process or
// program uses; every object with it is removed when the scope ends.
class ShmScope {
public:
    ShmScope();
    ~ShmScope();
    ShmScope(const ShmScope&) = delete;
    ShmScope& operator=(const ShmScope&) = delete;

    const std::string& Prefix() const { return m_prefix; }
    // The object's file under /dev/shm.
    std::string PathOf(std::string_view name) const;
    std::string ReadObject(std::string_view name) const;
    void RemoveAll() const;

private:
    std::string m_prefix;
};

// A window handle unique to this process and to k (1 to 500), never a real
// process id.
uint32_t TestWindow(uint32_t k);

// Single pump rounds until the condition holds; the cap only keeps a broken
// test from hanging.
bool PumpUntil(SocketPump& pump, const std::function<bool()>& condition, int maxRounds = 3000);

// The test's side of an SMTP connection: listens on a free loopback port,
// accepts the client and plays the server.
class ScriptedSmtpPeer {
public:
    ScriptedSmtpPeer();
    ~ScriptedSmtpPeer();
    ScriptedSmtpPeer(const ScriptedSmtpPeer&) = delete;
    ScriptedSmtpPeer& operator=(const ScriptedSmtpPeer&) = delete;

    int Port() const { return m_port; }
    // Pumps until the client's connection has been accepted.
    bool AcceptWhilePumping(SocketPump& pump);
    bool HasConnection() const { return m_connection >= 0; }
    void Send(std::string_view bytes);
    // Pumps until the client has sent a line ending in LF; returns it (with
    // its CR LF), or "" when none came.
    std::string ReadLine(SocketPump& pump);
    // Pumps until the received text ends with the given tail.
    bool ReadUntil(SocketPump& pump, std::string_view tail, std::string& text);
    // What arrived since the last read, without waiting.
    std::string TakeAvailable();
    // Everything received so far.
    const std::string& Received() const { return m_received; }
    void CloseConnection();

private:
    void ReadAvailable();

    int m_listener = -1;
    int m_connection = -1;
    int m_port = 0;
    std::string m_received;
    size_t m_consumed = 0;
};

// A child process with its standard input and output on pipes.
class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool IsRunning() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // The next output line (without its LF) that satisfies the predicate;
    // lines before it are kept in Lines(). False at the end of the output or
    // after the cap, which only keeps a broken test from hanging.
    bool WaitForLine(const std::function<bool(const std::string&)>& predicate, std::string& line,
                     std::chrono::seconds cap = std::chrono::seconds(30));
    bool WaitForPrefix(std::string_view prefix, std::string& line);
    void Write(std::string_view text);
    void CloseInput();
    // Every line read so far.
    const std::vector<std::string>& Lines() const { return m_lines; }
    // Ends the child with the signal and reaps it; returns its wait status.
    int Stop(int signal);
    // Waits for the child to end by itself.
    int Wait();

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
    size_t m_matched = 0;
};

// The aiosmtpd server of tests/links/smtp_server.py on a free loopback port.
class SmtpServer {
public:
    // extra: further options of the script (--auth, --close-after).
    SmtpServer(const std::string& directory, const std::vector<std::string>& extra = {});
    bool IsReady() const { return m_port > 0; }
    int Port() const { return m_port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    ChildProcess m_process;
    int m_port = 0;
};

std::string LiveViewSimPath();
