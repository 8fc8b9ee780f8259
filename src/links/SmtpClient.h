// A minimal SMTP client: one mail over one connection, driven by the pump and
// advanced one step by each complete server reply. The outcome is written
// through an optional status pointer; retrying is the caller's business
// (the alarm mail queue).
//
// The message is made safe for the wire: CR and LF inside header values (and
// in the sender, which also goes into MAIL FROM) become blanks, every line end
// of the body becomes CR LF and a body line beginning with "." gets a second
// one, so no text of an alarm can end the data early or start a command.
// A subject or body that is not plain ASCII is encoded (RFC 2047 words,
// quoted-printable), and the MIME headers say so.
#pragma once

#include "links/SmtpReplyReader.h"
#include "net/TcpSocket.h"

#include <string>
#include <string_view>
#include <vector>

enum class SmtpAuth { No, Yes };

// Steps of the dialogue; the numbers are those of the state tables.
enum class SmtpStep {
    Created = 1,
    Greeting = 2, // connecting or waiting for the greeting
    HeloSent = 3,
    RecipientsPending = 4, // MAIL FROM or a RCPT TO sent, more recipients to go
    LastRecipientSent = 5,
    DataSent = 6,
    MessageSent = 7,
    QuitSent = 8,
    Done = 9, // QUIT acknowledged, waiting for the server to close
    EhloSent = 10,
    AuthSent = 11,
    UserSent = 12,
    PasswordSent = 13,
};

class SmtpClient final : public TcpSocket {
public:
    // Result codes written through the status pointer.
    static constexpr int kSuccess = 0;
    static constexpr int kConnecting = 1;
    static constexpr int kUnreachable = 2;
    static constexpr int kProtocolError = 3;
    // The recipient text holds no address: the start is refused before any
    // connection is made.
    static constexpr int kNoRecipient = 4;
    static constexpr int kConnectionLost = 5;
    static constexpr int kTransferError = 6;
    static constexpr int kAuthFailed = 7;

    static constexpr int kDefaultPort = 25;

    SmtpClient() = default;

    // Stores the values, splits the recipients and starts a non-blocking
    // connection. The server text may end in ":port". True when the attempt
    // is under way: the caller then registers the client with a pump. On
    // false the caller destroys it; an invalid port writes no status. The
    // status (owned by the caller, may be null) must outlive the client.
    [[nodiscard]] bool Start(const std::string& to, const std::string& from,
                             const std::string& server, const std::string& subject,
                             const std::string& body, int* status, SmtpAuth auth,
                             const std::string& authUser, const std::string& authPassword);

    // Date and Message-ID of the message, made by the caller from its clock;
    // a mail sent again keeps the ones of its first attempt. A message
    // without them goes out without those headers.
    void SetMessageHeaders(std::string date, std::string messageId);

    void OnReceive() override;
    void OnClose(int code) override;

    // The server accepted the end of data: the mail is delivered, whatever
    // happens to QUIT afterwards.
    bool MessageAccepted() const { return m_accepted; }

    SmtpStep Step() const { return m_step; }
    const std::string& To() const { return m_to; }
    const std::vector<std::string>& Recipients() const { return m_recipients; }
    const std::string& Server() const { return m_server; }
    int Port() const { return m_port; }

    // Removes blanks, TABs, CR and LF, splits at ";" into the non-empty
    // recipients and returns the text without trailing ";".
    static std::string PrepareRecipients(std::string_view to, std::vector<std::string>& recipients);
    // Cuts ":port" off the server text; the port, kDefaultPort without one.
    static int SplitPort(std::string& server);
    // CR and LF become blanks.
    static std::string HeaderValue(std::string_view text);
    // Line ends as CR LF, a "." doubled at the start of every line.
    static std::string DotStuff(std::string_view body);
    // Headers, the empty line, the body and the end of data, as sent after 354.
    std::string ComposeMessage();

private:
    void Advance(int code);
    void SendCommand(std::string_view command, SmtpStep next);
    void Fail(int status, CloseMode mode);
    void SetStatus(int status);

    SmtpStep m_step = SmtpStep::Created;
    int* m_status = nullptr;
    std::string m_to;
    std::vector<std::string> m_recipients;
    size_t m_recipientIndex = 0;
    std::string m_from;
    std::string m_server;
    std::string m_subject;
    std::string m_body;
    SmtpAuth m_auth = SmtpAuth::No;
    std::string m_authUser;
    std::string m_authPassword;
    std::string m_date;
    std::string m_messageId;
    SmtpReplyReader m_reply;
    int m_port = kDefaultPort;
    // Set once the client ended the dialogue itself, so a later close does
    // not overwrite the status it wrote.
    bool m_ended = false;
    bool m_accepted = false;
};
