// What the recorder sessions of one pump share besides the pump: the
// connection guard, ticked in every round's housekeeping through a pump hook,
// and the forwarding client that, while there is one, takes their telegrams
// instead of local decoding. The pump itself knows neither. Sessions that
// outlive the hub decode locally and account to no guard.
#pragma once

#include "net/ConnectionGuard.h"

class ForwardingClient;
class SocketPump;

class SessionHub {
public:
    explicit SessionHub(SocketPump& pump);
    ~SessionHub();
    SessionHub(const SessionHub&) = delete;
    SessionHub& operator=(const SessionHub&) = delete;

    ConnectionGuard& Guard() { return m_guard; }
    ForwardingClient* Forwarding() const { return m_forwarding; }
    void SetForwarding(ForwardingClient* client) { m_forwarding = client; }

private:
    // Null once the pump is destroyed first.
    SocketPump* m_pump;
    int m_hook;
    ConnectionGuard m_guard;
    ForwardingClient* m_forwarding = nullptr;
};
