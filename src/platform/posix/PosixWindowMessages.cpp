// Window messages as datagrams on abstract Unix sockets: nothing appears in
// the file system, and a socket vanishes with the process that bound it, so
// a handle nobody binds is a window that no longer exists.
#include "platform/SharedAccess.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

socklen_t WindowAddress(uint32_t handle, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays NUL: the abstract namespace. The name is not
    // NUL-terminated; its length is part of the address.
    int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1,
                               "wardex-window-%u", handle);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

void StoreI64(uint8_t* at, int64_t value)
{
    auto bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int64_t LoadI64(const uint8_t* at)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | at[i];
    return static_cast<int64_t>(bits);
}

} // namespace

uint32_t OwnWindowHandle()
{
    return static_cast<uint32_t>(::getpid());
}

std::array<uint8_t, kWindowMessageBytes> EncodeWindowMessage(const WindowMessage& message)
{
    std::array<uint8_t, kWindowMessageBytes> datagram{};
    size_t length = std::min(message.name.size(), kWindowMessageNameBytes - 1);
    std::memcpy(datagram.data(), message.name.data(), length);
    StoreI64(datagram.data() + kWindowMessageNameBytes, message.first);
    StoreI64(datagram.data() + kWindowMessageNameBytes + 8, message.second);
    return datagram;
}

bool DecodeWindowMessage(std::span<const uint8_t> datagram, WindowMessage& message)
{
    if (datagram.size() != kWindowMessageBytes)
        return false;
    const void* end = std::memchr(datagram.data(), 0, kWindowMessageNameBytes);
    if (end == nullptr)
        return false;
    message.name.assign(reinterpret_cast<const char*>(datagram.data()),
                        static_cast<const uint8_t*>(end) - datagram.data());
    message.first = LoadI64(datagram.data() + kWindowMessageNameBytes);
    message.second = LoadI64(datagram.data() + kWindowMessageNameBytes + 8);
    return true;
}

PostResult PostWindowMessage(uint32_t handle, std::string_view name, int64_t first, int64_t second)
{
    int sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sender < 0)
        return PostResult::Failed;
    sockaddr_un address;
    socklen_t length = WindowAddress(handle, address);
    auto datagram = EncodeWindowMessage({std::string(name), first, second});
    ssize_t sent = ::sendto(sender, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&address), length);
    int error = errno;
    ::close(sender);
    if (sent == static_cast<ssize_t>(datagram.size()))
        return PostResult::Posted;
    return error == ECONNREFUSED || error == ENOENT ? PostResult::NoWindow : PostResult::Failed;
}

int OpenWindowEndpoint(uint32_t handle)
{
    int endpoint = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (endpoint < 0)
        return -1;
    sockaddr_un address;
    socklen_t length = WindowAddress(handle, address);
    // The kernel then attaches the sender's credentials to every datagram.
    int on = 1;
    if (::setsockopt(endpoint, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        ::bind(endpoint, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(endpoint);
        return -1;
    }
    return endpoint;
}

ReceiveResult ReceiveWindowMessage(int endpoint, WindowMessage& message)
{
    // One byte more than a message, so that a longer datagram shows as such
    // instead of being cut to size.
    uint8_t datagram[kWindowMessageBytes + 1];
    iovec part{datagram, sizeof datagram};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t received = ::recvmsg(endpoint, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (received < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? ReceiveResult::Nothing
                                                                         : ReceiveResult::Failed;
    // The control space holds the credentials alone, so descriptors a sender
    // passes along are never installed here. Without credentials (a socket
    // opened elsewhere) nobody is trusted.
    const ucred* sender = nullptr;
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr;
         item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_CREDENTIALS &&
            item->cmsg_len >= CMSG_LEN(sizeof(ucred)))
            sender = reinterpret_cast<const ucred*>(CMSG_DATA(item));
    }
    message.senderUid = sender != nullptr ? sender->uid : static_cast<uint32_t>(-1);
    if (sender == nullptr || !IsTrustedLocalUser(sender->uid, sender->gid))
        return ReceiveResult::Refused;
    if (!DecodeWindowMessage({datagram, static_cast<size_t>(received)}, message))
        return ReceiveResult::Malformed;
    return ReceiveResult::Message;
}
