// Non-blocking IPv4 TCP socket, the base of every network connection of the
// station. A SocketPump turns readiness into calls of the virtual operations;
// subclasses override them to speak their protocol.
#pragma once

#include "net/ByteBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class SocketPump;

// The numbers are the ones the station's parts use for these states; 2 is
// unused.
enum class SocketState {
    None = 0,
    Closed = 1,
    Listening = 3,
    ConnectPending = 4, // outgoing connect in progress, or accepted and not yet seen writable
    Connected = 5,
    ClosePending = 6, // graceful close waiting for queued output to drain
};

enum class CloseMode { Graceful, Force };

enum class Blocking { No, Yes };

enum class AutoDelete { No, Yes };

class TcpSocket {
public:
    // Last error of a connection the peer closed.
    static constexpr int kPeerClosed = 11000;
    static constexpr int kNoHandle = -1;

    TcpSocket() = default;
    // Closes the handle at once, dropping queued output, and leaves the pump.
    virtual ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    virtual bool HasPendingOutput() const;
    virtual void OnAccept();
    virtual void OnReceive();
    // Flushes queued output.
    virtual void OnSendReady();
    virtual void OnConnect();
    // Records the code and closes at once. The pump never raises it.
    virtual void OnError(int code);
    // Records the code (kPeerClosed or an errno value) and closes at once.
    virtual void OnClose(int code);
    virtual bool WantsRead() const;
    // Runs after every dispatch round; finishes a graceful close once the
    // output has drained.
    virtual void AfterEvents();
    // What the pump's store sync was awaited for is durable now.
    virtual void OnStoreSynced() {}

    // Replaces any earlier handle with a fresh TCP socket; state Closed.
    [[nodiscard]] bool Create();
    // The host is tried as a dotted address, then resolved as a name. A
    // connect still in progress counts as success; state ConnectPending.
    [[nodiscard]] bool ConnectTo(const std::string& host, int port,
                                 Blocking blocking = Blocking::No);
    // Binds every local address, or the one dotted address given; port 0
    // lets the system choose (LocalPort).
    [[nodiscard]] bool Listen(int port, const std::string& address = {});
    // Accepts one pending connection into target, if given. Returns the new
    // handle or kNoHandle.
    int Accept(TcpSocket* target);
    bool AttachAccepted(int handle);
    // TCP keep-alive probes, so that a peer that vanished without a word is
    // noticed after idle + interval * count seconds.
    bool EnableKeepAlive(int idleSeconds, int intervalSeconds, int count);

    // One read of at most size bytes: the count, 0 when it would block, or -1
    // after OnClose has reported the peer's close or an error.
    int Receive(uint8_t* buffer, size_t size);
    // Appends to the output buffer. Fails without a socket.
    bool Queue(const uint8_t* bytes, size_t n);
    // One send of all queued output; sent bytes leave the buffer. Returns the
    // count, 0 when it would block, or -1 after OnClose reported the error.
    int64_t Send();
    // Queue, then Send: the way every protocol reply goes out.
    int64_t SendData(const uint8_t* bytes, size_t n);
    // Graceful: in state Connected or ClosePending with output queued, only
    // moves to ClosePending; nothing happens in state None.
    void Close(CloseMode mode);

    // Four zeros and false when there is no socket or no known peer.
    bool PeerAddress(std::array<int, 4>& address) const;
    // "%d.%d.%d.%d" of PeerAddress.
    std::string PeerAddressText() const;
    // Received bytes waiting to be read, or -1.
    int BytesAvailable() const;
    // The bound local port, or -1.
    int LocalPort() const;

    int Handle() const { return m_handle; }
    // The handle it has, or the one it had before it closed.
    int LastHandle() const { return IsOpen() ? m_handle : m_closedHandle; }
    SocketState State() const { return m_state; }
    bool IsOpen() const { return m_handle != kNoHandle; }
    int LastError() const { return m_lastError; }
    SocketPump* Owner() const { return m_owner; }
    void SetOwner(SocketPump* owner) { m_owner = owner; }
    bool IsAutoDelete() const { return m_autoDelete == AutoDelete::Yes; }
    void SetAutoDelete(AutoDelete autoDelete) { m_autoDelete = autoDelete; }
    size_t PendingOutput() const { return m_output.Length(); }
    // Whether the pump writes a trace line when the socket comes and goes;
    // off for short-lived connections nobody needs in the journal.
    bool IsTraced() const { return m_traced; }
    void SetTraced(bool traced) { m_traced = traced; }

    // For the pump that serves the socket. The readiness it waits for, as
    // poll() flags (POLLIN, POLLOUT), or nothing while there is no
    // connection to watch.
    std::optional<short> WantedEvents() const;
    // Runs the operations a round's readiness (poll() flags) calls for.
    void Serve(short readiness);
    // What the pump keeps for a socket it watches, carried here so that a
    // ready handle leads to its socket without a lookup. Only the watching
    // pump reads or writes it.
    struct PumpSlot {
        SocketPump* watcher = nullptr;
        int handle = kNoHandle;
        uint32_t events = 0;
        short readiness = 0;
    };
    PumpSlot& Slot() { return m_slot; }

protected:
    void SetLastError(int code) { m_lastError = code; }

private:
    void ReleaseHandle();
    bool SwitchToNonBlocking();
    int PendingSocketError() const;

    SocketPump* m_owner = nullptr;
    ByteBuffer m_output;
    AutoDelete m_autoDelete = AutoDelete::Yes;
    int m_handle = kNoHandle;
    // The handle before the last close, for the trace of its removal.
    int m_closedHandle = kNoHandle;
    int m_lastError = 0;
    SocketState m_state = SocketState::None;
    bool m_traced = true;
    PumpSlot m_slot;
};
