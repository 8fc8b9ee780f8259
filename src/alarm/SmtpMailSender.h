// Alarm mails over the station's own SMTP client: one client per mail,
// handed to the socket pump, which deletes it once its connection closes.
#pragma once

#include "alarm/MailSender.h"

class SocketPump;

class SmtpMailSender final : public MailSender {
public:
    explicit SmtpMailSender(SocketPump& pump);

    bool Send(const AlarmMail& mail) override;

private:
    SocketPump& m_pump;
};
