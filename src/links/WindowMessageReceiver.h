// A window's receiving end for window messages, polled by the SocketPump like
// any socket: it binds the window's datagram socket and hands every message
// that arrives to its handler. Owned by its window, never deleted by the pump.
#pragma once

#include "net/TcpSocket.h"
#include "platform/WindowMessages.h"

#include <cstdint>
#include <functional>

class WindowMessageReceiver final : public TcpSocket {
public:
    using Handler = std::function<void(const WindowMessage&)>;

    explicit WindowMessageReceiver(Handler handler);

    // Binds the socket of the window handle; false when another window
    // holds it. Register with a pump afterwards.
    [[nodiscard]] bool Open(uint32_t window);
    uint32_t Window() const { return m_window; }
    // Malformed datagrams dropped so far.
    int Dropped() const { return m_dropped; }
    // Messages from other users refused so far; the first is reported.
    int Refused() const { return m_refused; }

    void OnReceive() override;

private:
    Handler m_handler;
    uint32_t m_window = 0;
    int m_dropped = 0;
    int m_refused = 0;
};
