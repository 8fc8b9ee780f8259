// Loopback peers, listeners, sinks and pumping helpers for the network tests.
#include "NetTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(int port, const char* address = "127.0.0.1")
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

void MakeNonBlocking(int handle)
{
    fcntl(handle, F_SETFL, fcntl(handle, F_GETFL, 0) | O_NONBLOCK);
}

} // namespace

bool PumpUntil(SocketPump& pump, const std::function<bool()>& condition, int maxRounds)
{
    for (int round = 0; round < maxRounds; ++round) {
        if (condition())
            return true;
        pump.Run(PumpLoop::Once, PumpWait::Interval);
    }
    return condition();
}

bool PumpBothUntil(SocketPump& first, SocketPump& second, const std::function<bool()>& condition,
                   int maxRounds)
{
    for (int round = 0; round < maxRounds; ++round) {
        if (condition())
            return true;
        first.Run(PumpLoop::Once, PumpWait::Poll);
        second.Run(PumpLoop::Once, PumpWait::Interval);
    }
    return condition();
}

std::vector<uint8_t> MakeTelegram(uint16_t typeCode, std::string_view payload, uint16_t kind)
{
    TelegramHeader header;
    header.kind = kind;
    header.typeCode = typeCode;
    header.value = 0x01020304;
    return header.Encode(Bytes(payload));
}

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

std::vector<uint8_t> Join(std::initializer_list<std::span<const uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (std::span<const uint8_t> part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

LoopbackPeer::LoopbackPeer(int port, const char* localAddress)
{
    m_handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_handle < 0)
        throw std::runtime_error("socket failed");
    if (localAddress != nullptr) {
        sockaddr_in local = Loopback(0, localAddress);
        if (::bind(m_handle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            throw std::runtime_error("bind failed");
    }
    sockaddr_in remote = Loopback(port);
    if (::connect(m_handle, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0)
        throw std::runtime_error("connect failed");
    MakeNonBlocking(m_handle);
}

LoopbackPeer LoopbackPeer::Adopt(int handle)
{
    LoopbackPeer peer;
    peer.m_handle = handle;
    MakeNonBlocking(handle);
    return peer;
}

LoopbackPeer::~LoopbackPeer()
{
    Close();
}

LoopbackPeer::LoopbackPeer(LoopbackPeer&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_received(std::move(other.m_received)),
      m_sawEnd(other.m_sawEnd)
{
}

void LoopbackPeer::Send(std::span<const uint8_t> bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(m_handle, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_handle, POLLOUT, 0};
            ::poll(&p, 1, 1000);
            continue;
        }
        throw std::runtime_error("send failed");
    }
}

size_t LoopbackPeer::TrySend(std::span<const uint8_t> bytes)
{
    ssize_t n = ::send(m_handle, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;
    if (n < 0)
        throw std::runtime_error("send failed");
    return static_cast<size_t>(n);
}

void LoopbackPeer::ReadAvailable()
{
    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(m_handle, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_received.append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_sawEnd = true;
        return;
    }
}

std::string LoopbackPeer::TakeReceived()
{
    return std::exchange(m_received, {});
}

void LoopbackPeer::Close()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

RawListener::RawListener()
{
    m_handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address = Loopback(0);
    if (m_handle < 0 || ::bind(m_handle, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(m_handle, SOMAXCONN) != 0)
        throw std::runtime_error("listen failed");
    socklen_t length = sizeof address;
    ::getsockname(m_handle, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

RawListener::~RawListener()
{
    ::close(m_handle);
}

int RawListener::TryAccept()
{
    return ::accept4(m_handle, nullptr, nullptr, SOCK_CLOEXEC);
}

int UnusedPort()
{
    int handle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(handle);
    return ntohs(address.sin_port);
}

TelegramOutcome RecordingSink::DecodeTelegram(std::span<const uint8_t> telegram,
                                              std::string_view originIp)
{
    delivered.push_back({{telegram.begin(), telegram.end()}, std::string(originIp)});
    if (onDecode)
        onDecode();
    size_t index = delivered.size() - 1;
    return index < outcomes.size() ? outcomes[index] : TelegramOutcome::Decoded;
}

int RecordingObserver::Count(std::string_view event) const
{
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

long RaiseOpenFileLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
    return static_cast<long>(limit.rlim_cur);
}
