// The station's pump: after the sockets of a round it drains the desktop's
// message queue through an injected drain, and turns the quit request into
// Stop. Once the desktop session ends it drains nothing more, but a quit
// request still ends the loop in order.
#pragma once

#include "net/SocketPump.h"

#include <functional>

class StationPump final : public SocketPump {
public:
    // Dispatches every waiting window message once; may call RequestQuit.
    using MessageDrain = std::function<void()>;

    explicit StationPump(MessageDrain drain);

    void Housekeeping() override;

    // The quit message: the pump stops after the current round's drain.
    void RequestQuit() { m_quitRequested = true; }
    bool QuitRequested() const { return m_quitRequested || IsStopped(); }
    void SetSessionEnding() { m_sessionEnding = true; }
    bool IsSessionEnding() const { return m_sessionEnding; }

private:
    MessageDrain m_drain;
    bool m_quitRequested = false;
    bool m_sessionEnding = false;
};
