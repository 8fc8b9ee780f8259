// The station's listening socket: every accepted connection becomes a
// RecorderSession registered with the listener's pump.
#pragma once

#include "core/net/TcpSocket.h"

class TelegramSink;

class RecorderListener final : public TcpSocket {
public:
    // Sessions hand their telegrams to sink, which must outlive them.
    explicit RecorderListener(TelegramSink& sink);

    // Does nothing unless the listener is registered with a pump.
    void OnAccept() override;

private:
    TelegramSink& m_sink;
};
