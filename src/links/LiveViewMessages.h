// Names and codes the station and the live-view program exchange as window
// messages and in the command mailbox.
#pragma once

#include <cstdint>

// Posted to the live-view window after each request; received by the station
// as the request to come to the front.
inline constexpr const char* kViewerNotificationMessage = "KavexNoticiation";
// Posted to subscribed windows with an event code; received by the station as
// the signal to empty its command mailbox.
inline constexpr const char* kStationCommandMessage = "WardexCommand";

// Event codes posted to subscribers as the message's first parameter.
enum class StationEvent : int32_t {
    AlarmDispatched = 1,
    AlarmConfirmed = 2,
    AlarmPostponed = 3,
    AlarmDeleted = 4,
    AlarmWindowOpened = 5,
    StationEnding = 6,
};

// Commands of the mailbox.
enum class MailboxCommandCode : int32_t {
    None = 0,
    Subscribe = 1, // argument: the window handle to notify
    HandleSelectedAlarm = 2,
};
