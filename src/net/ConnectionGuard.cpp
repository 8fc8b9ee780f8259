// The limits that keep the station reachable.
#include "net/ConnectionGuard.h"

#include "net/RecorderSession.h"
#include "net/SocketPump.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

constexpr int64_t kSweepEveryMs = 1000;
// Silence this many supervision intervals long is no recorder's habit.
constexpr int64_t kIntervalsBeforeIdle = 3;

} // namespace

ConnectionGuard::ConnectionGuard(SocketPump& pump) : m_pump(pump) {}

int64_t ConnectionGuard::NowMs() const
{
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<RecorderSession*> ConnectionGuard::OpenSessions() const
{
    std::vector<RecorderSession*> sessions;
    for (TcpSocket* socket : m_pump.Sockets()) {
        auto* session = dynamic_cast<RecorderSession*>(socket);
        if (session != nullptr && session->IsOpen() && !session->IsReplay())
            sessions.push_back(session);
    }
    return sessions;
}

bool ConnectionGuard::Admit(RecorderSession& session)
{
    // Without a recorder list to tell them apart every address is welcome.
    const std::string& address = session.PeerText();
    if (!m_isListed || m_isListed(address))
        return true;
    int same = 0;
    for (RecorderSession* other : OpenSessions())
        same += other != &session && other->PeerText() == address ? 1 : 0;
    if (same < m_limits.maxPerUnlistedAddress)
        return true;
    std::printf("Connection from %s refused: %d connections from there already.\n", address.c_str(),
                same);
    std::fflush(stdout);
    return false;
}

bool ConnectionGuard::DropOldestUnproven()
{
    RecorderSession* oldest = nullptr;
    for (RecorderSession* session : OpenSessions()) {
        if (!session->HasSentValid() &&
            (oldest == nullptr || session->AcceptedMs() < oldest->AcceptedMs()))
            oldest = session;
    }
    if (oldest == nullptr)
        return false;
    std::printf("No descriptor left: closed the connection from %s, which sent nothing valid.\n",
                oldest->PeerText().c_str());
    std::fflush(stdout);
    oldest->Drop();
    return true;
}

bool ConnectionGuard::IsListed(RecorderSession& session) const
{
    return m_isListed && m_isListed(session.PeerText());
}

bool ConnectionGuard::DropOldestUnlisted(const RecorderSession& except)
{
    RecorderSession* oldest = nullptr;
    for (RecorderSession* session : OpenSessions()) {
        if (session != &except && !IsListed(*session) &&
            (oldest == nullptr || session->AcceptedMs() < oldest->AcceptedMs()))
            oldest = session;
    }
    if (oldest == nullptr)
        return false;
    std::printf("No descriptor left: closed the connection from %s for a listed recorder.\n",
                oldest->PeerText().c_str());
    std::fflush(stdout);
    oldest->Drop();
    return true;
}

void ConnectionGuard::Account(size_t before, size_t capacity)
{
    m_buffered = m_buffered - std::min(before, m_buffered) + capacity;
    if (m_buffered > m_limits.maxBufferedBytes)
        EnforceBudget();
}

void ConnectionGuard::EnforceBudget()
{
    if (m_enforcing)
        return;
    m_enforcing = true;
    while (m_buffered > m_limits.maxBufferedBytes) {
        RecorderSession* oldest = nullptr;
        for (RecorderSession* session : OpenSessions()) {
            if (session->PartialSinceMs() != 0 &&
                (oldest == nullptr || session->PartialSinceMs() < oldest->PartialSinceMs()))
                oldest = session;
        }
        if (oldest == nullptr)
            break;
        std::printf("Receive buffers hold over %zu bytes: dropped the oldest partial telegram "
                    "(%zu bytes from %s) and closed its connection.\n",
                    m_limits.maxBufferedBytes, oldest->BufferedBytes(), oldest->PeerText().c_str());
        std::fflush(stdout);
        oldest->Drop();
    }
    m_enforcing = false;
}

int64_t ConnectionGuard::IdleLimitMs() const
{
    int64_t interval = m_longestInterval ? m_longestInterval() : 0;
    return std::max(m_limits.minIdleMs, interval * kIntervalsBeforeIdle);
}

int ConnectionGuard::CloseIdle(int64_t nowMs)
{
    int64_t limit = IdleLimitMs();
    int closed = 0;
    for (RecorderSession* session : OpenSessions()) {
        if (nowMs - session->LastActivityMs() <= limit)
            continue;
        std::printf("Connection from %s closed after %lld s without data.\n",
                    session->PeerText().c_str(),
                    static_cast<long long>((nowMs - session->LastActivityMs()) / 1000));
        session->Drop();
        ++closed;
    }
    if (closed > 0)
        std::fflush(stdout);
    return closed;
}

void ConnectionGuard::Tick()
{
    int64_t now = NowMs();
    if (now - m_lastSweepMs < kSweepEveryMs)
        return;
    m_lastSweepMs = now;
    CloseIdle(now);
}
