#include "net/SessionHub.h"

#include "net/ForwardingClient.h"
#include "net/RecorderSession.h"
#include "net/SocketPump.h"

SessionHub::SessionHub(SocketPump& pump)
    : m_pump(&pump), m_hook(pump.AddHook({.round = [this] { m_guard.Tick(); },
                                          .gone = [this] { m_pump = nullptr; }})),
      m_guard(pump)
{
}

SessionHub::~SessionHub()
{
    if (m_forwarding != nullptr)
        m_forwarding->LeaveSessions();
    if (m_pump == nullptr)
        return;
    m_pump->RemoveHook(m_hook);
    for (TcpSocket* socket : m_pump->Sockets()) {
        auto* session = dynamic_cast<RecorderSession*>(socket);
        if (session != nullptr && session->Hub() == this)
            session->LeaveHub();
    }
}
