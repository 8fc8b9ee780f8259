// Handing over one alarm mail; the sender delivers it or keeps it until it can.
#pragma once

#include <string>

struct AlarmMail {
    std::string to;
    std::string from;
    std::string server;
    std::string subject; // ends with CR LF
    std::string body;    // CR LF line ends
    bool useAuth = false;
    std::string authUser;
    std::string authPassword;

    bool operator==(const AlarmMail&) const = default;
};

class MailSender {
public:
    virtual ~MailSender() = default;

    // False when the mail cannot be sent at all (no recipient).
    [[nodiscard]] virtual bool Send(const AlarmMail& mail) = 0;
};
