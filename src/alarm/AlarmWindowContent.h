// What an alarm window shows, computed from the alarm context: caption,
// times, the text sections and which are hidden, the running text, the
// comment rules and the priority colour.
#pragma once

#include "alarm/AlarmContext.h"
#include "events/RgbColor.h"

#include <string>

enum class PostProcessing { No, Yes };

enum class WindowFocus { ConfirmButton, Comment };

struct AlarmWindowContent {
    // The comment box takes at most this many characters.
    static constexpr int kCommentLimit = 45;

    std::string caption;
    int32_t priority = 0;
    RgbColor priorityColor;
    std::string arrivalText;   // "%s,%s"
    std::string departureText; // "%s, %s"

    bool showShortText = false; // the entry's Title
    std::string shortText;
    bool showLongText = false; // the entry's Message
    std::string longText;

    bool showScroller = false;
    std::string scrollerText;

    bool showComment = false;
    std::string commentLabel;
    WindowFocus focus = WindowFocus::ConfirmButton;

    // The window has a sizing border and remembers its width.
    bool resizable = false;
};

// resizable comes from the system settings and is left to the caller.
AlarmWindowContent ComposeAlarmWindow(const AlarmContext& context, PostProcessing postProcessing);
