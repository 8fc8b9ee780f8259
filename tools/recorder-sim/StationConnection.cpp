// Blocking sockets are enough here: the simulator has one thing to do at a
// time, and a station that stops reading should slow it down.
#include "recorder-sim/StationConnection.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

StationConnection::~StationConnection()
{
    Close();
}

StationConnection::StationConnection(StationConnection&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1))
{
}

StationConnection& StationConnection::operator=(StationConnection&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, -1);
    }
    return *this;
}

bool StationConnection::Connect(const std::string& host, int port, const std::string& bindAddress,
                                std::string& error)
{
    Close();
    std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0) {
        error = "cannot resolve " + host + ": " + gai_strerror(status);
        return false;
    }
    sockaddr_in station{};
    std::memcpy(&station, found->ai_addr, sizeof station);
    freeaddrinfo(found);

    m_handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_handle < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return false;
    }
    if (!bindAddress.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (inet_pton(AF_INET, bindAddress.c_str(), &local.sin_addr) != 1) {
            error = "--bind: \"" + bindAddress + "\" is no IPv4 address";
            Close();
            return false;
        }
        if (bind(m_handle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            error = "cannot bind to " + bindAddress + ": " + std::strerror(errno);
            Close();
            return false;
        }
    }
    if (connect(m_handle, reinterpret_cast<sockaddr*>(&station), sizeof station) != 0) {
        error = "cannot connect to " + where + ": " + std::strerror(errno);
        Close();
        return false;
    }
    // Telegrams are small and should leave at once, not wait for more.
    int on = 1;
    setsockopt(m_handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

bool StationConnection::SendAll(std::span<const uint8_t> bytes, std::string& error)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(m_handle, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = std::string("the station closed the connection: ") + std::strerror(errno);
            Close();
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool StationConnection::ReceiveAll(std::span<uint8_t> bytes, std::string& error)
{
    size_t received = 0;
    while (received < bytes.size()) {
        ssize_t n = recv(m_handle, bytes.data() + received, bytes.size() - received, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "the station closed the connection";
            Close();
            return false;
        }
        received += static_cast<size_t>(n);
    }
    return true;
}

void StationConnection::Close()
{
    if (m_handle >= 0)
        close(m_handle);
    m_handle = -1;
}
