// The command mailbox "WardexCommand": other programs leave commands for the
// station (subscribe a window to station events, handle the selected alarm)
// and post the message "WardexCommand" to the station's window; the station
// then takes them out. Subscribed windows get each station event as that
// message.
#pragma once

#include "links/LiveViewMessages.h"
#include "links/MailboxCommand.h"
#include "platform/NamedMutex.h"
#include "platform/SharedMapping.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CommandMailbox {
public:
    static constexpr const char* kMappingName = "WardexCommand";

    explicit CommandMailbox(std::string namePrefix = {});

    // Opens the mailbox or creates it empty; false (invalid) when it cannot
    // be mapped or has another version.
    [[nodiscard]] bool Open();
    void Close();
    bool IsValid() const { return m_valid; }

    // Takes the first waiting record out; command 0 when none waits.
    MailboxCommand Pop();
    // False when the window is subscribed already.
    bool Subscribe(uint32_t window);
    const std::vector<uint32_t>& Subscribers() const { return m_subscribers; }
    // Posts "WardexCommand" with the code to every subscribed window that
    // still exists; returns how many got it. Subscriptions stay.
    int Notify(StationEvent event);

    // What the station's window does on "WardexCommand": pops until the
    // mailbox is empty, subscribing windows and handing command 2 on.
    void ProcessCommands(const std::function<void()>& handleSelectedAlarm);

    // The other programs' side: appends a record; false when the mailbox is
    // full or invalid.
    bool Push(const MailboxCommand& command);

private:
    uint8_t* Record(int32_t index) const;

    std::string m_prefix;
    NamedMutex m_mutex;
    SharedMapping m_mapping;
    bool m_valid = false;
    std::vector<uint32_t> m_subscribers;
};
