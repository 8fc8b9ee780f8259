// The SMTP client against a scripted server over loopback: start and port
// handling, the dialogue with and without AUTH LOGIN, status codes, replies
// split over receives and over-long replies, and the message as it goes on
// the wire.
#include "links/SmtpClient.h"

#include "LinksTestSupport.h"
#include "net/SocketPump.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Date and Message-ID are fixed so that the message can be compared whole.
const std::string kHeaders = "Date: Tue, 04 Mar 2025 13:05:00 +0100\r\n"
                             "Message-ID: <1.2.3@example.org>\r\n"
                             "MIME-Version: 1.0\r\n"
                             "Content-Type: text/plain; charset=UTF-8\r\n"
                             "Content-Transfer-Encoding: 7bit\r\n";

class SmtpDialogue : public ::testing::Test {
protected:
    // Starts a client towards the scripted peer and accepts its connection.
    void Start(const std::string& to = "rx@example.org", SmtpAuth auth = SmtpAuth::No,
               const std::string& subject = "Alarm\r\n", const std::string& body = "Text")
    {
        m_client = new SmtpClient();
        m_client->SetMessageHeaders("Tue, 04 Mar 2025 13:05:00 +0100", "<1.2.3@example.org>");
        ASSERT_TRUE(m_client->Start(to, "tx@example.org",
                                    "127.0.0.1:" + std::to_string(m_peer.Port()), subject, body,
                                    &m_status, auth, "user", "secret"));
        EXPECT_EQ(m_status, SmtpClient::kConnecting);
        m_pump.Register(m_client);
        ASSERT_TRUE(m_peer.AcceptWhilePumping(m_pump));
    }

    // Answers with reply and returns the client's next line.
    std::string Answer(const std::string& reply)
    {
        m_peer.Send(reply);
        return m_peer.ReadLine(m_pump);
    }

    bool ClientClosed()
    {
        return PumpUntil(m_pump, [&] { return !m_pump.IsRegistered(m_client); });
    }

    // Runs the plain dialogue up to the 354 answer; returns what follows it.
    std::string RunUntilMessage(std::vector<std::string> expectedRecipients)
    {
        EXPECT_EQ(Answer("220 scripted ESMTP\r\n"), "HELO 127.0.0.1\r\n");
        EXPECT_EQ(Answer("250 hello\r\n"), "MAIL FROM:tx@example.org\r\n");
        for (const std::string& recipient : expectedRecipients)
            EXPECT_EQ(Answer("250 ok\r\n"), "RCPT TO:" + recipient + "\r\n");
        EXPECT_EQ(Answer("250 ok\r\n"), "DATA\r\n");
        m_peer.Send("354 go ahead\r\n");
        std::string message;
        EXPECT_TRUE(m_peer.ReadUntil(m_pump, "\r\n.\r\n", message));
        return message;
    }

    ScriptedSmtpPeer m_peer;
    SocketPump m_pump;
    SmtpClient* m_client = nullptr; // auto-delete: the pump owns it
    int m_status = -1;
};

TEST_F(SmtpDialogue, PlainMailEndsWithSuccessAfterQuitAndClose)
{
    Start();
    std::string message = RunUntilMessage({"rx@example.org"});
    EXPECT_EQ(message, "To: rx@example.org\r\nFrom: tx@example.org\r\nSubject: Alarm\r\n" +
                           kHeaders + "\r\nText\r\n\r\n\r\n.\r\n");
    EXPECT_EQ(Answer("250 queued\r\n"), "QUIT\r\n");
    m_peer.Send("221 bye\r\n");
    ASSERT_TRUE(PumpUntil(m_pump, [&] { return m_client->Step() == SmtpStep::Done; }));
    EXPECT_EQ(m_status, SmtpClient::kSuccess);
    m_peer.CloseConnection();
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kSuccess);
}

TEST_F(SmtpDialogue, TwoRecipientsWithTrailingSemicolonsGiveTwoRcptAndACleanToHeader)
{
    Start(" a@example.org; b@example.org;;");
    std::string message = RunUntilMessage({"a@example.org", "b@example.org"});
    EXPECT_TRUE(message.starts_with("To: a@example.org;b@example.org\r\n")) << message;
}

TEST_F(SmtpDialogue, MultiLineGreetingAndRepliesSplitOverReceivesAdvanceOnce)
{
    Start();
    m_peer.Send("220-first line\r\n220-");
    m_pump.Run(PumpLoop::Once, PumpWait::Interval);
    m_peer.Send("second line\r\n22");
    m_pump.Run(PumpLoop::Once, PumpWait::Interval);
    m_peer.Send("0 last");
    m_pump.Run(PumpLoop::Once, PumpWait::Interval);
    EXPECT_EQ(m_client->Step(), SmtpStep::Greeting);
    EXPECT_TRUE(m_peer.Received().empty());
    EXPECT_EQ(Answer(" line\r\n"), "HELO 127.0.0.1\r\n");
    EXPECT_EQ(m_client->Step(), SmtpStep::HeloSent);
}

TEST_F(SmtpDialogue, OverLongReplyDoesNotStallTheDialogue)
{
    Start(" x@example.org", SmtpAuth::Yes);
    EXPECT_EQ(Answer("220 hi\r\n"), "EHLO 127.0.0.1\r\n");
    std::string ehlo;
    for (int i = 0; i < 300; ++i)
        ehlo += "250-X-EXTENSION-" + std::to_string(i) + "\r\n";
    ehlo += "250-" + std::string(4000, 'L') + "\r\n";
    ehlo += "250 HELP\r\n";
    EXPECT_EQ(Answer(ehlo), "AUTH LOGIN\r\n");
}

TEST_F(SmtpDialogue, AuthLoginSendsBase64AndMailFromWithABlank)
{
    Start("rx@example.org", SmtpAuth::Yes);
    EXPECT_EQ(Answer("220 hi\r\n"), "EHLO 127.0.0.1\r\n");
    EXPECT_EQ(Answer("250-hi\r\n250 AUTH LOGIN\r\n"), "AUTH LOGIN\r\n");
    EXPECT_EQ(Answer("334 VXNlcm5hbWU6\r\n"), "dXNlcg==\r\n");
    EXPECT_EQ(Answer("334 UGFzc3dvcmQ6\r\n"), "c2VjcmV0\r\n");
    EXPECT_EQ(Answer("235 ok\r\n"), "MAIL FROM: tx@example.org\r\n");
    EXPECT_EQ(Answer("250 ok\r\n"), "RCPT TO:rx@example.org\r\n");
}

TEST_F(SmtpDialogue, RefusedPasswordGivesStatus7AndCloses)
{
    Start("rx@example.org", SmtpAuth::Yes);
    Answer("220 hi\r\n");
    Answer("250 hi\r\n");
    Answer("334 VXNlcm5hbWU6\r\n");
    Answer("334 UGFzc3dvcmQ6\r\n");
    m_peer.Send("535 no\r\n");
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kAuthFailed);
}

TEST_F(SmtpDialogue, RefusedRecipientIsAProtocolErrorWithoutAuth)
{
    Start();
    Answer("220 hi\r\n");
    Answer("250 hi\r\n");
    m_peer.Send("550 no such sender\r\n");
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kProtocolError);
}

TEST_F(SmtpDialogue, RefusedRecipientIsATransferErrorWithAuth)
{
    Start("a@example.org;b@example.org", SmtpAuth::Yes);
    Answer("220 hi\r\n");
    Answer("250 hi\r\n");
    Answer("334 x\r\n");
    Answer("334 y\r\n");
    EXPECT_EQ(Answer("235 ok\r\n"), "MAIL FROM: tx@example.org\r\n");
    EXPECT_EQ(Answer("250 ok\r\n"), "RCPT TO:a@example.org\r\n");
    m_peer.Send("550 unknown\r\n");
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kTransferError);
}

TEST_F(SmtpDialogue, UnexpectedGreetingIsAProtocolError)
{
    Start();
    m_peer.Send("554 go away\r\n");
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kProtocolError);
    EXPECT_TRUE(m_peer.Received().empty());
}

TEST_F(SmtpDialogue, LastRecipientAcceptsAny25xCode)
{
    Start();
    Answer("220 hi\r\n");
    Answer("250 hi\r\n");
    EXPECT_EQ(Answer("250 ok\r\n"), "RCPT TO:rx@example.org\r\n");
    EXPECT_EQ(Answer("251 will forward\r\n"), "DATA\r\n");
}

TEST_F(SmtpDialogue, WrongQuitReplyIsAProtocolError)
{
    Start();
    RunUntilMessage({"rx@example.org"});
    EXPECT_EQ(Answer("250 queued\r\n"), "QUIT\r\n");
    m_peer.Send("500 what\r\n");
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kProtocolError);
}

TEST_F(SmtpDialogue, ServerClosingBeforeQuitReplyIsAConnectionLoss)
{
    Start();
    Answer("220 hi\r\n");
    m_peer.CloseConnection();
    EXPECT_TRUE(ClientClosed());
    EXPECT_EQ(m_status, SmtpClient::kConnectionLost);
}

TEST_F(SmtpDialogue, BodyIsDotStuffedWithCrLfLineEnds)
{
    Start("rx@example.org", SmtpAuth::No, "Alarm\r\n", ".first\r\nx\r\n.\r\nlone\nlf\rcr\r\n..two");
    std::string message = RunUntilMessage({"rx@example.org"});
    EXPECT_EQ(message, "To: rx@example.org\r\nFrom: tx@example.org\r\nSubject: Alarm\r\n" +
                           kHeaders +
                           "\r\n..first\r\nx\r\n..\r\nlone\r\nlf\r\ncr\r\n...two\r\n\r\n\r\n.\r\n");
}

TEST_F(SmtpDialogue, AlarmTextCannotEndTheDataOrStartASecondMail)
{
    std::string addInfo = "x\r\n.\r\nRSET\r\nMAIL FROM:<evil>\r\nRCPT TO:<victim>\r\nDATA\r\n";
    // What the mail action does with the body: every LF becomes CR LF.
    std::string body;
    for (char c : "Info: " + addInfo) {
        if (c == '\n')
            body += '\r';
        body += c;
    }
    Start("rx@example.org", SmtpAuth::No, "Alarm " + addInfo + "\r\n", body);
    std::string message = RunUntilMessage({"rx@example.org"});
    // The only line of a single "." is the one that ends the data.
    EXPECT_EQ(message.find("\r\n.\r\n"), message.size() - 5);
    EXPECT_NE(message.find("Subject: Alarm x  .  RSET  MAIL FROM:<evil>  RCPT TO:<victim>  DATA\r\n"
                           "Date: "),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("\r\n..\r\n"), std::string::npos);
}

TEST_F(SmtpDialogue, LineBreaksInTheSenderBecomeBlanks)
{
    m_client = new SmtpClient();
    ASSERT_TRUE(m_client->Start("rx@example.org", "tx@example.org\r\nRCPT TO:<victim>",
                                "127.0.0.1:" + std::to_string(m_peer.Port()), "S\r\n", "B",
                                &m_status, SmtpAuth::No, "", ""));
    m_pump.Register(m_client);
    ASSERT_TRUE(m_peer.AcceptWhilePumping(m_pump));
    Answer("220 hi\r\n");
    EXPECT_EQ(Answer("250 hi\r\n"), "MAIL FROM:tx@example.org  RCPT TO:<victim>\r\n");
}

TEST_F(SmtpDialogue, SubjectWithoutLineEndStillGetsTheEmptyLine)
{
    Start("rx@example.org", SmtpAuth::No, "No line end", "Body");
    std::string message = RunUntilMessage({"rx@example.org"});
    EXPECT_NE(message.find("Subject: No line end\r\n" + kHeaders + "\r\nBody"), std::string::npos)
        << message;
}

TEST(SmtpStart, ServerTextWithPortConnectsThereAndGreetsWithTheHostAlone)
{
    ScriptedSmtpPeer peer;
    SocketPump pump;
    int status = -1;
    auto* client = new SmtpClient();
    ASSERT_TRUE(client->Start("rx@example.org", "tx@example.org",
                              "localhost:" + std::to_string(peer.Port()), "S\r\n", "B", &status,
                              SmtpAuth::No, "", ""));
    EXPECT_EQ(client->Server(), "localhost");
    EXPECT_EQ(client->Port(), peer.Port());
    pump.Register(client);
    ASSERT_TRUE(peer.AcceptWhilePumping(pump));
    peer.Send("220 hi\r\n");
    EXPECT_EQ(peer.ReadLine(pump), "HELO localhost\r\n");
}

TEST(SmtpStart, PortOutOfRangeFailsWithoutStatus)
{
    for (const char* server : {"mail.example.org:0", "mail.example.org:70000",
                               "mail.example.org:-25", "mail.example.org:x"}) {
        SmtpClient client;
        int status = -1;
        EXPECT_FALSE(client.Start("rx@example.org", "tx@example.org", server, "S\r\n", "B", &status,
                                  SmtpAuth::No, "", ""))
            << server;
        EXPECT_EQ(status, -1) << server;
    }
}

TEST(SmtpStart, PortTextTakesLeadingBlanksSignAndDigits)
{
    std::string server = "host: +2525abc";
    EXPECT_EQ(SmtpClient::SplitPort(server), 2525);
    EXPECT_EQ(server, "host");
    server = "a:b:587";
    EXPECT_EQ(SmtpClient::SplitPort(server), 587);
    EXPECT_EQ(server, "a:b");
    server = "plain";
    EXPECT_EQ(SmtpClient::SplitPort(server), 25);
    server = "host:99999999999999999999";
    EXPECT_EQ(SmtpClient::SplitPort(server), -1);
}

TEST(SmtpStart, UnresolvableServerGivesStatus2)
{
    SmtpClient client;
    int status = -1;
    EXPECT_FALSE(client.Start("rx@example.org", "tx@example.org", ":25", "S\r\n", "B", &status,
                              SmtpAuth::No, "", ""));
    EXPECT_EQ(status, SmtpClient::kUnreachable);
}

TEST(SmtpStart, RecipientTextWithoutAddressIsRefusedBeforeConnecting)
{
    ScriptedSmtpPeer peer;
    SocketPump pump;
    SmtpClient client;
    int status = -1;
    EXPECT_FALSE(client.Start(" ; ;\r\n\t;", "tx@example.org",
                              "127.0.0.1:" + std::to_string(peer.Port()), "S\r\n", "B", &status,
                              SmtpAuth::No, "", ""));
    EXPECT_EQ(status, SmtpClient::kNoRecipient);
    EXPECT_FALSE(client.IsOpen());
}

TEST(SmtpStart, StatusPointerMayBeNull)
{
    ScriptedSmtpPeer peer;
    SocketPump pump;
    auto* client = new SmtpClient();
    ASSERT_TRUE(client->Start("rx@example.org", "tx@example.org",
                              "127.0.0.1:" + std::to_string(peer.Port()), "S\r\n", "B", nullptr,
                              SmtpAuth::No, "", ""));
    pump.Register(client);
    ASSERT_TRUE(peer.AcceptWhilePumping(pump));
    peer.Send("500 no\r\n");
    EXPECT_TRUE(PumpUntil(pump, [&] { return pump.Sockets().empty(); }));
}

TEST(SmtpRecipients, AreCleanedAndSplit)
{
    std::vector<std::string> recipients;
    EXPECT_EQ(SmtpClient::PrepareRecipients(" a@x.de ;\tb@y.de;\r\n;c@z.de;;", recipients),
              "a@x.de;b@y.de;;c@z.de");
    EXPECT_EQ(recipients, (std::vector<std::string>{"a@x.de", "b@y.de", "c@z.de"}));
    EXPECT_EQ(SmtpClient::PrepareRecipients(";;", recipients), "");
    EXPECT_TRUE(recipients.empty());
}

} // namespace
