// The SMTP dialogue, with and without AUTH LOGIN.
#include "links/SmtpClient.h"

#include "config/Timestamp.h"
#include "links/Base64.h"
#include "links/MailFormat.h"

#include <cstdint>
#include <utility>

namespace {

// Optional white space and sign, then the leading digits; none give 0.
int64_t LeadingNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Anything past this is out of range anyway.
        if (value < 1'000'000)
            value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace

bool SmtpClient::Start(const std::string& to, const std::string& from, const std::string& server,
                       const std::string& subject, const std::string& body, int* status,
                       SmtpAuth auth, const std::string& authUser, const std::string& authPassword)
{
    m_status = status;
    m_from = HeaderValue(from);
    m_server = HeaderValue(server);
    m_subject = subject;
    m_body = body;
    m_auth = auth;
    m_authUser = authUser;
    m_authPassword = authPassword;
    m_to = PrepareRecipients(to, m_recipients);
    if (m_recipients.empty()) {
        SetStatus(kNoRecipient);
        return false;
    }
    if (!Create()) {
        SetStatus(kUnreachable);
        return false;
    }
    m_port = SplitPort(m_server);
    if (m_port < 1 || m_port > 65535)
        return false;
    if (!ConnectTo(m_server, m_port)) {
        SetStatus(kUnreachable);
        return false;
    }
    SetStatus(kConnecting);
    m_recipientIndex = 0;
    m_step = SmtpStep::Greeting;
    return true;
}

void SmtpClient::OnReceive()
{
    int received = Receive(m_reply.FreeSpace(), m_reply.FreeBytes());
    if (received <= 0)
        return;
    int code = m_reply.Commit(static_cast<size_t>(received));
    if (code >= 0)
        Advance(code);
}

void SmtpClient::OnClose(int code)
{
    if (!m_ended)
        SetStatus(m_step == SmtpStep::Done ? kSuccess : kConnectionLost);
    m_ended = true;
    TcpSocket::OnClose(code);
}

void SmtpClient::Advance(int code)
{
    bool withAuth = m_auth == SmtpAuth::Yes;
    switch (m_step) {
    case SmtpStep::Greeting:
        if (code != 220 && code != 200)
            return Fail(kProtocolError, CloseMode::Force);
        if (withAuth)
            return SendCommand("EHLO " + m_server, SmtpStep::EhloSent);
        return SendCommand("HELO " + m_server, SmtpStep::HeloSent);
    case SmtpStep::HeloSent:
        if (code != 250)
            return Fail(kProtocolError, CloseMode::Force);
        return SendCommand("MAIL FROM:" + m_from, SmtpStep::RecipientsPending);
    case SmtpStep::EhloSent:
        if (code != 250)
            return Fail(kProtocolError, CloseMode::Force);
        return SendCommand("AUTH LOGIN", SmtpStep::AuthSent);
    case SmtpStep::AuthSent:
        if (code != 334)
            return Fail(kProtocolError, CloseMode::Force);
        return SendCommand(Base64Encode(m_authUser), SmtpStep::UserSent);
    case SmtpStep::UserSent:
        if (code != 334)
            return Fail(kProtocolError, CloseMode::Force);
        return SendCommand(Base64Encode(m_authPassword), SmtpStep::PasswordSent);
    case SmtpStep::PasswordSent:
        if (code != 235)
            return Fail(kAuthFailed, CloseMode::Force);
        return SendCommand("MAIL FROM: " + m_from, SmtpStep::RecipientsPending);
    case SmtpStep::RecipientsPending: {
        if (code != 250)
            return Fail(withAuth ? kTransferError : kProtocolError, CloseMode::Force);
        const std::string& recipient = m_recipients[m_recipientIndex++];
        bool last = m_recipientIndex == m_recipients.size();
        return SendCommand("RCPT TO:" + recipient,
                           last ? SmtpStep::LastRecipientSent : SmtpStep::RecipientsPending);
    }
    case SmtpStep::LastRecipientSent:
        if (code < 250 || code > 259)
            return Fail(kProtocolError, CloseMode::Force);
        return SendCommand("DATA", SmtpStep::DataSent);
    case SmtpStep::DataSent: {
        if (code != 354)
            return Fail(kProtocolError, CloseMode::Force);
        std::string message = ComposeMessage();
        m_step = SmtpStep::MessageSent;
        if (SendData(reinterpret_cast<const uint8_t*>(message.data()), message.size()) < 0)
            Fail(kTransferError, CloseMode::Force);
        return;
    }
    case SmtpStep::MessageSent:
        if (code != 250)
            return Fail(kProtocolError, CloseMode::Force);
        m_accepted = true;
        return SendCommand("QUIT", SmtpStep::QuitSent);
    case SmtpStep::QuitSent:
        if (code != 221)
            return Fail(kProtocolError, CloseMode::Graceful);
        SetStatus(kSuccess);
        m_step = SmtpStep::Done;
        return;
    case SmtpStep::Created:
    case SmtpStep::Done:
        return;
    }
}

void SmtpClient::SetMessageHeaders(std::string date, std::string messageId)
{
    m_date = std::move(date);
    m_messageId = std::move(messageId);
}

void SmtpClient::SendCommand(std::string_view command, SmtpStep next)
{
    std::string line(command);
    line += "\r\n";
    m_step = next;
    if (SendData(reinterpret_cast<const uint8_t*>(line.data()), line.size()) < 0)
        Fail(kTransferError, CloseMode::Force);
}

void SmtpClient::Fail(int status, CloseMode mode)
{
    SetStatus(status);
    m_ended = true;
    Close(mode);
}

void SmtpClient::SetStatus(int status)
{
    if (m_status != nullptr)
        *m_status = status;
}

std::string SmtpClient::PrepareRecipients(std::string_view to, std::vector<std::string>& recipients)
{
    std::string cleaned;
    for (char c : to) {
        if (c != '\r' && c != '\n' && c != '\t' && c != ' ')
            cleaned += c;
    }
    recipients.clear();
    size_t begin = 0;
    while (begin <= cleaned.size()) {
        size_t end = cleaned.find(';', begin);
        if (end == std::string::npos)
            end = cleaned.size();
        if (end > begin)
            recipients.push_back(cleaned.substr(begin, end - begin));
        begin = end + 1;
    }
    while (!cleaned.empty() && cleaned.back() == ';')
        cleaned.pop_back();
    return cleaned;
}

int SmtpClient::SplitPort(std::string& server)
{
    size_t colon = server.rfind(':');
    if (colon == std::string::npos)
        return kDefaultPort;
    int64_t port = LeadingNumber(std::string_view(server).substr(colon + 1));
    server.resize(colon);
    return port < 0 || port > 65535 ? -1 : static_cast<int>(port);
}

std::string SmtpClient::HeaderValue(std::string_view text)
{
    std::string value(text);
    for (char& c : value) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return value;
}

std::string SmtpClient::DotStuff(std::string_view body)
{
    std::string stuffed;
    stuffed.reserve(body.size() + body.size() / 16);
    bool lineStart = true;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\r' || c == '\n') {
            // CR LF, a lone CR and a lone LF all end one line.
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
            stuffed += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.')
            stuffed += '.';
        stuffed += c;
        lineStart = false;
    }
    return stuffed;
}

std::string SmtpClient::ComposeMessage()
{
    // Both callers end the subject with CR LF, which makes the empty line
    // after the headers; it is cut off here and the empty line always
    // written, so neither a missing nor an extra line end can move body
    // text into the headers.
    std::string_view subject = m_subject;
    while (!subject.empty() && (subject.back() == '\n' || subject.back() == '\r'))
        subject.remove_suffix(1);
    std::string message = "To: " + m_to + "\r\n";
    message += "From: " + m_from + "\r\n";
    message += "Subject: " + EncodeHeaderText(HeaderValue(subject)) + "\r\n";
    if (!m_date.empty())
        message += "Date: " + HeaderValue(m_date) + "\r\n";
    if (!m_messageId.empty())
        message += "Message-ID: " + HeaderValue(m_messageId) + "\r\n";
    message += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n";
    bool plain = IsSevenBitBody(m_body);
    message += plain ? "Content-Transfer-Encoding: 7bit\r\n\r\n"
                     : "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    message += DotStuff(plain ? m_body : QuotedPrintable(m_body));
    message += "\r\n\r\n\r\n.\r\n";
    return message;
}
