// The test-mail dialog's logic: required fields, texts per status, the
// animation while waiting, cancelling, and a full run against a real server.
#include "links/SmtpTestMail.h"

#include "LinksTestSupport.h"
#include "testsupport/FakeClock.h"
#include "testsupport/TempDir.h"

#include <string>

#include <poll.h>

#include <gtest/gtest.h>

namespace {

const std::string kHint =
    "\n\nUeberpruefen Sie Ihre Einstellungen und wiederholen Sie den Test. Im Zweifelsfall "
    "fragen Sie bitte Ihren ISP oder Administrator nach den richtigen Mail-Einstellungen fuer "
    "Ihre Addresse, Server und gegebenenfalls Authentifizierung (Methode \"LOGIN\").";

Clock& TestClock()
{
    static FakeClock clock;
    return clock;
}

SmtpTestMail::Settings Mail(const std::string& server, const std::string& from,
                            const std::string& to)
{
    SmtpTestMail::Settings settings;
    settings.server = server;
    settings.from = from;
    settings.to = to;
    return settings;
}

// Ticks as the dialog's 50 ms timer would, without waiting that long.
bool TickUntilDone(SmtpTestMail& test)
{
    for (int i = 0; i < 100000; ++i) {
        if (!test.Tick())
            return true;
        ::poll(nullptr, 0, 1);
    }
    return false;
}

TEST(SmtpTestMail, FieldsAreTrimmedAndAllThreeRequired)
{
    SmtpTestMail blank(Mail("  ", "a@x.de", "b@y.de"), TestClock());
    EXPECT_FALSE(blank.HasRequiredFields());
    SmtpTestMail noSender(Mail("mail.x.de", "", "b@y.de"), TestClock());
    EXPECT_FALSE(noSender.HasRequiredFields());
    SmtpTestMail complete(Mail(" mail.x.de ", " a@x.de", "b@y.de  "), TestClock());
    EXPECT_TRUE(complete.HasRequiredFields());
    EXPECT_EQ(complete.CurrentSettings().server, "mail.x.de");
    EXPECT_EQ(complete.CurrentSettings().from, "a@x.de");
    EXPECT_EQ(complete.CurrentSettings().to, "b@y.de");
    EXPECT_EQ(SmtpTestMail::MissingFieldsCaption(), "Achtung");
    EXPECT_EQ(SmtpTestMail::MissingFieldsText(),
              "Mindestens eines der folgenden Felder fehlt:\n\nSie muessen wenigstens den "
              "SMTP-Server\nund die Mailadressen von Sender und\nEmpfaenger angeben!");
}

TEST(SmtpTestMail, ResultTextsPerStatus)
{
    EXPECT_EQ(SmtpTestMail::ResultText(0, "mail.x.de", "b@y.de"),
              "Die Testmail wurde erfolgreich an den Server \"mail.x.de\" uebertragen.\n\n"
              "Ueberpruefen Sie nun Ihr Postfach, ob die Mail erfolgreich an \"b@y.de\" "
              "zugestellt wurde.");
    EXPECT_EQ(SmtpTestMail::ResultText(1, "s", "r"), "Fehler waehrend Verbindungsaufbau." + kHint);
    EXPECT_EQ(SmtpTestMail::ResultText(2, "s", "r"),
              "Angegebener Server nicht verfuegbar." + kHint);
    EXPECT_EQ(SmtpTestMail::ResultText(3, "s", "r"),
              "Fehler bei Kommunikation mit Server." + kHint);
    EXPECT_EQ(SmtpTestMail::ResultText(5, "s", "r"), "Verbindungsfehler." + kHint);
    EXPECT_EQ(SmtpTestMail::ResultText(7, "s", "r"), "Authentifizierung fehlgeschlagen." + kHint);
    for (int other : {4, 6, 8, -1})
        EXPECT_EQ(SmtpTestMail::ResultText(other, "s", "r"), "Unbekannter Fehler.");
}

TEST(SmtpTestMail, FormatsInTheServerTextAreNotInterpreted)
{
    SmtpTestMail test(Mail("%s%d%n", "a@x.de", "b@y.de"), TestClock());
    EXPECT_EQ(test.ConnectingText(), "Verbindungsaufbau zu %s%d%n ");
}

TEST(SmtpTestMail, InvalidPortShowsTheServerAsUnavailable)
{
    SmtpTestMail test(Mail("mail.x.de:0", "a@x.de", "b@y.de"), TestClock());
    EXPECT_FALSE(test.Begin());
    EXPECT_FALSE(test.IsRunning());
    EXPECT_EQ(test.Status(), SmtpClient::kUnreachable);
    EXPECT_EQ(test.Icon(), TestMailIcon::Error);
    EXPECT_TRUE(test.StatusText().starts_with("Angegebener Server nicht verfuegbar."));
}

TEST(SmtpTestMail, TicksAnimateAndAddADotEveryEighthTick)
{
    ScriptedSmtpPeer peer;
    SmtpTestMail test(Mail("127.0.0.1:" + std::to_string(peer.Port()), "a@x.de", "b@y.de"),
                      TestClock());
    ASSERT_TRUE(test.Begin());
    std::string connected =
        "Verbunden mit Server 127.0.0.1:" + std::to_string(peer.Port()) + ". Sende Testmail ...";
    EXPECT_EQ(test.StatusText(), connected);
    for (int tick = 1; tick <= 16; ++tick) {
        ASSERT_TRUE(test.Tick());
        EXPECT_EQ(test.AnimationFrame(), tick % 4);
        EXPECT_EQ(test.Icon(), TestMailIcon::Working);
    }
    EXPECT_EQ(test.StatusText(), connected + "..");
    for (int tick = 0; tick < 8 * 200; ++tick)
        ASSERT_TRUE(test.Tick());
    EXPECT_GE(test.StatusText().size(), SmtpTestMail::kMaxDottedText);
    EXPECT_LE(test.StatusText().size(), SmtpTestMail::kMaxDottedText);
}

TEST(SmtpTestMail, CancelShowsTheStatusReachedSoFar)
{
    ScriptedSmtpPeer peer;
    SmtpTestMail test(Mail("127.0.0.1:" + std::to_string(peer.Port()), "a@x.de", "b@y.de"),
                      TestClock());
    ASSERT_TRUE(test.Begin());
    test.Tick();
    test.Cancel();
    EXPECT_FALSE(test.IsRunning());
    EXPECT_EQ(test.Status(), SmtpClient::kConnecting);
    EXPECT_EQ(test.StatusText(), "Fehler waehrend Verbindungsaufbau." + kHint);
    EXPECT_FALSE(test.Tick());
}

TEST(SmtpTestMail, ReportsSuccessOnlyAfterQuitAndTheServersClose)
{
    ScriptedSmtpPeer peer;
    SmtpTestMail test(Mail("127.0.0.1:" + std::to_string(peer.Port()), "a@x.de", "b@y.de"),
                      TestClock());
    ASSERT_TRUE(test.Begin());
    SocketPump idle;
    ASSERT_TRUE(peer.AcceptWhilePumping(idle));
    auto exchange = [&](const std::string& reply, const std::string& until) {
        std::string sent;
        peer.Send(reply);
        return PumpUntil(idle, [&] {
            test.Tick();
            sent += peer.TakeAvailable();
            return sent.ends_with(until);
        });
    };
    ASSERT_TRUE(exchange("220 hi\r\n", "\r\n"));
    ASSERT_TRUE(exchange("250 hi\r\n", "\r\n"));
    ASSERT_TRUE(exchange("250 ok\r\n", "\r\n"));
    ASSERT_TRUE(exchange("250 ok\r\n", "DATA\r\n"));
    ASSERT_TRUE(exchange("354 go\r\n", "\r\n.\r\n"));
    ASSERT_TRUE(exchange("250 ok\r\n", "QUIT\r\n"));
    peer.Send("221 bye\r\n");
    ASSERT_TRUE(PumpUntil(idle, [&] {
        test.Tick();
        return test.Status() == SmtpClient::kSuccess;
    }));
    EXPECT_TRUE(test.IsRunning());
    EXPECT_EQ(test.Icon(), TestMailIcon::Working);
    peer.CloseConnection();
    EXPECT_TRUE(TickUntilDone(test));
    EXPECT_EQ(test.Icon(), TestMailIcon::Success);
    EXPECT_TRUE(test.StatusText().starts_with("Die Testmail wurde erfolgreich"));
}

TEST(SmtpTestMail, SendsTheTestMailToARealServer)
{
    TempDir dir;
    SmtpServer server(dir.Path().string());
    ASSERT_TRUE(server.IsReady());
    SmtpTestMail test(Mail(server.Address(), "station@example.org", "rx@example.org"), TestClock());
    ASSERT_TRUE(test.Begin());
    EXPECT_TRUE(TickUntilDone(test));
    EXPECT_EQ(test.Status(), SmtpClient::kSuccess);
    std::string message = ReadFileBytes(dir.Path() / "message-1.eml");
    // Date and Message-ID are made when it is sent.
    EXPECT_TRUE(message.starts_with("To: rx@example.org\r\nFrom: station@example.org\r\nSubject: "
                                    "Testmail von Wardex\r\nDate: "))
        << message;
    EXPECT_TRUE(message.ends_with("\r\nContent-Transfer-Encoding: 7bit\r\n\r\nWenn Sie diese "
                                  "Zeile lesen, dann hat der Mailtest in Wardex geklappt. "
                                  "Gratulation!\r\n\r\n\r\n"))
        << message;
}

} // namespace
