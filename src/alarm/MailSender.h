// Sending one alarm mail and forgetting it: nothing reports the outcome.
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

    // False when the mail could not even be started.
    virtual bool Send(const AlarmMail& mail) = 0;
};
