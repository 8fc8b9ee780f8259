// Alarm mails go out through the station's SMTP client and a queue on disk:
// a mail is delivered on the server's 250 after the data and only then, a
// failed one is tried again, the queue survives the sender and keeps to its
// bounds.
#include "alarm/SmtpMailSender.h"

#include "config/Timestamp.h"
#include "net/SocketPump.h"
#include "net/TcpSocket.h"
#include "testsupport/FakeClock.h"
#include "testsupport/TempDir.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

    // One pump round per try; false when nothing arrived in time. A new
    // connection replaces the last one.
    bool Accept(SocketPump& pump)
    {
        CloseConnection();
        for (int round = 0; round < 3000 && m_connection < 0; ++round) {
            pump.Run(PumpLoop::Once, PumpWait::Poll);
            m_connection = accept(m_listener, nullptr, nullptr);
        }
        if (m_connection >= 0)
            fcntl(m_connection, F_SETFL, O_NONBLOCK);
        return m_connection >= 0;
    }
    void CloseConnection()
    {
        if (m_connection >= 0)
            close(m_connection);
        m_connection = -1;
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

// Answers a plain dialogue up to the message; returns the message.
std::string ServeUntilMessage(LoopbackServer& server, SocketPump& pump)
{
    server.Send("220 mail ready\r\n");
    for (const char* reply : {"250 hello\r\n", "250 ok\r\n", "250 ok\r\n", "354 go\r\n"}) {
        server.ReadLine(pump);
        server.Send(reply);
    }
    std::string message;
    while (!message.ends_with("\r\n.\r\n")) {
        std::string line = server.ReadLine(pump);
        if (line.empty())
            break;
        message += line;
    }
    return message;
}

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

class MailSenderTest : public ::testing::Test {
protected:
    MailQueue Queue() const { return MailQueue(m_dir.Path() / MailQueue::kFileName); }
    // Ticks with the pump until the condition holds.
    bool TickUntil(SmtpMailSender& sender, const std::function<bool()>& done, int64_t nowMs)
    {
        for (int round = 0; round < 3000; ++round) {
            if (done())
                return true;
            m_pump.Run(PumpLoop::Once, PumpWait::Poll);
            sender.Tick(nowMs);
        }
        return done();
    }

    TempDir m_dir;
    SocketPump m_pump;
    FakeClock m_clock;
};

TEST_F(MailSenderTest, ServerThatEndsAfterAcceptingTheDataGetsTheMailOnce)
{
    LoopbackServer server;
    SmtpMailSender sender(m_pump, m_clock, Queue(), 10);
    ASSERT_TRUE(sender.Send(MailTo("127.0.0.1:" + std::to_string(server.Port()))));
    ASSERT_TRUE(server.Accept(m_pump));
    EXPECT_NE(ServeUntilMessage(server, m_pump).find("Tor offen"), std::string::npos);
    server.Send("250 queued\r\n");
    EXPECT_EQ(server.ReadLine(m_pump), "QUIT\r\n");
    // Gone before its 221.
    server.CloseConnection();
    int64_t now = m_clock.NowMs();
    EXPECT_TRUE(TickUntil(
        sender, [&] { return m_pump.Sockets().empty(); }, now));
    EXPECT_TRUE(sender.Queue().Mails().empty());
    // Long after any wait: nothing is sent again.
    sender.Tick(now + 3'600'000);
    EXPECT_TRUE(m_pump.Sockets().empty());
}

TEST_F(MailSenderTest, ServerThatEndsBeforeAcceptingGetsTheSameMailAgain)
{
    LoopbackServer server;
    SmtpMailSender sender(m_pump, m_clock, Queue(), 10);
    ASSERT_TRUE(sender.Send(MailTo("127.0.0.1:" + std::to_string(server.Port()))));
    ASSERT_TRUE(server.Accept(m_pump));
    std::string first = ServeUntilMessage(server, m_pump);
    server.CloseConnection();
    int64_t now = m_clock.NowMs();
    ASSERT_TRUE(TickUntil(
        sender, [&] { return m_pump.Sockets().empty(); }, now));
    ASSERT_EQ(sender.Queue().Mails().size(), 1u);
    MailQueueState waiting = sender.State(now);
    EXPECT_EQ(waiting.sending, 0u);
    EXPECT_GT(waiting.nextAttemptMs, now);
    // Its wait is over: the same mail, Date and Message-ID alike.
    sender.Tick(waiting.nextAttemptMs);
    ASSERT_TRUE(server.Accept(m_pump));
    EXPECT_EQ(ServeUntilMessage(server, m_pump), first);
    server.Send("250 queued\r\n");
    EXPECT_TRUE(TickUntil(
        sender, [&] { return sender.Queue().Mails().empty(); }, waiting.nextAttemptMs));
}

TEST_F(MailSenderTest, QueuedMailsOutliveTheSenderAndFollowANewServer)
{
    LoopbackServer server;
    {
        SmtpMailSender sender(m_pump, m_clock, Queue(), 10);
        for (const char* body : {"Erster\r\n", "Zweiter\r\n"}) {
            AlarmMail mail = MailTo("127.0.0.1:70000");
            mail.body = body;
            ASSERT_TRUE(sender.Send(mail));
        }
        EXPECT_TRUE(m_pump.Sockets().empty());
        // Already on disk, as a kill would leave it.
        MailQueue onDisk = Queue();
        ASSERT_TRUE(onDisk.Load());
        EXPECT_EQ(onDisk.Mails().size(), 2u);
    }
    SmtpMailSender sender(m_pump, m_clock, Queue(), 10);
    ASSERT_EQ(sender.Queue().Mails().size(), 2u);
    EXPECT_EQ(sender.Queue().Mails()[1].mail.body, "Zweiter\r\n");
    // The settings are corrected: both go to the server from the next tick.
    sender.UseServer("127.0.0.1:" + std::to_string(server.Port()), false, "", "");
    sender.Tick(m_clock.NowMs());
    EXPECT_EQ(m_pump.Sockets().size(), 2u);
    EXPECT_TRUE(server.Accept(m_pump));
}

TEST(MailQueueTest, KeepsToItsBoundsByDroppingTheOldest)
{
    TempDir dir;
    struct Case {
        size_t maxMails;
        size_t maxBytes;
        size_t added;
        size_t kept;
    };
    QueuedMail one;
    one.mail = MailTo("x");
    one.date = "0";
    size_t size = MailQueue::SizeOf(one);
    for (Case c : {Case{3, 1 << 20, 5, 3}, Case{100, 2 * size, 5, 2}, Case{100, size / 2, 2, 1}}) {
        MailQueue queue(dir.Path() / "q", c.maxMails, c.maxBytes);
        size_t dropped = 0;
        for (size_t i = 0; i < c.added; ++i) {
            QueuedMail mail = one;
            mail.date = std::to_string(i);
            dropped += queue.Add(mail);
        }
        ASSERT_EQ(queue.Mails().size(), c.kept);
        EXPECT_EQ(dropped, c.added - c.kept);
        EXPECT_EQ(queue.Mails().back().date, std::to_string(c.added - 1));
    }
}

TEST(MailQueueTest, ReadsWhatItWroteAndDropsARecordCutShort)
{
    TempDir dir;
    std::filesystem::path path = dir.Path() / MailQueue::kFileName;
    MailQueue queue(path);
    for (const char* body : {"eins", "zwei"}) {
        QueuedMail mail;
        mail.mail = MailTo("x");
        mail.mail.body = body;
        queue.Add(mail);
    }
    ASSERT_TRUE(queue.Save());
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(MailQueue::Parse(bytes)->back().mail.body, "zwei");
    EXPECT_EQ(MailQueue::Parse(bytes.substr(0, bytes.size() - 1))->size(), 1u);
    EXPECT_FALSE(MailQueue::Parse("Kein Mailspeicher"));
    queue.Remove(queue.Mails().front().id);
    queue.Remove(queue.Mails().front().id);
    ASSERT_TRUE(queue.Save());
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}
