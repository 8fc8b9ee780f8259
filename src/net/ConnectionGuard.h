// Keeps the station reachable for its recorders whatever else connects:
// a cap on connections per address that is not a listed recorder, a bound
// on the bytes all receive buffers hold together (the oldest partial
// telegram goes first), the closing of connections idle far beyond any
// supervision interval, and, when descriptors run out, room for the next
// connection made by dropping the oldest one that never sent anything valid.
// Every session of a pump reports to the guard of its SessionHub.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class RecorderSession;
class SocketPump;

struct ConnectionLimits {
    // Together, across every connection.
    size_t maxBufferedBytes = size_t{16} << 20;
    // Connections from one address that is not in the recorder list.
    int maxPerUnlistedAddress = 32;
    // Silence after which a connection is closed; the supervision interval
    // can only make it longer.
    int64_t minIdleMs = int64_t{60} * 60 * 1000;
};

class ConnectionGuard {
public:
    // Whether an address belongs to a listed recorder.
    using ListedTest = std::function<bool(std::string_view address)>;
    // The longest interval at which a listed recorder announced its test
    // messages, in milliseconds (0: none).
    using IntervalSource = std::function<int64_t()>;
    using Clock = std::function<int64_t()>;

    explicit ConnectionGuard(SocketPump& pump);

    void SetLimits(const ConnectionLimits& limits) { m_limits = limits; }
    const ConnectionLimits& Limits() const { return m_limits; }
    void SetListedTest(ListedTest test) { m_isListed = std::move(test); }
    void SetIntervalSource(IntervalSource source) { m_longestInterval = std::move(source); }
    // Steady milliseconds; tests inject their own.
    void SetClock(Clock clock) { m_clock = std::move(clock); }
    int64_t NowMs() const;

    // False when the session's address already has its share of connections;
    // the cap applies once a listed test is set.
    bool Admit(RecorderSession& session);
    // Closes the oldest open session that has sent nothing valid; false
    // when every session has.
    bool DropOldestUnproven();
    // For a listed recorder when nothing else makes room: closes the oldest
    // open session from an address that is not listed.
    bool DropOldestUnlisted(const RecorderSession& except);
    bool IsListed(RecorderSession& session) const;
    // Recorder connections open now; walks the pump's sockets.
    int OpenSessionCount() const { return static_cast<int>(OpenSessions().size()); }

    // A session's receive buffer now holds `capacity` bytes instead of
    // `before`; closes the sessions with the oldest partial telegrams while
    // the total is over the bound.
    void Account(size_t before, size_t capacity);
    size_t BufferedBytes() const { return m_buffered; }

    // Closes connections silent for longer than IdleLimitMs.
    int CloseIdle(int64_t nowMs);
    int64_t IdleLimitMs() const;

    // Called every round (SessionHub hooks it into the pump); runs
    // CloseIdle about once a second.
    void Tick();

private:
    std::vector<RecorderSession*> OpenSessions() const;
    void EnforceBudget();

    SocketPump& m_pump;
    ConnectionLimits m_limits;
    ListedTest m_isListed;
    IntervalSource m_longestInterval;
    Clock m_clock;
    size_t m_buffered = 0;
    int64_t m_lastSweepMs = 0;
    bool m_enforcing = false;
};
