// TcpSocket over POSIX sockets: non-blocking mode, MSG_NOSIGNAL sends and
// errno as the last error.
#include "net/TcpSocket.h"

#include "net/SocketPump.h"

#include <cerrno>
#include <climits>
#include <cstdio>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool IsWouldBlock(int error)
{
    // EINTR is retried by the next round like a read that found nothing.
    return error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS || error == EINTR;
}

bool ResolveIpv4(const std::string& host, in_addr& address)
{
    if (inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

} // namespace

TcpSocket::~TcpSocket()
{
    ReleaseHandle();
    if (m_owner != nullptr)
        m_owner->Unregister(this);
}

bool TcpSocket::HasPendingOutput() const
{
    return m_output.Length() > 0;
}

void TcpSocket::OnAccept() {}

void TcpSocket::OnReceive() {}

void TcpSocket::OnSendReady()
{
    if (HasPendingOutput())
        Send();
}

void TcpSocket::OnConnect() {}

void TcpSocket::OnError(int code)
{
    m_lastError = code;
    Close(CloseMode::Force);
}

void TcpSocket::OnClose(int code)
{
    m_lastError = code;
    Close(CloseMode::Force);
}

bool TcpSocket::WantsRead() const
{
    return true;
}

void TcpSocket::AfterEvents()
{
    if (m_state == SocketState::ClosePending)
        Close(CloseMode::Graceful);
}

bool TcpSocket::Create()
{
    ReleaseHandle();
    m_output.Clear();
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        m_lastError = errno;
        return false;
    }
    m_handle = handle;
    m_state = SocketState::Closed;
    return true;
}

bool TcpSocket::ConnectTo(const std::string& host, int port, Blocking blocking)
{
    if (!IsOpen() || port < 0 || port > 65535)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (!ResolveIpv4(host, address.sin_addr))
        return false;
    if (blocking == Blocking::No && !SwitchToNonBlocking()) {
        m_lastError = errno;
        Close(CloseMode::Graceful);
        return false;
    }
    if (::connect(m_handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        int error = errno;
        if (!IsWouldBlock(error)) {
            m_lastError = error;
            return false;
        }
        m_lastError = 0;
    }
    m_state = SocketState::ConnectPending;
    return true;
}

bool TcpSocket::Listen(int port, const std::string& host)
{
    if (!IsOpen() || port < 0 || port > 65535)
        return false;
    int yes = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!host.empty() && ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        m_lastError = EINVAL;
        return false;
    }
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::setsockopt(m_handle, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(m_handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_handle, SOMAXCONN) != 0 || !SwitchToNonBlocking()) {
        m_lastError = errno;
        Close(CloseMode::Graceful);
        return false;
    }
    m_state = SocketState::Listening;
    return true;
}

int TcpSocket::Accept(TcpSocket* target)
{
    int handle = ::accept4(m_handle, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle < 0)
        return kNoHandle;
    if (target != nullptr)
        target->AttachAccepted(handle);
    return handle;
}

bool TcpSocket::AttachAccepted(int handle)
{
    ReleaseHandle();
    m_output.Clear();
    m_handle = handle;
    if (!SwitchToNonBlocking()) {
        m_lastError = errno;
        Close(CloseMode::Graceful);
        return false;
    }
    m_state = SocketState::ConnectPending;
    return true;
}

bool TcpSocket::EnableKeepAlive(int idleSeconds, int intervalSeconds, int count)
{
    int yes = 1;
    return IsOpen() && ::setsockopt(m_handle, SOL_SOCKET, SO_KEEPALIVE, &yes, sizeof yes) == 0 &&
           ::setsockopt(m_handle, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds) ==
               0 &&
           ::setsockopt(m_handle, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds,
                        sizeof intervalSeconds) == 0 &&
           ::setsockopt(m_handle, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count) == 0;
}

int TcpSocket::Receive(uint8_t* buffer, size_t size)
{
    // A zero-byte read would look like the peer's close.
    if (size == 0)
        return 0;
    if (size > INT_MAX)
        size = INT_MAX;
    ssize_t received = ::recv(m_handle, buffer, size, 0);
    if (received > 0)
        return static_cast<int>(received);
    if (received == 0) {
        OnClose(kPeerClosed);
        return -1;
    }
    int error = errno;
    if (IsWouldBlock(error))
        return 0;
    OnClose(error);
    return -1;
}

bool TcpSocket::Queue(const uint8_t* bytes, size_t n)
{
    if (!IsOpen())
        return false;
    return m_output.Append(bytes, n) >= 0;
}

int64_t TcpSocket::Send()
{
    if (m_output.IsEmpty())
        return 0;
    ssize_t sent = ::send(m_handle, m_output.Data(), m_output.Length(), MSG_NOSIGNAL);
    if (sent < 0) {
        int error = errno;
        if (IsWouldBlock(error))
            return 0;
        OnClose(error);
        return -1;
    }
    m_output.Consume(sent);
    return sent;
}

int64_t TcpSocket::SendData(const uint8_t* bytes, size_t n)
{
    if (!Queue(bytes, n))
        return -1;
    return Send();
}

void TcpSocket::Close(CloseMode mode)
{
    if (mode == CloseMode::Force) {
        m_output.Clear();
        ReleaseHandle();
        return;
    }
    if (m_state == SocketState::None)
        return;
    if ((m_state == SocketState::Connected || m_state == SocketState::ClosePending) &&
        HasPendingOutput()) {
        m_state = SocketState::ClosePending;
        return;
    }
    ReleaseHandle();
}

bool TcpSocket::PeerAddress(std::array<int, 4>& address) const
{
    address = {0, 0, 0, 0};
    if (!IsOpen())
        return false;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(m_handle, reinterpret_cast<sockaddr*>(&peer), &length) != 0 ||
        peer.sin_family != AF_INET)
        return false;
    uint32_t value = ntohl(peer.sin_addr.s_addr);
    address = {static_cast<int>(value >> 24), static_cast<int>((value >> 16) & 0xff),
               static_cast<int>((value >> 8) & 0xff), static_cast<int>(value & 0xff)};
    return true;
}

std::string TcpSocket::PeerAddressText() const
{
    std::array<int, 4> address{};
    PeerAddress(address);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
    return text;
}

int TcpSocket::BytesAvailable() const
{
    int count = 0;
    if (!IsOpen() || ::ioctl(m_handle, FIONREAD, &count) != 0)
        return -1;
    return count;
}

int TcpSocket::LocalPort() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (!IsOpen() || ::getsockname(m_handle, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return -1;
    return ntohs(local.sin_port);
}

void TcpSocket::ReleaseHandle()
{
    if (m_slot.watcher != nullptr)
        m_slot.watcher->Unwatch(*this);
    if (m_handle != kNoHandle) {
        ::close(m_handle);
        m_closedHandle = m_handle;
    }
    m_handle = kNoHandle;
    m_state = SocketState::Closed;
}

bool TcpSocket::SwitchToNonBlocking()
{
    int flags = ::fcntl(m_handle, F_GETFL, 0);
    return flags >= 0 && ::fcntl(m_handle, F_SETFL, flags | O_NONBLOCK) == 0;
}

int TcpSocket::PendingSocketError() const
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_handle, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return errno;
    return error;
}

std::optional<short> TcpSocket::WantedEvents() const
{
    if (m_handle == kNoHandle)
        return std::nullopt;
    switch (m_state) {
    case SocketState::Connected: {
        short events = 0;
        if (HasPendingOutput())
            events |= POLLOUT;
        if (WantsRead())
            events |= POLLIN;
        return events;
    }
    case SocketState::Listening:
        // A listener out of descriptors waits for one to free instead
        // of being woken by the same pending connection every round.
        return WantsRead() ? short{POLLIN} : short{0};
    case SocketState::ConnectPending:
    case SocketState::ClosePending:
        return short{POLLOUT};
    case SocketState::None:
    case SocketState::Closed:
        // An unconnected socket reads as hung up: never in the set.
        break;
    }
    return std::nullopt;
}

void TcpSocket::Serve(short readiness)
{
    if ((readiness & (POLLERR | POLLNVAL)) != 0) {
        OnClose(PendingSocketError());
        AfterEvents();
        return;
    }
    // A hang-up without an error reads as readable: the read then sees the
    // end of the stream and reports the peer's close.
    if ((readiness & (POLLIN | POLLHUP)) != 0) {
        if (m_state == SocketState::Listening)
            OnAccept();
        else
            OnReceive();
    }
    if ((readiness & POLLOUT) != 0) {
        if (m_state == SocketState::ConnectPending) {
            m_state = SocketState::Connected;
            OnConnect();
        } else {
            OnSendReady();
        }
    }
    AfterEvents();
}
