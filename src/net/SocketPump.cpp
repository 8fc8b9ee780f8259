// SocketPump over epoll, level-triggered: a socket stays in the readiness
// set while it waits for anything, so a round costs in proportion to the
// sockets that are ready, not to those registered.
#include "net/SocketPump.h"

#include "net/TcpSocket.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include <unistd.h>

namespace {

uint32_t AsEpollEvents(short flags)
{
    uint32_t events = 0;
    if ((flags & POLLIN) != 0)
        events |= EPOLLIN;
    if ((flags & POLLOUT) != 0)
        events |= EPOLLOUT;
    return events;
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
        socket->SetOwner(nullptr);
        Unwatch(*socket);
    }
    m_registry.clear();
    for (auto& [id, hook] : std::exchange(m_hooks, {})) {
        if (hook.gone)
            hook.gone();
    }
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
    RunHooks(false);
    DeleteClosedSockets();
}

void SocketPump::RunHooks(bool nestedOnly)
{
    // By index: a hook may add or remove hooks.
    for (size_t i = 0; i < m_hooks.size(); ++i) {
        const Hook& hook = m_hooks[i].second;
        if (hook.round && (hook.nested || !nestedOnly))
            hook.round();
    }
}

int SocketPump::AddHook(Hook hook)
{
    m_hooks.emplace_back(++m_lastHook, std::move(hook));
    return m_lastHook;
}

void SocketPump::RemoveHook(int id)
{
    std::erase_if(m_hooks, [id](const auto& entry) { return entry.first == id; });
}

void SocketPump::Register(TcpSocket* socket)
{
    if (socket == nullptr)
        return;
    socket->SetOwner(this);
    if (!IsRegistered(socket))
        m_registry.push_back(socket);
    if (!socket->IsTraced())
        return;
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
    if (socket->Owner() == this)
        socket->SetOwner(nullptr);
    TraceRemoval(*socket);
}

void SocketPump::TraceRemoval(const TcpSocket& socket)
{
    if (!socket.IsTraced())
        return;
    std::printf("Socket Nr.%d entfernt. \n\r", socket.LastHandle());
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
        m_timingRound = m_roundTimer != nullptr;
        PollAndDispatch(waitMs, m_intervalMs);
        Housekeeping();
        // After the drain, so that what its timers stored is in the same sync.
        if (m_storeSync)
            SyncStore();
        if (std::exchange(m_timingRound, false) && m_roundTimer != nullptr)
            m_roundTimer->RoundEnds();
        if (loop == PumpLoop::Once)
            break;
    }
    return m_stop;
}

void SocketPump::ServeNestedRound()
{
    if (m_stop)
        return;
    // A nested round inside a timed one must not start its timing again.
    bool timing = std::exchange(m_timingRound, false);
    PollAndDispatch(0, 0);
    m_timingRound = timing;
    RunHooks(true);
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
        if (m_timingRound)
            m_roundTimer->WorkBegins();
        return;
    }
    // Room for every socket: none waits a round for want of a slot.
    m_ready.resize(std::max<size_t>(m_registry.size(), 16));
    int count =
        ::epoll_wait(m_readinessSet, m_ready.data(), static_cast<int>(m_ready.size()), waitMs);
    if (m_timingRound)
        m_roundTimer->WorkBegins();
    if (count <= 0)
        return;
    // No handler has run since UpdateInterest: every pointer is a
    // registered socket (a closing handle leaves the set first).
    for (int i = 0; i < count; ++i) {
        auto* socket = static_cast<TcpSocket*>(m_ready[i].data.ptr);
        socket->Slot().readiness = AsPollFlags(m_ready[i].events);
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
        socket->Slot().readiness = 0;
        std::optional<short> wanted = socket->WantedEvents();
        if (!wanted.has_value()) {
            Unwatch(*socket);
            continue;
        }
        // Errors and hang-ups are always reported, as with poll().
        Watch(*socket, AsEpollEvents(*wanted));
        any = any || socket->Slot().watcher == this;
    }
    return any;
}

void SocketPump::Watch(TcpSocket& socket, uint32_t events)
{
    TcpSocket::PumpSlot& slot = socket.Slot();
    int handle = socket.Handle();
    if (slot.watcher == this && slot.handle == handle && slot.events == events)
        return;
    if (slot.watcher != nullptr && (slot.watcher != this || slot.handle != handle))
        slot.watcher->Unwatch(socket);
    epoll_event entry{};
    entry.events = events;
    entry.data.ptr = &socket;
    int operation = slot.watcher == this ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
    int result = ::epoll_ctl(m_readinessSet, operation, handle, &entry);
    // A handle number the set still knows, or one it forgot: the other way.
    if (result != 0 && (errno == EEXIST || errno == ENOENT)) {
        operation = operation == EPOLL_CTL_ADD ? EPOLL_CTL_MOD : EPOLL_CTL_ADD;
        result = ::epoll_ctl(m_readinessSet, operation, handle, &entry);
    }
    if (result != 0) {
        // Tried again next round.
        slot.watcher = nullptr;
        slot.handle = TcpSocket::kNoHandle;
        return;
    }
    slot.watcher = this;
    slot.handle = handle;
    slot.events = events;
}

void SocketPump::Unwatch(TcpSocket& socket)
{
    TcpSocket::PumpSlot& slot = socket.Slot();
    if (slot.watcher != this) {
        if (slot.watcher != nullptr)
            slot.watcher->Unwatch(socket);
        return;
    }
    // The handle may be closed already; then the set has dropped it.
    epoll_event unused{};
    ::epoll_ctl(m_readinessSet, EPOLL_CTL_DEL, slot.handle, &unused);
    slot.watcher = nullptr;
    slot.handle = TcpSocket::kNoHandle;
}

void SocketPump::Dispatch()
{
    ++m_dispatchDepth;
    for (size_t i = 0; i < m_registry.size(); ++i) {
        TcpSocket* socket = m_registry[i];
        short events = std::exchange(socket->Slot().readiness, 0);
        if (std::ranges::find(m_inHandler, socket) != m_inHandler.end())
            continue;
        m_inHandler.push_back(socket);
        socket->Serve(events);
        m_inHandler.pop_back();
    }
    --m_dispatchDepth;
}

void SocketPump::DeleteAutoDeleteSockets(bool onlyClosed)
{
    std::vector<TcpSocket*> doomed;
    std::erase_if(m_registry, [&](TcpSocket* socket) {
        if (!socket->IsAutoDelete() || (onlyClosed && socket->State() != SocketState::Closed))
            return false;
        doomed.push_back(socket);
        return true;
    });
    m_released += doomed.size();
    for (TcpSocket* socket : doomed) {
        TraceRemoval(*socket);
        socket->SetOwner(nullptr);
        delete socket;
    }
}
