// The station's main loop: each round waits at most 10 ms for readiness of
// any registered socket, dispatches it to the sockets' virtual operations and
// then runs Housekeeping, which deletes closed sockets. The sockets stay in
// one kernel readiness set; a round only changes the entries whose interest
// changed, so a thousand idle connections cost next to nothing.
//
// The pump knows handles, the events each socket waits for and the
// operations that serve them; what lives beside the loop (the connection
// guard, the forwarding client) hooks into it.
//
// Rules of the loop. There is one thread. A handler may register and
// unregister sockets and may start a nested Run; the registry is walked by
// index, so a socket registered during dispatch is visited in the same round
// (with no events) and a socket unregistered during dispatch may let the next
// one wait a round. A handler never deletes a socket: it closes it, and the
// pump deletes it once no dispatch is in progress. Registering a socket whose
// auto-delete flag is set hands its ownership to the pump. A nested round
// (from a handler, or from a modal dialog's loop) never re-enters a socket
// whose handler is still running further up: that socket waits until its
// handler has returned.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/epoll.h>

class TcpSocket;

// Told where a round's work begins (its wait for readiness is over) and
// where it ends (after housekeeping and the store sync); nested rounds are
// not timed.
class RoundTimer {
public:
    virtual ~RoundTimer() = default;
    virtual void WorkBegins() = 0;
    virtual void RoundEnds() = 0;
};

enum class PumpLoop { Once, UntilStopped };

enum class PumpWait { Poll, Interval };

class SocketPump {
public:
    static constexpr int kIntervalMs = 10;

    SocketPump();
    // Deletes the auto-delete sockets; the others are told the pump is gone.
    virtual ~SocketPump();
    SocketPump(const SocketPump&) = delete;
    SocketPump& operator=(const SocketPump&) = delete;

    // Deletes every closed auto-delete socket.
    virtual void Housekeeping();

    // Trace lines go to standard output.
    void Register(TcpSocket* socket);
    void Unregister(TcpSocket* socket);
    bool IsRegistered(const TcpSocket* socket) const;
    const std::vector<TcpSocket*>& Sockets() const { return m_registry; }

    // Returns the stop flag.
    bool Run(PumpLoop loop, PumpWait wait);
    // One round from inside a nested event loop such as a modal dialog's:
    // polls without waiting, serves the sockets and deletes closed ones, but
    // runs no Housekeeping, as that loop dispatches the desktop's events.
    void ServeNestedRound();
    // Sets the stop flag and closes and deletes every auto-delete socket.
    void Stop();
    bool IsStopped() const { return m_stop; }

    // Work that lives beside the loop rather than in it: `round` runs in
    // every round's housekeeping, `gone` when the pump is destroyed. Either
    // may be empty. With `nested` set, `round` also runs in the rounds of a
    // nested loop, for what must go on while a dialog is open. The id is for
    // RemoveHook.
    struct Hook {
        std::function<void()> round;
        std::function<void()> gone;
        bool nested = false;
    };
    int AddHook(Hook hook);
    void RemoveHook(int id);

    // What makes the records stored so far durable (the station's /sync),
    // run once at the end of every round; empty for none, and then a record
    // counts as stored once it is written.
    using StoreSync = std::function<void()>;
    void SetStoreSync(StoreSync sync) { m_storeSync = std::move(sync); }
    bool SyncsStore() const { return static_cast<bool>(m_storeSync); }
    // A socket holds replies until what it stored is durable: the next
    // SyncStore tells every socket through OnStoreSynced.
    void AwaitStoreSync() { m_syncAwaited = true; }
    // Runs the store sync now, then lets the waiting replies go.
    void SyncStore();

    // Not owned; null for none.
    void SetRoundTimer(RoundTimer* timer) { m_roundTimer = timer; }

    // Before a socket's handle closes, or the socket leaves the pump: the
    // readiness set forgets it.
    void Unwatch(TcpSocket& socket);

    // Counts the sockets that have left the registry, so that a listener
    // waiting for a free descriptor sees one go.
    uint64_t ReleasedCount() const { return m_released; }

protected:
    void DeleteClosedSockets();

private:
    // Brings every registered socket's entry in the readiness set in line
    // with what it waits for; false when none waits for anything.
    bool UpdateInterest();
    void Watch(TcpSocket& socket, uint32_t events);
    // "Socket Nr.N entfernt." with the handle the socket had.
    static void TraceRemoval(const TcpSocket& socket);
    bool EnsureReadinessSet();
    // idleMs: how long to wait when no socket is registered.
    void PollAndDispatch(int waitMs, int idleMs);
    void RunHooks(bool nestedOnly);
    void Dispatch();
    void DeleteAutoDeleteSockets(bool onlyClosed);

    std::vector<TcpSocket*> m_registry;
    // The epoll set; owned, closed by the destructor.
    int m_readinessSet = -1;
    std::vector<epoll_event> m_ready;
    int m_intervalMs = kIntervalMs;
    bool m_stop = false;
    int m_dispatchDepth = 0;
    // The sockets whose handlers are running, innermost last.
    std::vector<TcpSocket*> m_inHandler;
    uint64_t m_released = 0;
    StoreSync m_storeSync;
    bool m_syncAwaited = false;
    std::vector<std::pair<int, Hook>> m_hooks;
    int m_lastHook = 0;
    RoundTimer* m_roundTimer = nullptr;
    // Set while a top-level round of Run is being served.
    bool m_timingRound = false;
};
