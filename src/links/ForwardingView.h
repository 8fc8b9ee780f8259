// What the forwarding manager shows and asks of its window.
#pragma once

#include <string>
#include <vector>

// The link icon's three looks.
enum class LinkLook { Error, Connecting, Connected };

struct ForwardingDisplay {
    // Start, Loeschen, Alle Loeschen, Schliessen and the host box are enabled
    // while stopped; Stop only while started.
    bool stopped = true;
    LinkLook link = LinkLook::Error;
    // The frame of the activity animation, 0..3; -1 for the still picture.
    int animationFrame = -1;
    std::string activityText;
    std::string hostStatusText;
    // Which of several targets is forwarded to; empty for a single host.
    std::string targetText;
    std::string receivedText;
    std::string forwardedText;
    std::string queueText;
    std::vector<std::string> hosts;
    std::string hostText;
};

class ForwardingView {
public:
    virtual ~ForwardingView() = default;

    virtual void Show(const ForwardingDisplay& display) = 0;
    // The 100 ms timer that calls the manager's Tick.
    virtual void SetTimerRunning(bool running) = 0;
    // A counter moved. Counted per alarm, shown per look: the view asks for
    // a Refresh when someone can see it, at most once per timer interval
    // (the running timer's own tick does it anyway).
    virtual void CountsChanged() = 0;
};
