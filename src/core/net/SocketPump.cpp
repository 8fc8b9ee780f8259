// SocketPump over poll(): the pollfd array is rebuilt every round, so there
// is no limit on the number of sockets.
#include "core/net/SocketPump.h"

#include "core/net/ForwardingClient.h"
#include "core/net/TcpSocket.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

SocketPump::~SocketPump()
{
    DeleteAutoDeleteSockets(false);
    for (TcpSocket* socket : m_registry)
        socket->m_owner = nullptr;
    m_registry.clear();
    if (m_forwardingClient != nullptr)
        m_forwardingClient->ForgetPump(*this);
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
    ++m_released;
    if (socket->m_owner == this)
        socket->m_owner = nullptr;
    std::printf("Socket Nr.%d entfernt. \n\r", socket->Handle());
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
}

void SocketPump::PollAndDispatch(int waitMs, int idleMs)
{
    if (!BuildSets()) {
        if (idleMs > 0)
            ::poll(nullptr, 0, idleMs);
        return;
    }
    if (::poll(m_pollSet.data(), m_pollSet.size(), waitMs) <= 0)
        return;
    for (size_t i = 0; i < m_pollSet.size(); ++i)
        m_polled[i]->m_readiness = m_pollSet[i].revents;
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

bool SocketPump::BuildSets()
{
    m_pollSet.clear();
    m_polled.clear();
    for (TcpSocket* socket : m_registry) {
        socket->m_readiness = 0;
        short events = 0;
        switch (socket->m_state) {
        case SocketState::Connected:
            if (socket->HasPendingOutput())
                events |= POLLOUT;
            if (socket->WantsRead())
                events |= POLLIN;
            break;
        case SocketState::Listening:
            // A listener out of descriptors waits for one to free instead
            // of being woken by the same pending connection every round.
            if (socket->WantsRead())
                events = POLLIN;
            break;
        case SocketState::ConnectPending:
        case SocketState::ClosePending:
            events = POLLOUT;
            break;
        case SocketState::None:
        case SocketState::Closed:
            continue;
        }
        // Errors are always reported, so every socket entered here is in the
        // error set as well.
        m_pollSet.push_back({socket->m_handle, events, 0});
        m_polled.push_back(socket);
    }
    return !m_pollSet.empty();
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
        socket->m_owner = nullptr;
        delete socket;
    }
}
