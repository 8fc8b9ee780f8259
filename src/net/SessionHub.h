// What the recorder sessions of one pump share besides the pump: the
// connection guard, ticked in every round's housekeeping through a pump hook,
// and the forwarding client that, while there is one, takes their telegrams
// instead of local decoding. The pump itself knows neither. Sessions that
// outlive the hub decode locally and account to no guard.
#pragma once

#include "net/ConnectionGuard.h"

#include <cstdint>

class ForwardingClient;
class SocketPump;

// Telegrams the sessions turned away, by reason; plain counts, so that
// counting costs the alarm path an increment.
struct RefusedTelegrams {
    // Decoded, but from no listed recorder.
    uint64_t unknownRecorder = 0;
    // Bytes that can never frame (a header whose checksum fails, a length
    // beyond the limit): the connection is closed, counted once.
    uint64_t badChecksum = 0;
    // Forwarding messages from a station that may not forward to this one.
    uint64_t forwardingNotAllowed = 0;
};

class SessionHub {
public:
    explicit SessionHub(SocketPump& pump);
    ~SessionHub();
    SessionHub(const SessionHub&) = delete;
    SessionHub& operator=(const SessionHub&) = delete;

    ConnectionGuard& Guard() { return m_guard; }
    ForwardingClient* Forwarding() const { return m_forwarding; }
    void SetForwarding(ForwardingClient* client) { m_forwarding = client; }
    RefusedTelegrams& Refused() { return m_refused; }

private:
    // Null once the pump is destroyed first.
    SocketPump* m_pump;
    int m_hook;
    ConnectionGuard m_guard;
    ForwardingClient* m_forwarding = nullptr;
    RefusedTelegrams m_refused;
};
