// Fuzzes the SMTP client through whole conversations with a server that
// answers arbitrary bytes, on a real loopback connection. The status is
// always one of the client's codes, every command it sends is one of the
// dialogue's, the message goes out only after a 354, and a finished
// dialogue means a delivered mail.
//
// Input: a flags byte (bit 0: with authentication; bits 1-2: one to three
// recipients), then server output in chunks, each a length byte followed
// by that many bytes.
#include "links/SmtpClient.h"
#include "net/SocketPump.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Listener {
    Listener()
    {
        handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (handle < 0 || ::bind(handle, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(handle, 16) != 0 ||
            ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port = ntohs(address.sin_port);
    }
    int handle = -1;
    int port = 0;
};

bool IsCommand(std::string_view line, bool afterAuth)
{
    for (std::string_view verb :
         {"HELO ", "EHLO ", "MAIL FROM:", "RCPT TO:", "DATA\r\n", "QUIT\r\n", "AUTH LOGIN\r\n"}) {
        if (line.starts_with(verb))
            return true;
    }
    // The user name and password, in base64.
    return afterAuth &&
           line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                  "0123456789+/=\r\n") == std::string_view::npos;
}

// Checks the complete lines the client sent since the last call; the
// message itself may only follow a 354.
void CheckSent(int server, std::string& pending, bool& dataAllowed, bool withAuth)
{
    char chunk[4096];
    for (ssize_t n; (n = ::recv(server, chunk, sizeof chunk, MSG_DONTWAIT)) > 0;)
        pending.append(chunk, static_cast<size_t>(n));
    if (dataAllowed) {
        pending.clear();
        return;
    }
    for (size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
        if (!IsCommand(std::string_view(pending).substr(0, end + 2), withAuth))
            std::abort();
        pending.erase(0, end + 2);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Listener listener;
    if (size == 0)
        return 0;
    bool withAuth = (data[0] & 1) != 0;
    const char* recipients[] = {"a@example.org", "a@example.org; b@example.org",
                                "a@example.org;b@example.org;c@example.org", "a@example.org"};
    int status = -1;
    SocketPump pump;
    auto owned = std::make_unique<SmtpClient>();
    SmtpClient* client = owned.get();
    client->SetAutoDelete(AutoDelete::No);
    if (!client->Start(recipients[(data[0] >> 1) & 3], "station@example.org",
                       "127.0.0.1:" + std::to_string(listener.port), "Alarm",
                       "Line one\n.\nLine three", &status, withAuth ? SmtpAuth::Yes : SmtpAuth::No,
                       "user", "secret"))
        return 0;
    pump.Register(client);
    int server = ::accept4(listener.handle, nullptr, nullptr, SOCK_CLOEXEC);
    if (server < 0)
        std::abort();
    // No TIME_WAIT left behind for millions of connections.
    linger abort{1, 0};
    ::setsockopt(server, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    for (int round = 0; round < 100 && client->State() == SocketState::ConnectPending; ++round)
        (void)pump.Run(PumpLoop::Once, PumpWait::Poll);

    std::string sent;
    bool dataAllowed = false;
    size_t at = 1;
    while (at < size && client->IsOpen()) {
        size_t length = data[at++];
        length = std::min(length, size - at);
        (void)::send(server, data + at, length, MSG_NOSIGNAL);
        at += length;
        while (client->IsOpen() && client->BytesAvailable() > 0) {
            bool wasDataSent = client->Step() == SmtpStep::DataSent;
            client->OnReceive();
            dataAllowed = dataAllowed || (wasDataSent && client->Step() == SmtpStep::MessageSent);
            CheckSent(server, sent, dataAllowed, withAuth);
        }
        if (status < SmtpClient::kSuccess || status > SmtpClient::kAuthFailed)
            std::abort();
        if (client->Step() == SmtpStep::Done &&
            (status != SmtpClient::kSuccess || !client->MessageAccepted()))
            std::abort();
    }
    ::close(server);
    pump.Unregister(client);
    return 0;
}
