// Fuzzes the window-message receiver with datagrams on its real socket:
// every datagram is either handed on as a message or counted as dropped,
// nothing from this (the station's own) user is refused, and a message
// handed on encodes back to a datagram that decodes to itself.
//
// Input: datagrams, each a length byte (0: a datagram of exactly the message
// size) followed by that many bytes.
#include "links/WindowMessageReceiver.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A handle no real window has: above every process id.
constexpr uint32_t kWindowBase = 0x7f000000;

socklen_t AddressOf(uint32_t window, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    std::string name = "wardex-window-" + std::to_string(window);
    std::copy(name.begin(), name.end(), address.sun_path + 1);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

void CheckMessage(const WindowMessage& message)
{
    if (message.name.size() >= kWindowMessageNameBytes ||
        message.name.find('\0') != std::string::npos || message.senderUid != ::geteuid())
        std::abort();
    WindowMessage again;
    if (!DecodeWindowMessage(EncodeWindowMessage(message), again) || again.name != message.name ||
        again.first != message.first || again.second != message.second)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const uint32_t window = kWindowBase + static_cast<uint32_t>(::getpid() & 0xffffff);
    int handled = 0;
    WindowMessageReceiver receiver([&handled](const WindowMessage& message) {
        CheckMessage(message);
        ++handled;
    });
    if (!receiver.Open(window))
        std::abort();
    int sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address;
    socklen_t length = AddressOf(window, address);

    int sent = 0;
    size_t at = 0;
    while (at < size) {
        size_t want = data[at++];
        if (want == 0)
            want = kWindowMessageBytes;
        size_t n = std::min(want, size - at);
        if (::sendto(sender, data + at, n, MSG_DONTWAIT,
                     reinterpret_cast<const sockaddr*>(&address),
                     length) == static_cast<ssize_t>(n))
            ++sent;
        at += n;
        // The queue of a datagram socket is short: take what came each time.
        receiver.OnReceive();
    }
    ::close(sender);
    if (handled + receiver.Dropped() != sent || receiver.Refused() != 0)
        std::abort();
    return 0;
}
