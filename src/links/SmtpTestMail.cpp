// Test-mail steps and texts.
#include "links/SmtpTestMail.h"

#include "config/Clock.h"
#include "config/Translator.h"
#include "links/MailFormat.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// Fills each "%s" of a translated format with the next argument; the values
// are never read as formats themselves.
std::string FillFormat(std::string_view format, std::initializer_list<std::string_view> values)
{
    std::string text;
    auto next = values.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next != values.end())
                text += *next++;
            ++i;
            continue;
        }
        text += format[i];
    }
    return text;
}

// The hint is translated in pieces: as one text it would not fit a line of
// the language files.
std::string Hint()
{
    return "\n\n" + Tr("Ueberpruefen Sie Ihre Einstellungen und wiederholen Sie den Test.") + " " +
           Tr("Im Zweifelsfall fragen Sie bitte Ihren ISP oder Administrator nach den richtigen "
              "Mail-Einstellungen fuer Ihre Addresse,") +
           " " + Tr("Server und gegebenenfalls Authentifizierung (Methode \"LOGIN\").");
}

} // namespace

SmtpTestMail::SmtpTestMail(Settings settings, Clock& clock)
    : m_settings(std::move(settings)), m_clock(clock)
{
    m_settings.server = Trim(m_settings.server);
    m_settings.from = Trim(m_settings.from);
    m_settings.to = Trim(m_settings.to);
}

SmtpTestMail::~SmtpTestMail()
{
    if (m_client)
        m_pump.Unregister(m_client.get());
}

bool SmtpTestMail::HasRequiredFields() const
{
    return !m_settings.server.empty() && !m_settings.from.empty() && !m_settings.to.empty();
}

std::string SmtpTestMail::Caption()
{
    return Tr("SMTP-Einstellungen/E-Mail testen");
}

std::string SmtpTestMail::MissingFieldsCaption()
{
    return Tr("Achtung");
}

std::string SmtpTestMail::MissingFieldsText()
{
    return Tr("Mindestens eines der folgenden Felder fehlt:\n\nSie muessen wenigstens den "
              "SMTP-Server\nund die Mailadressen von Sender und\nEmpfaenger angeben!");
}

std::string SmtpTestMail::ConnectingText() const
{
    return FillFormat(Tr("Verbindungsaufbau zu %s "), {m_settings.server});
}

bool SmtpTestMail::Begin()
{
    m_client = std::make_unique<SmtpClient>();
    m_client->SetAutoDelete(AutoDelete::No);
    Timestamp now = m_clock.Now();
    m_client->SetMessageHeaders(MailDate(now.ToCalendarSeconds()),
                                NewMessageId(SmtpClient::HeaderValue(m_settings.from), now.ToMs()));
    m_running = true;
    m_ticks = 0;
    m_icon = TestMailIcon::Working;
    std::string subject = Tr("Testmail von Wardex") + "\r\n";
    std::string body =
        Tr("Wenn Sie diese Zeile lesen, dann hat der Mailtest in Wardex geklappt. Gratulation!");
    if (!m_client->Start(m_settings.to, m_settings.from, m_settings.server, subject, body,
                         &m_status, m_settings.auth, m_settings.authUser,
                         m_settings.authPassword)) {
        ShowResult();
        return false;
    }
    m_statusText =
        FillFormat(Tr("Verbunden mit Server %s. Sende Testmail ..."), {m_settings.server});
    m_pump.Register(m_client.get());
    return true;
}

bool SmtpTestMail::Tick()
{
    if (!m_running)
        return false;
    ++m_ticks;
    if (m_ticks % kTicksPerDot == 0 && m_statusText.size() < kMaxDottedText)
        m_statusText += '.';
    m_pump.Run(PumpLoop::Once, PumpWait::Poll);
    if (m_client->IsOpen())
        return true;
    ShowResult();
    return false;
}

void SmtpTestMail::Cancel()
{
    if (!m_running)
        return;
    m_client->Close(CloseMode::Force);
    ShowResult();
}

void SmtpTestMail::ShowResult()
{
    m_running = false;
    m_icon = m_status == SmtpClient::kSuccess ? TestMailIcon::Success : TestMailIcon::Error;
    m_pump.Unregister(m_client.get());
    m_statusText = ResultText(m_status, m_settings.server, m_settings.to);
}

std::string SmtpTestMail::ResultText(int status, const std::string& server,
                                     const std::string& recipient)
{
    switch (status) {
    case SmtpClient::kSuccess:
        return FillFormat(Tr("Die Testmail wurde erfolgreich an den Server \"%s\" uebertragen."),
                          {server}) +
               "\n\n" +
               FillFormat(Tr("Ueberpruefen Sie nun Ihr Postfach, ob die Mail erfolgreich an "
                             "\"%s\" zugestellt wurde."),
                          {recipient});
    case SmtpClient::kConnecting:
        return Tr("Fehler waehrend Verbindungsaufbau.") + Hint();
    case SmtpClient::kUnreachable:
        return Tr("Angegebener Server nicht verfuegbar.") + Hint();
    case SmtpClient::kProtocolError:
        return Tr("Fehler bei Kommunikation mit Server.") + Hint();
    case SmtpClient::kConnectionLost:
        return Tr("Verbindungsfehler.") + Hint();
    case SmtpClient::kAuthFailed:
        return Tr("Authentifizierung fehlgeschlagen.") + Hint();
    default:
        return Tr("Unbekannter Fehler.");
    }
}
