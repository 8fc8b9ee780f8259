// The station's listening socket: every accepted connection becomes a
// RecorderSession registered with the listener's pump.
#pragma once

#include "net/TcpSocket.h"

#include <cstdint>

class ConnectionGuard;
class SessionHub;
class TelegramSink;

class RecorderListener final : public TcpSocket {
public:
    // Keep-alive on every connection: a recorder that vanished is noticed
    // within two minutes.
    static constexpr int kKeepAliveIdleSeconds = 60;
    static constexpr int kKeepAliveIntervalSeconds = 10;
    static constexpr int kKeepAliveProbes = 6;
    // Descriptors kept free for what the station itself opens.
    static constexpr int kReservedDescriptors = 32;
    // How long accepting rests when no descriptor is left and none came free.
    static constexpr int64_t kPauseMs = 1000;

    // Sessions hand their telegrams to sink and report to hub, which must
    // both outlive them.
    RecorderListener(TelegramSink& sink, SessionHub& hub);

    // Does nothing unless the listener is registered with a pump. Out of
    // descriptors, it closes the oldest connection that sent nothing valid
    // and tries again; with none such, it stops accepting until a
    // connection has gone.
    void OnAccept() override;
    bool WantsRead() const override;

    bool IsPaused() const { return m_paused; }

    // Whether a new descriptor of that number eats into the reserve.
    static bool IsNearDescriptorLimit(int handle);
    // Drops connections that sent nothing valid until the reserve is free;
    // false when it could not be.
    static bool MakeRoom(ConnectionGuard& guard);

private:
    void Pause();

    TelegramSink& m_sink;
    SessionHub& m_hub;
    mutable bool m_paused = false;
    uint64_t m_pausedAtReleased = 0;
    int64_t m_pausedAtMs = 0;
    // Each is reported once until a connection is taken in again.
    bool m_pauseReported = false;
    bool m_refusalReported = false;
};
