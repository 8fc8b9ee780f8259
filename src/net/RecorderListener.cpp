// Accepting recorder connections.
#include "net/RecorderListener.h"

#include "net/DescriptorLimit.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"

#include <cerrno>
#include <cstdio>
#include <memory>

RecorderListener::RecorderListener(TelegramSink& sink, SessionHub& hub) : m_sink(sink), m_hub(hub)
{
}

void RecorderListener::OnAccept()
{
    SocketPump* pump = Owner();
    if (pump == nullptr)
        return;
    ConnectionGuard& guard = m_hub.Guard();
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto session = std::make_unique<RecorderSession>(m_sink, &m_hub);
        session->SetOwner(pump);
        if (Accept(session.get()) == kNoHandle) {
            int error = errno;
            if (error != EMFILE && error != ENFILE)
                return;
            // Closing a connection frees its descriptor at once.
            if (attempt == 0 && guard.DropOldestUnproven())
                continue;
            Pause();
            return;
        }
        // A failed accept leaves nothing to serve; registering the empty
        // session would keep it in the registry for good.
        if (!session->IsOpen())
            return;
        session->EnableKeepAlive(kKeepAliveIdleSeconds, kKeepAliveIntervalSeconds,
                                 kKeepAliveProbes);
        session->MarkAccepted(guard.NowMs());
        if (!guard.Admit(*session))
            return;
        // The last few descriptors stay free for the database, mail and
        // backups: connections that never sent anything valid make room, a
        // listed recorder takes the place of an unlisted peer, or else the
        // newcomer goes and accepting rests.
        if (IsNearDescriptorLimit(session->Handle()) && !MakeRoom(guard) &&
            !(guard.IsListed(*session) && guard.DropOldestUnlisted(*session))) {
            // The next waiting connection is taken in the next round, so a
            // listed recorder behind this one is not held up.
            if (!m_refusalReported) {
                std::printf("No descriptor left: connections from unlisted addresses refused.\n");
                std::fflush(stdout);
            }
            m_refusalReported = true;
            return;
        }
        m_refusalReported = false;
        m_pauseReported = false;
        pump->Register(session.release());
        return;
    }
}

bool RecorderListener::IsNearDescriptorLimit(int handle)
{
    // Descriptors are handed out lowest first: a high number is the only
    // sign worth counting for.
    long limit = SoftDescriptorLimit();
    return limit > 0 && handle + kReservedDescriptors >= limit;
}

bool RecorderListener::MakeRoom(ConnectionGuard& guard)
{
    long limit = SoftDescriptorLimit();
    long open = OpenDescriptorCount();
    if (open < 0)
        open = limit;
    // Down to twice the reserve, so that counting is rare.
    while (open > limit - 2 * kReservedDescriptors && guard.DropOldestUnproven())
        --open;
    return open <= limit - kReservedDescriptors;
}

bool RecorderListener::WantsRead() const
{
    if (!m_paused)
        return true;
    SocketPump* pump = Owner();
    if (pump == nullptr || pump->ReleasedCount() != m_pausedAtReleased ||
        m_hub.Guard().NowMs() - m_pausedAtMs >= kPauseMs)
        m_paused = false;
    return !m_paused;
}

void RecorderListener::Pause()
{
    if (!m_pauseReported) {
        std::printf("No descriptor left: accepting waits until a connection closes.\n");
        std::fflush(stdout);
    }
    m_pauseReported = true;
    m_paused = true;
    m_pausedAtReleased = Owner()->ReleasedCount();
    m_pausedAtMs = m_hub.Guard().NowMs();
}
