// One record of the command mailbox as the station uses it: a command code
// and its argument.
#pragma once

#include <cstdint>

struct MailboxCommand {
    int32_t command = 0; // a MailboxCommandCode; 0 when the mailbox was empty
    int32_t argument = 0;

    bool operator==(const MailboxCommand&) const = default;
};
