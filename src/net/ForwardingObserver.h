// What the forwarding client reports to the forwarding manager that owns it.
#pragma once

class ForwardingObserver {
public:
    virtual ~ForwardingObserver() = default;

    // The connection failed, was lost, or was closed after a time-out.
    virtual void OnLinkDown() = 0;
    // The connection came up and the greeting has been sent.
    virtual void OnLinkUp() = 0;
    // The other station answered the greeting.
    virtual void OnHostAccepted() = 0;
    // The other station did not answer the greeting in time.
    virtual void OnHostRefused() = 0;
    virtual void OnAlarmQueued() = 0;
    // The other station acknowledged the head of the queue, which is gone now.
    virtual void OnAlarmForwarded() = 0;
};
