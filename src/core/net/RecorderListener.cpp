// Accepting recorder connections.
#include "core/net/RecorderListener.h"

#include "core/net/RecorderSession.h"
#include "core/net/SocketPump.h"

#include <memory>

RecorderListener::RecorderListener(TelegramSink& sink) : m_sink(sink) {}

void RecorderListener::OnAccept()
{
    SocketPump* pump = Owner();
    if (pump == nullptr)
        return;
    auto session = std::make_unique<RecorderSession>(m_sink);
    session->SetOwner(pump);
    // A failed accept leaves nothing to serve; registering the empty session
    // would keep it in the registry for good.
    if (Accept(session.get()) == kNoHandle || !session->IsOpen())
        return;
    pump->Register(session.release());
}
