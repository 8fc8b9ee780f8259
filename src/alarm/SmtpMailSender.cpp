#include "alarm/SmtpMailSender.h"

#include "core/net/SocketPump.h"
#include "links/SmtpClient.h"

#include <memory>

SmtpMailSender::SmtpMailSender(SocketPump& pump) : m_pump(pump) {}

bool SmtpMailSender::Send(const AlarmMail& mail)
{
    auto client = std::make_unique<SmtpClient>();
    client->SetAutoDelete(AutoDelete::Yes);
    if (!client->Start(mail.to, mail.from, mail.server, mail.subject, mail.body, nullptr,
                       mail.useAuth ? SmtpAuth::Yes : SmtpAuth::No, mail.authUser,
                       mail.authPassword))
        return false;
    // The pump owns an auto-delete socket from here on.
    m_pump.Register(client.release());
    return true;
}
