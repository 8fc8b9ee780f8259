// SocketPump over epoll, level-triggered: a socket stays in the readiness
// set while it waits for anything, so a round costs in proportion to the
// sockets that are ready, not to those registered.
#include "net/SocketPump.h"

#include "net/ForwardingClient.h"
#include "net/TcpSocket.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <unistd.h>

namespace {

constexpr uint32_t kNotWatched = 0xFFFFFFFFu;

// The events a socket in its state waits for, or kNotWatched.
uint32_t WantedEvents(const TcpSocket& socket, SocketState state)
{
    switch (state) {
    case SocketState::Connected: {
        uint32_t events = 0;
        if (socket.HasPendingOutput())
            events |= EPOLLOUT;
        if (socket.WantsRead())
            events |= EPOLLIN;
        return events;
    }
    case SocketState::Listening:
        // A listener out of descriptors waits for one to free instead
        // of being woken by the same pending connection every round.
        return socket.WantsRead() ? uint32_t{EPOLLIN} : 0;
    case SocketState::ConnectPending:
    case SocketState::ClosePending:
        return EPOLLOUT;
    case SocketState::None:
    case SocketState::Closed:
        // An unconnected socket reads as hung up: never in the set.
        break;
    }
    return kNotWatched;
}

short AsPollFlags(uint32_t events)
{
    short flags = 0;
    if ((events & EPOLLIN) != 0)
        flags |= POLLIN;
    if ((events & EPOLLOUT) != 0)
        flags |= POLLOUT;
    if ((events & EPOLLERR) != 0)
        flags |= POLLERR;
    if ((events & EPOLLHUP) != 0)
        flags |= POLLHUP;
    return flags;
}

} // namespace

SocketPump::SocketPump()
{
    EnsureReadinessSet();
}

SocketPump::~SocketPump()
{
    DeleteAutoDeleteSockets(false);
    for (TcpSocket* socket : m_registry) {
        socket->m_owner = nullptr;
        Unwatch(*socket);
    }
    m_registry.clear();
    if (m_forwardingClient != nullptr)
        m_forwardingClient->ForgetPump(*this);
    if (m_readinessSet >= 0)
        ::close(m_readinessSet);
}

bool SocketPump::EnsureReadinessSet()
{
    if (m_readinessSet >= 0)
        return true;
    m_readinessSet = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_readinessSet < 0) {
        // Out of descriptors: retried every round until one frees.
        std::perror("epoll_create1");
        return false;
    }
    return true;
}

void SocketPump::Housekeeping()
{
    m_guard.Tick();
    DeleteClosedSockets();
}

void SocketPump::Register(TcpSocket* socket)
{
    if (socket == nullptr)
        return;
    socket->m_owner = this;
    if (!IsRegistered(socket))
        m_registry.push_back(socket);
    if (!socket->IsOpen()) {
        std::printf("Unconnected socket %d registered. \n\r", socket->Handle());
    } else {
        std::array<int, 4> peer{};
        socket->PeerAddress(peer);
        std::printf("Socket %d registered, connected to %d.%d.%d.%d\n\r", socket->Handle(), peer[0],
                    peer[1], peer[2], peer[3]);
    }
    std::fflush(stdout);
}

void SocketPump::Unregister(TcpSocket* socket)
{
    auto found = std::find(m_registry.begin(), m_registry.end(), socket);
    if (found == m_registry.end())
        return;
    m_registry.erase(found);
    Unwatch(*socket);
    ++m_released;
    if (socket->m_owner == this)
        socket->m_owner = nullptr;
    TraceRemoval(*socket);
}

void SocketPump::TraceRemoval(const TcpSocket& socket)
{
    std::printf("Socket Nr.%d entfernt. \n\r",
                socket.IsOpen() ? socket.Handle() : socket.m_closedHandle);
    std::fflush(stdout);
}

bool SocketPump::IsRegistered(const TcpSocket* socket) const
{
    return std::find(m_registry.begin(), m_registry.end(), socket) != m_registry.end();
}

bool SocketPump::Run(PumpLoop loop, PumpWait wait)
{
    int waitMs = wait == PumpWait::Interval && m_intervalMs > 0 ? m_intervalMs : 0;
    while (!m_stop) {
        PollAndDispatch(waitMs, m_intervalMs);
        Housekeeping();
        // After the drain, so that what its timers stored is in the same sync.
        if (m_storeSync)
            SyncStore();
        if (loop == PumpLoop::Once)
            break;
    }
    return m_stop;
}

void SocketPump::ServeNestedRound()
{
    if (m_stop)
        return;
    PollAndDispatch(0, 0);
    DeleteClosedSockets();
    if (m_storeSync)
        SyncStore();
}

void SocketPump::SyncStore()
{
    if (m_storeSync)
        m_storeSync();
    if (!std::exchange(m_syncAwaited, false))
        return;
    // By index: a reply that fails closes its socket, which stays registered
    // until housekeeping.
    for (size_t i = 0; i < m_registry.size(); ++i)
        m_registry[i]->OnStoreSynced();
}

void SocketPump::PollAndDispatch(int waitMs, int idleMs)
{
    if (!UpdateInterest()) {
        if (idleMs > 0)
            ::poll(nullptr, 0, idleMs);
        return;
    }
    // Room for every socket: none waits a round for want of a slot.
    m_ready.resize(std::max<size_t>(m_registry.size(), 16));
    int count =
        ::epoll_wait(m_readinessSet, m_ready.data(), static_cast<int>(m_ready.size()), waitMs);
    if (count <= 0)
        return;
    // No handler has run since UpdateInterest: every pointer is a
    // registered socket (a closing handle leaves the set first).
    for (int i = 0; i < count; ++i) {
        auto* socket = static_cast<TcpSocket*>(m_ready[i].data.ptr);
        socket->m_readiness = AsPollFlags(m_ready[i].events);
    }
    Dispatch();
}

void SocketPump::Stop()
{
    m_stop = true;
    for (TcpSocket* socket : m_registry) {
        if (socket->IsAutoDelete())
            socket->Close(CloseMode::Force);
    }
    // Inside a dispatch the sockets are still in use; the round's
    // housekeeping deletes them, as they are all closed now.
    if (m_dispatchDepth == 0)
        DeleteAutoDeleteSockets(false);
}

void SocketPump::DeleteClosedSockets()
{
    if (m_dispatchDepth == 0)
        DeleteAutoDeleteSockets(true);
}

bool SocketPump::UpdateInterest()
{
    if (!EnsureReadinessSet())
        return false;
    bool any = false;
    for (TcpSocket* socket : m_registry) {
        socket->m_readiness = 0;
        uint32_t events = socket->m_handle == TcpSocket::kNoHandle
                              ? kNotWatched
                              : WantedEvents(*socket, socket->m_state);
        if (events == kNotWatched) {
            Unwatch(*socket);
            continue;
        }
        // Errors and hang-ups are always reported, as with poll().
        Watch(*socket, events);
        any = any || socket->m_watcher == this;
    }
    return any;
}

void SocketPump::Watch(TcpSocket& socket, uint32_t events)
{
    if (socket.m_watcher == this && socket.m_watchedHandle == socket.m_handle &&
        socket.m_watchedEvents == events)
        return;
    if (socket.m_watcher != nullptr &&
        (socket.m_watcher != this || socket.m_watchedHandle != socket.m_handle))
        socket.m_watcher->Unwatch(socket);
    epoll_event entry{};
    entry.events = events;
    entry.data.ptr = &socket;
    int operation = socket.m_watcher == this ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    int result = ::epoll_ctl(m_readinessSet, operation, socket.m_handle, &entry);
    // A handle number the set still knows, or one it forgot: the other way.
    if (result != 0 && (errno == EEXIST || errno == ENOENT)) {
        operation = operation == EPOLL_CTL_ADD ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
        result = ::epoll_ctl(m_readinessSet, operation, socket.m_handle, &entry);
    }
    if (result != 0) {
        // Tried again next round.
        socket.m_watcher = nullptr;
        socket.m_watchedHandle = TcpSocket::kNoHandle;
        return;
    }
    socket.m_watcher = this;
    socket.m_watchedHandle = socket.m_handle;
    socket.m_watchedEvents = events;
}

void SocketPump::Unwatch(TcpSocket& socket)
{
    if (socket.m_watcher != this) {
        if (socket.m_watcher != nullptr)
            socket.m_watcher->Unwatch(socket);
        return;
    }
    // The handle may be closed already; then the set has dropped it.
    epoll_event unused{};
    ::epoll_ctl(m_readinessSet, EPOLL_CTL_DEL, socket.m_watchedHandle, &unused);
    socket.m_watcher = nullptr;
    socket.m_watchedHandle = TcpSocket::kNoHandle;
}

void SocketPump::Dispatch()
{
    ++m_dispatchDepth;
    for (size_t i = 0; i < m_registry.size(); ++i) {
        TcpSocket* socket = m_registry[i];
        short events = std::exchange(socket->m_readiness, 0);
        if (std::ranges::find(m_inHandler, socket) != m_inHandler.end())
            continue;
        m_inHandler.push_back(socket);
        if ((events & (POLLERR | POLLNVAL)) != 0) {
            socket->OnClose(socket->PendingSocketError());
            socket->AfterEvents();
            m_inHandler.pop_back();
            continue;
        }
        // A hang-up without an error reads as readable: the read then sees the
        // end of the stream and reports the peer's close.
        if ((events & (POLLIN | POLLHUP)) != 0) {
            if (socket->m_state == SocketState::Listening)
                socket->OnAccept();
            else
                socket->OnReceive();
        }
        if ((events & POLLOUT) != 0) {
            if (socket->m_state == SocketState::ConnectPending) {
                socket->m_state = SocketState::Connected;
                socket->OnConnect();
            } else {
                socket->OnSendReady();
            }
        }
        socket->AfterEvents();
        m_inHandler.pop_back();
    }
    --m_dispatchDepth;
}

void SocketPump::DeleteAutoDeleteSockets(bool onlyClosed)
{
    std::vector<TcpSocket*> doomed;
    std::erase_if(m_registry, [&](TcpSocket* socket) {
        if (!socket->IsAutoDelete() || (onlyClosed && socket->m_state != SocketState::Closed))
            return false;
        doomed.push_back(socket);
        return true;
    });
    m_released += doomed.size();
    for (TcpSocket* socket : doomed) {
        TraceRemoval(*socket);
        socket->m_owner = nullptr;
        delete socket;
    }
}
