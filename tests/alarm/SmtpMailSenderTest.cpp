// Alarm mails go out through the station's SMTP client, owned by the pump:
// a mail to a loopback server greets it, a mail that cannot start leaves
// nothing behind.
#include "alarm/SmtpMailSender.h"

#include "core/net/SocketPump.h"
#include "core/net/TcpSocket.h"

#include <string>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// A listening loopback socket on a port the system chose.
class LoopbackServer {
public:
    LoopbackServer()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(bind(m_listener, reinterpret_cast<sockaddr*>(&address), length), 0);
        EXPECT_EQ(listen(m_listener, 4), 0);
        EXPECT_EQ(getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        m_port = ntohs(address.sin_port);
        fcntl(m_listener, F_SETFL, O_NONBLOCK);
    }
    ~LoopbackServer()
    {
        if (m_connection >= 0)
            close(m_connection);
        close(m_listener);
    }

    int Port() const { return m_port; }

    // One pump round per try; false when nothing arrived in time.
    bool Accept(SocketPump& pump)
    {
        for (int round = 0; round < 3000 && m_connection < 0; ++round) {
            pump.Run(PumpLoop::Once, PumpWait::Poll);
            m_connection = accept(m_listener, nullptr, nullptr);
        }
        if (m_connection >= 0)
            fcntl(m_connection, F_SETFL, O_NONBLOCK);
        return m_connection >= 0;
    }
    void Send(std::string_view text)
    {
        EXPECT_EQ(write(m_connection, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    std::string ReadLine(SocketPump& pump)
    {
        std::string line;
        for (int round = 0; round < 3000 && !line.ends_with("\n"); ++round) {
            pump.Run(PumpLoop::Once, PumpWait::Poll);
            char c = 0;
            while (!line.ends_with("\n") && read(m_connection, &c, 1) == 1)
                line += c;
        }
        return line;
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    int m_port = 0;
};

AlarmMail MailTo(std::string server)
{
    AlarmMail mail;
    mail.to = "wache@example.org";
    mail.from = "wardex@example.org";
    mail.server = std::move(server);
    mail.subject = "Alarm\r\n";
    mail.body = "Tor offen\r\n";
    return mail;
}

} // namespace

TEST(SmtpMailSenderTest, MailIsHandedToThePumpAndGreetsTheServer)
{
    LoopbackServer server;
    SocketPump pump;
    SmtpMailSender sender(pump);
    ASSERT_TRUE(sender.Send(MailTo("127.0.0.1:" + std::to_string(server.Port()))));
    ASSERT_EQ(pump.Sockets().size(), 1u);
    EXPECT_TRUE(pump.Sockets()[0]->IsAutoDelete());
    ASSERT_TRUE(server.Accept(pump));
    server.Send("220 mail ready\r\n");
    EXPECT_EQ(server.ReadLine(pump), "HELO 127.0.0.1\r\n");
    // The pump deletes the client; the sanitizer would report a leak.
    pump.Stop();
    EXPECT_TRUE(pump.Sockets().empty());
}

TEST(SmtpMailSenderTest, MailThatCannotStartLeavesNothingBehind)
{
    SocketPump pump;
    SmtpMailSender sender(pump);
    EXPECT_FALSE(sender.Send(MailTo("127.0.0.1:70000")));
    EXPECT_TRUE(pump.Sockets().empty());
}
