// The SMTP client against a real SMTP server (aiosmtpd from Debian's
// packages) on a free loopback port: what the server received is checked byte
// for byte, with and without AUTH LOGIN.
#include "LinksTestSupport.h"
#include "links/SmtpClient.h"
#include "net/SocketPump.h"
#include "testsupport/TempDir.h"

#include <filesystem>
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

class RealSmtpServer : public ::testing::Test {
protected:
    // Sends one mail through a new client and pumps until it has closed.
    int Send(const SmtpServer& server, const std::string& to, const std::string& subject,
             const std::string& body, SmtpAuth auth = SmtpAuth::No, const std::string& user = "",
             const std::string& password = "")
    {
        int status = -1;
        auto* client = new SmtpClient();
        client->SetMessageHeaders("Tue, 04 Mar 2025 13:05:00 +0100", "<1.2.3@example.org>");
        if (!client->Start(to, "station@example.org", server.Address(), subject, body, &status,
                           auth, user, password)) {
            delete client;
            return status;
        }
        m_pump.Register(client);
        EXPECT_TRUE(PumpUntil(
            m_pump, [&] { return m_pump.Sockets().empty(); }, 100000));
        return status;
    }

    std::string Session(int n) const
    {
        return ReadFileBytes(m_dir.Path() / ("session-" + std::to_string(n) + ".raw"));
    }
    std::string Message(int n) const
    {
        return ReadFileBytes(m_dir.Path() / ("message-" + std::to_string(n) + ".eml"));
    }
    std::string Envelope(int n) const
    {
        return ReadFileBytes(m_dir.Path() / ("envelope-" + std::to_string(n) + ".txt"));
    }
    bool HasMessage(int n) const
    {
        return std::filesystem::exists(m_dir.Path() / ("message-" + std::to_string(n) + ".eml"));
    }

    TempDir m_dir;
    SocketPump m_pump;
};

TEST_F(RealSmtpServer, PlainMailArrivesIntact)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "rx@example.org", "Alarm Tor\r\n", "Zeile 1\r\nZeile 2"),
              SmtpClient::kSuccess);
    EXPECT_EQ(Session(1), "HELO 127.0.0.1\r\n"
                          "MAIL FROM:station@example.org\r\n"
                          "RCPT TO:rx@example.org\r\n"
                          "DATA\r\n"
                          "To: rx@example.org\r\n"
                          "From: station@example.org\r\n"
                          "Subject: Alarm Tor\r\n" +
                              kHeaders +
                              "\r\n"
                              "Zeile 1\r\nZeile 2\r\n\r\n\r\n.\r\n"
                              "QUIT\r\n");
    EXPECT_EQ(Message(1), "To: rx@example.org\r\nFrom: station@example.org\r\nSubject: Alarm "
                          "Tor\r\n" +
                              kHeaders + "\r\nZeile 1\r\nZeile 2\r\n\r\n\r\n");
    EXPECT_EQ(Envelope(1), "station@example.org\nrx@example.org\n");
}

TEST_F(RealSmtpServer, TwoRecipientsWithTrailingSemicolons)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "a@example.org; b@example.org;;", "S\r\n", "B"), SmtpClient::kSuccess);
    EXPECT_EQ(Envelope(1), "station@example.org\na@example.org\nb@example.org\n");
    EXPECT_TRUE(Message(1).starts_with("To: a@example.org;b@example.org\r\n")) << Message(1);
}

TEST_F(RealSmtpServer, AuthenticationAcceptedWithAMultiLineEhloAnswer)
{
    SmtpServer server(m_dir.Path().string(), {"--auth", "alarm:geheim"});
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "rx@example.org", "S\r\n", "B", SmtpAuth::Yes, "alarm", "geheim"),
              SmtpClient::kSuccess);
    // aiosmtpd answers EHLO with five lines; the client sent AUTH once.
    EXPECT_EQ(Session(1), "EHLO 127.0.0.1\r\n"
                          "AUTH LOGIN\r\n"
                          "YWxhcm0=\r\n"
                          "Z2VoZWlt\r\n"
                          "MAIL FROM: station@example.org\r\n"
                          "RCPT TO:rx@example.org\r\n"
                          "DATA\r\n"
                          "To: rx@example.org\r\nFrom: station@example.org\r\nSubject: S\r\n" +
                              kHeaders +
                              "\r\nB\r\n\r\n\r\n.\r\n"
                              "QUIT\r\n");
    EXPECT_EQ(Envelope(1), "station@example.org\nrx@example.org\n");
}

TEST_F(RealSmtpServer, AuthenticationRefusedGivesStatus7)
{
    SmtpServer server(m_dir.Path().string(), {"--auth", "alarm:geheim"});
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "rx@example.org", "S\r\n", "B", SmtpAuth::Yes, "alarm", "falsch"),
              SmtpClient::kAuthFailed);
    EXPECT_FALSE(HasMessage(1));
}

TEST_F(RealSmtpServer, ServerThatClosesEarlyGivesStatus5)
{
    SmtpServer server(m_dir.Path().string(), {"--close-after", "RCPT"});
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "rx@example.org", "S\r\n", "B"), SmtpClient::kConnectionLost);
    EXPECT_FALSE(HasMessage(1));
}

TEST_F(RealSmtpServer, LoneDotLineArrivesIntact)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    EXPECT_EQ(Send(server, "rx@example.org", "S\r\n", "vorher\r\n.\r\n.x\r\nnachher"),
              SmtpClient::kSuccess);
    EXPECT_EQ(Message(1), "To: rx@example.org\r\nFrom: station@example.org\r\nSubject: S\r\n" +
                              kHeaders + "\r\nvorher\r\n.\r\n.x\r\nnachher\r\n\r\n\r\n");
}

TEST_F(RealSmtpServer, AddInfoCanNeverStartASecondMail)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    std::string body = "AddInfo: x\r\n.\r\nRSET\r\nMAIL FROM:<evil>\r\nRCPT "
                       "TO:<victim@example.org>\r\nDATA\r\nevil\r\n.\r\n";
    EXPECT_EQ(Send(server, "rx@example.org", "S\r\n", body), SmtpClient::kSuccess);
    EXPECT_TRUE(HasMessage(1));
    EXPECT_FALSE(HasMessage(2));
    EXPECT_EQ(Envelope(1), "station@example.org\nrx@example.org\n");
    EXPECT_EQ(Message(1), "To: rx@example.org\r\nFrom: station@example.org\r\nSubject: S\r\n" +
                              kHeaders + "\r\n" + body + "\r\n\r\n\r\n");
}

// What a mail program's parser (Python's email package) reads from a stored
// message: the subject and the body, decoded, as two lines of hex.
std::vector<std::string> ParsedByMailProgram(const std::filesystem::path& message)
{
    ChildProcess python(WARDEX_DEBIAN_PYTHON,
                        {"-c",
                         "import sys, email, email.policy\n"
                         "m = email.message_from_bytes(open(sys.argv[1], 'rb').read(),\n"
                         "                             policy=email.policy.default)\n"
                         "print(m['subject'].encode().hex())\n"
                         "print(m.get_content().replace('\\r\\n', '\\n').encode().hex())\n",
                         message.string()});
    std::vector<std::string> decoded;
    std::string line;
    while (decoded.size() < 2 &&
           python.WaitForLine([](const std::string&) { return true; }, line)) {
        std::string bytes;
        for (size_t i = 0; i + 1 < line.size(); i += 2)
            bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        decoded.push_back(bytes);
    }
    return decoded;
}

TEST_F(RealSmtpServer, MailProgramReadsNonAsciiSubjectAndBodyBackExactly)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    const std::string subject =
        "Wardex-Alarm! Alarm: Tür offen, Kavex Station: 04.03.2025,13:05:00, "
        "Rekorder: 04.03.2025,13:04:59 – Zusätzl. Prüfung ÄÖÜß €";
    const std::string lines[] = {
        "Zeitpunkt-Eingang (Kavex Station): 04.03.2025,13:05:00",
        "Zusätzl. Informationen: Tür = offen ", ".", ".Punkt am Anfang",
        "Eine lange Zeile mit Umlauten äöü und mehr als sechsundsiebzig Zeichen, damit sie "
        "umbrochen werden muss: Ende"};
    std::string body;
    std::string expected;
    for (const std::string& line : lines) {
        body += line + "\r\n";
        expected += line + "\n";
    }
    EXPECT_EQ(Send(server, "rx@example.org", subject + "\r\n", body), SmtpClient::kSuccess);
    EXPECT_NE(Message(1).find("Content-Transfer-Encoding: quoted-printable\r\n"),
              std::string::npos);
    EXPECT_NE(Message(1).find("Subject: =?UTF-8?B?"), std::string::npos);
    std::vector<std::string> parsed = ParsedByMailProgram(m_dir.Path() / "message-1.eml");
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0], subject);
    EXPECT_EQ(parsed[1], expected + "\n\n\n"); // the station's three line ends, as always
}

TEST_F(RealSmtpServer, ServerTextWithPortReachesTheServer)
{
    SmtpServer server(m_dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    int status = -1;
    auto* client = new SmtpClient();
    ASSERT_TRUE(client->Start("rx@example.org", "tx@example.org",
                              "localhost:" + std::to_string(server.Port()), "S\r\n", "B", &status,
                              SmtpAuth::No, "", ""));
    m_pump.Register(client);
    EXPECT_TRUE(PumpUntil(
        m_pump, [&] { return m_pump.Sockets().empty(); }, 100000));
    EXPECT_EQ(status, SmtpClient::kSuccess);
    EXPECT_TRUE(Session(1).starts_with("HELO localhost\r\n")) << Session(1);
}

} // namespace
