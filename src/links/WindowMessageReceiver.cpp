// The datagram socket joins the pump as an adopted handle: it starts in the
// connect-pending state, the pump sees it writable in its first round (an
// unconnected datagram socket always is) and polls it for reading from then
// on. Reads bypass TcpSocket::Receive, which would take an empty datagram for
// the peer's close.
#include "links/WindowMessageReceiver.h"

#include <cstdio>
#include <utility>

WindowMessageReceiver::WindowMessageReceiver(Handler handler) : m_handler(std::move(handler))
{
    SetAutoDelete(AutoDelete::No);
}

bool WindowMessageReceiver::Open(uint32_t window)
{
    int endpoint = OpenWindowEndpoint(window);
    if (endpoint < 0)
        return false;
    m_window = window;
    return AttachAccepted(endpoint);
}

void WindowMessageReceiver::OnReceive()
{
    for (;;) {
        WindowMessage message;
        switch (ReceiveWindowMessage(Handle(), message)) {
        case ReceiveResult::Message:
            if (m_handler)
                m_handler(message);
            // The handler may have closed the receiver.
            if (!IsOpen())
                return;
            break;
        case ReceiveResult::Malformed:
            ++m_dropped;
            break;
        case ReceiveResult::Refused:
            // Once: a flood must not fill the journal.
            if (m_refused++ == 0)
                std::fprintf(stderr,
                             "Wardex: window messages from other users are refused (the first "
                             "came from uid %u).\n",
                             message.senderUid);
            break;
        case ReceiveResult::Nothing:
        case ReceiveResult::Failed:
            return;
        }
    }
}
