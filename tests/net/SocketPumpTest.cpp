#include "net/SocketPump.h"

#include "NetTestSupport.h"
#include "net/StationPump.h"
#include "net/TcpSocket.h"

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// What a probe saw; it outlives the probe, which the pump may delete.
struct ProbeLog {
    std::vector<int> closeCodes;
    int receives = 0;
    int connects = 0;
    int afterEvents = 0;
    bool deleted = false;
    std::string received;
};

class Probe final : public TcpSocket {
public:
    explicit Probe(ProbeLog& log) : m_log(log) {}
    ~Probe() override { m_log.deleted = true; }

    void OnReceive() override
    {
        ++m_log.receives;
        uint8_t chunk[1024];
        int n = Receive(chunk, sizeof chunk);
        if (n > 0)
            m_log.received.append(reinterpret_cast<char*>(chunk), static_cast<size_t>(n));
        if (onReceive)
            onReceive();
    }
    void OnConnect() override { ++m_log.connects; }
    void OnClose(int code) override
    {
        m_log.closeCodes.push_back(code);
        TcpSocket::OnClose(code);
    }
    void AfterEvents() override
    {
        ++m_log.afterEvents;
        TcpSocket::AfterEvents();
    }

    std::function<void()> onReceive;

private:
    ProbeLog& m_log;
};

// A probe connected through the pump to a raw peer.
struct ConnectedProbe {
    ProbeLog log;
    Probe* probe = nullptr;
    std::unique_ptr<LoopbackPeer> peer;
};

void Connect(SocketPump& pump, RawListener& listener, ConnectedProbe& out)
{
    auto probe = std::make_unique<Probe>(out.log);
    ASSERT_TRUE(probe->Create());
    ASSERT_TRUE(probe->ConnectTo("127.0.0.1", listener.Port()));
    out.probe = probe.get();
    pump.Register(probe.release());
    int handle = -1;
    ASSERT_TRUE(PumpUntil(pump, [&] {
        if (handle < 0)
            handle = listener.TryAccept();
        return handle >= 0 && out.log.connects == 1;
    }));
    out.peer = std::make_unique<LoopbackPeer>(LoopbackPeer::Adopt(handle));
    EXPECT_EQ(out.probe->State(), SocketState::Connected);
}

// Two probes connected through one pump.
class TwoProbes : public ::testing::Test {
protected:
    void SetUp() override
    {
        Connect(pump, listener, first);
        Connect(pump, listener, second);
    }

    SocketPump pump;
    RawListener listener;
    ConnectedProbe first;
    ConnectedProbe second;
};

} // namespace

TEST(TcpSocket, StartsWithoutHandleAndCreateGivesAClosedSocket)
{
    TcpSocket socket;
    EXPECT_EQ(socket.State(), SocketState::None);
    EXPECT_EQ(socket.Handle(), -1);
    EXPECT_FALSE(socket.IsOpen());
    ASSERT_TRUE(socket.Create());
    EXPECT_EQ(socket.State(), SocketState::Closed);
    EXPECT_TRUE(socket.IsOpen());
}

TEST(TcpSocket, CreatingAgainReleasesTheEarlierHandle)
{
    TcpSocket socket;
    ASSERT_TRUE(socket.Create());
    int first = socket.Handle();
    ASSERT_TRUE(socket.Create());
    // The system hands out the lowest free number: the first one was freed.
    EXPECT_EQ(socket.Handle(), first);
}

TEST(TcpSocket, ConnectToFailsWithoutSocketOrWithAPortOutOfRange)
{
    TcpSocket socket;
    EXPECT_FALSE(socket.ConnectTo("127.0.0.1", 1));
    ASSERT_TRUE(socket.Create());
    EXPECT_FALSE(socket.ConnectTo("127.0.0.1", -1));
    EXPECT_FALSE(socket.ConnectTo("127.0.0.1", 65536));
    EXPECT_FALSE(socket.ConnectTo("", 1));
    EXPECT_EQ(socket.State(), SocketState::Closed);
}

TEST(TcpSocket, ListenOnABusyPortFailsAndRecordsTheError)
{
    TcpSocket first;
    ASSERT_TRUE(first.Create());
    ASSERT_TRUE(first.Listen(0));
    EXPECT_EQ(first.State(), SocketState::Listening);
    TcpSocket second;
    ASSERT_TRUE(second.Create());
    EXPECT_FALSE(second.Listen(first.LocalPort()));
    EXPECT_EQ(second.LastError(), EADDRINUSE);
    EXPECT_EQ(second.State(), SocketState::Closed);
    EXPECT_FALSE(second.IsOpen());
    TcpSocket third;
    ASSERT_TRUE(third.Create());
    EXPECT_FALSE(third.Listen(70000));
}

TEST(TcpSocket, PeerAddressWithoutSocketIsFourZeros)
{
    TcpSocket socket;
    std::array<int, 4> address = {9, 9, 9, 9};
    EXPECT_FALSE(socket.PeerAddress(address));
    EXPECT_EQ(address, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(socket.BytesAvailable(), -1);
    EXPECT_FALSE(socket.Queue(reinterpret_cast<const uint8_t*>("x"), 1));
}

TEST(SocketPump, RegisteringASocketWithoutHandleWritesTheUnconnectedTraceLine)
{
    SocketPump pump;
    TcpSocket socket;
    socket.SetAutoDelete(AutoDelete::No);
    testing::internal::CaptureStdout();
    pump.Register(&socket);
    pump.Unregister(&socket);
    pump.Unregister(&socket);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unconnected socket -1 registered. \n\rSocket Nr.-1 entfernt. \n\r");
    EXPECT_EQ(socket.Owner(), nullptr);
}

TEST(SocketPump, RegisteringAConnectedSocketWritesItsPeerAddress)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    pump.Unregister(connected.probe);
    testing::internal::CaptureStdout();
    pump.Register(connected.probe);
    std::string expected = "Socket " + std::to_string(connected.probe->Handle()) +
                           " registered, connected to 127.0.0.1\n\r";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    EXPECT_EQ(connected.probe->Owner(), &pump);
}

TEST(SocketPump, ASocketRegisteredTwiceIsListedOnce)
{
    SocketPump pump;
    TcpSocket socket;
    socket.SetAutoDelete(AutoDelete::No);
    pump.Register(&socket);
    pump.Register(&socket);
    EXPECT_EQ(pump.Sockets().size(), 1u);
    pump.Unregister(&socket);
    EXPECT_TRUE(pump.Sockets().empty());
}

TEST(SocketPump, AConnectBecomesConnectedAtTheFirstWritableEvent)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    EXPECT_EQ(connected.log.connects, 1);
}

TEST(SocketPump, PeerCloseReportsElevenThousandAndDeletesTheSocketInTheSameRound)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    std::string trace = "Socket Nr." + std::to_string(connected.probe->Handle()) + " entfernt.";
    connected.peer->Close();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(PumpUntil(pump, [&] { return !connected.log.closeCodes.empty(); }));
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(connected.log.closeCodes, std::vector<int>{TcpSocket::kPeerClosed});
    EXPECT_TRUE(connected.log.deleted);
    EXPECT_TRUE(pump.Sockets().empty());
    EXPECT_NE(output.find(trace), std::string::npos) << output;
}

TEST(SocketPump, ARefusedConnectReachesOnCloseWithTheSocketsError)
{
    SocketPump pump;
    ProbeLog log;
    auto probe = std::make_unique<Probe>(log);
    ASSERT_TRUE(probe->Create());
    ASSERT_TRUE(probe->ConnectTo("127.0.0.1", UnusedPort()));
    EXPECT_EQ(probe->State(), SocketState::ConnectPending);
    pump.Register(probe.release());
    ASSERT_TRUE(PumpUntil(pump, [&] { return !log.closeCodes.empty(); }));
    EXPECT_EQ(log.closeCodes, std::vector<int>{ECONNREFUSED});
    EXPECT_EQ(log.connects, 0);
    EXPECT_TRUE(log.deleted);
}

TEST(SocketPump, AGracefulCloseSendsWhatIsQueuedFirst)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    std::vector<uint8_t> block(5 * 1024);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(connected.probe->Queue(block.data(), block.size()));
    connected.probe->Close(CloseMode::Graceful);
    EXPECT_EQ(connected.probe->State(), SocketState::ClosePending);
    EXPECT_TRUE(connected.probe->IsOpen());
    ASSERT_TRUE(PumpUntil(pump, [&] {
        connected.peer->ReadAvailable();
        return connected.peer->SawEnd();
    }));
    EXPECT_EQ(connected.peer->Received(), std::string(block.begin(), block.end()));
    EXPECT_TRUE(connected.log.deleted);
}

TEST(SocketPump, AForcedCloseDropsWhatIsQueued)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    std::vector<uint8_t> block(5 * 1024, 'x');
    ASSERT_TRUE(connected.probe->Queue(block.data(), block.size()));
    connected.probe->Close(CloseMode::Force);
    EXPECT_EQ(connected.probe->State(), SocketState::Closed);
    EXPECT_EQ(connected.probe->PendingOutput(), 0u);
    ASSERT_TRUE(PumpUntil(pump, [&] {
        connected.peer->ReadAvailable();
        return connected.peer->SawEnd();
    }));
    EXPECT_EQ(connected.peer->Received(), "");
}

TEST(SocketPump, AGracefulCloseWithNothingQueuedClosesAtOnce)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    connected.probe->Close(CloseMode::Graceful);
    EXPECT_EQ(connected.probe->State(), SocketState::Closed);
}

TEST(SocketPump, BytesAvailableCountsUnreadInput)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    // Out of the pump, nobody reads the bytes.
    pump.Unregister(connected.probe);
    std::unique_ptr<Probe> probe(connected.probe);
    EXPECT_EQ(probe->BytesAvailable(), 0);
    connected.peer->Send(Bytes("hello"));
    pollfd readable{probe->Handle(), POLLIN, 0};
    ASSERT_EQ(::poll(&readable, 1, 5000), 1);
    EXPECT_EQ(probe->BytesAvailable(), 5);
}

TEST(SocketPump, ReceiveReportsNothingWhenNoDataWaits)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    uint8_t chunk[16];
    EXPECT_EQ(connected.probe->Receive(chunk, sizeof chunk), 0);
    EXPECT_TRUE(connected.log.closeCodes.empty());
}

TEST(SocketPump, WithoutSocketsARoundStillRunsHousekeeping)
{
    int drains = 0;
    StationPump pump([&] { ++drains; });
    EXPECT_FALSE(pump.Run(PumpLoop::Once, PumpWait::Interval));
    EXPECT_FALSE(pump.Run(PumpLoop::Once, PumpWait::Poll));
    EXPECT_EQ(drains, 2);
}

TEST(SocketPump, AQuitRequestStopsTheLoopAndDeletesAutoDeleteSockets)
{
    int drains = 0;
    StationPump* self = nullptr;
    StationPump pump([&] {
        if (++drains == 3)
            self->RequestQuit();
    });
    self = &pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    TcpSocket kept;
    kept.SetAutoDelete(AutoDelete::No);
    pump.Register(&kept);
    drains = 0;
    EXPECT_TRUE(pump.Run(PumpLoop::UntilStopped, PumpWait::Interval));
    EXPECT_EQ(drains, 3);
    EXPECT_TRUE(pump.IsStopped());
    EXPECT_TRUE(connected.log.deleted);
    EXPECT_EQ(pump.Sockets(), std::vector<TcpSocket*>{&kept});
    pump.Unregister(&kept);
}

TEST(SocketPump, AfterTheSessionEndsHousekeepingDrainsNothingButStillQuits)
{
    int drains = 0;
    StationPump pump([&] { ++drains; });
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    pump.SetSessionEnding();
    pump.RequestQuit();
    EXPECT_TRUE(pump.QuitRequested());
    EXPECT_TRUE(pump.Run(PumpLoop::Once, PumpWait::Poll));
    EXPECT_EQ(drains, 1);
}

TEST(SocketPump, ClosedSocketsAreDeletedOnlyWithTheAutoDeleteFlag)
{
    SocketPump pump;
    ProbeLog ownedLog;
    ProbeLog keptLog;
    auto owned = std::make_unique<Probe>(ownedLog);
    Probe kept(keptLog);
    kept.SetAutoDelete(AutoDelete::No);
    ASSERT_TRUE(owned->Create());
    ASSERT_TRUE(kept.Create());
    pump.Register(owned.release());
    pump.Register(&kept);
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    EXPECT_TRUE(ownedLog.deleted);
    EXPECT_FALSE(keptLog.deleted);
    EXPECT_EQ(pump.Sockets(), std::vector<TcpSocket*>{&kept});
    pump.Unregister(&kept);
}

TEST(SocketPump, ASocketRegisteredDuringDispatchIsVisitedInTheSameRoundWithoutEvents)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    ProbeLog lateLog;
    Probe late(lateLog);
    late.SetAutoDelete(AutoDelete::No);
    connected.probe->onReceive = [&] { pump.Register(&late); };
    connected.peer->Send(Bytes("x"));
    ASSERT_TRUE(PumpUntil(pump, [&] { return connected.log.receives > 0; }));
    EXPECT_EQ(lateLog.afterEvents, 1);
    EXPECT_EQ(lateLog.receives, 0);
    pump.Unregister(&late);
}

TEST_F(TwoProbes, AHandlerMayUnregisterItselfAndTheOthersAreStillServed)
{
    std::unique_ptr<Probe> owned;
    first.probe->onReceive = [&] {
        pump.Unregister(first.probe);
        owned.reset(first.probe);
    };
    first.peer->Send(Bytes("a"));
    second.peer->Send(Bytes("b"));
    ASSERT_TRUE(
        PumpUntil(pump, [&] { return first.log.receives > 0 && second.log.received == "b"; }));
    EXPECT_EQ(pump.Sockets(), std::vector<TcpSocket*>{second.probe});
}

TEST(SocketPump, StopInsideAHandlerDefersDeletingUntilTheRoundEnds)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe connected;
    Connect(pump, listener, connected);
    connected.probe->onReceive = [&] {
        pump.Stop();
        // Still alive: the pump must not have deleted the running handler.
        EXPECT_FALSE(connected.log.deleted);
    };
    connected.peer->Send(Bytes("x"));
    EXPECT_TRUE(pump.Run(PumpLoop::UntilStopped, PumpWait::Interval));
    EXPECT_TRUE(connected.log.deleted);
    EXPECT_TRUE(pump.Sockets().empty());
}

TEST_F(TwoProbes, ANestedRoundFromAHandlerServesTheOtherSockets)
{
    bool nested = false;
    first.probe->onReceive = [&] {
        if (std::exchange(nested, true))
            return;
        second.peer->Send(Bytes("b"));
        PumpUntil(pump, [&] { return second.log.received == "b"; });
        // The closed second probe must survive until the outer round ends.
        second.probe->Close(CloseMode::Force);
        pump.Run(PumpLoop::Once, PumpWait::Poll);
        EXPECT_FALSE(second.log.deleted);
    };
    first.peer->Send(Bytes("a"));
    ASSERT_TRUE(PumpUntil(pump, [&] { return second.log.deleted; }));
    EXPECT_EQ(second.log.received, "b");
}

TEST(SocketPump, ARoundFromAModalLoopServesTheOthersButNeverReentersARunningHandler)
{
    int drains = 0;
    StationPump pump([&] { ++drains; });
    RawListener listener;
    ConnectedProbe first;
    ConnectedProbe second;
    Connect(pump, listener, first);
    Connect(pump, listener, second);
    drains = 0;
    first.probe->onReceive = [&] {
        if (first.log.receives > 1)
            return;
        // As if the handler had opened a modal dialog whose loop serves the pump.
        first.peer->Send(Bytes("b"));
        second.peer->Send(Bytes("c"));
        for (int i = 0; i < 1000 && second.log.received != "c"; ++i)
            pump.ServeNestedRound();
        EXPECT_EQ(second.log.received, "c");
        EXPECT_EQ(first.log.receives, 1);
        second.probe->Close(CloseMode::Force);
        pump.ServeNestedRound();
        EXPECT_FALSE(second.log.deleted);
    };
    first.peer->Send(Bytes("a"));
    ASSERT_TRUE(PumpUntil(pump, [&] { return first.log.received == "ab"; }));
    EXPECT_TRUE(second.log.deleted);
    // Nested rounds leave the desktop's events to the loop that runs them.
    int before = drains;
    pump.ServeNestedRound();
    EXPECT_EQ(drains, before);
}

TEST(SocketPump, DestroyingThePumpDeletesItsSocketsAndReleasesTheOthers)
{
    ProbeLog ownedLog;
    ProbeLog keptLog;
    Probe kept(keptLog);
    kept.SetAutoDelete(AutoDelete::No);
    {
        SocketPump pump;
        pump.Register(std::make_unique<Probe>(ownedLog).release());
        pump.Register(&kept);
    }
    EXPECT_TRUE(ownedLog.deleted);
    EXPECT_EQ(kept.Owner(), nullptr);
}

TEST(SocketPump, ASocketDestroyedWhileRegisteredLeavesTheRegistry)
{
    SocketPump pump;
    {
        TcpSocket socket;
        socket.SetAutoDelete(AutoDelete::No);
        pump.Register(&socket);
    }
    EXPECT_TRUE(pump.Sockets().empty());
    pump.Run(PumpLoop::Once, PumpWait::Poll);
}

// The readiness set outlives handles in ways poll() never saw: a handle
// number reused, a description still open elsewhere.
TEST_F(TwoProbes, AHandleKeptOpenElsewhereNeverWakesThePumpForItsDeletedSocket)
{
    // A child started meanwhile would hold the description the same way.
    int copy = ::dup(first.probe->Handle());
    ASSERT_GE(copy, 0);
    first.probe->Close(CloseMode::Force);
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    ASSERT_TRUE(first.log.deleted);
    first.peer->Send(Bytes("after the end"));
    second.peer->Send(Bytes("still here"));
    EXPECT_TRUE(PumpUntil(pump, [&] { return second.log.received == "still here"; }));
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    EXPECT_EQ(first.log.receives, 0);
    ::close(copy);
}

TEST(SocketPump, ASocketServedAgainOnAReusedHandleNumber)
{
    SocketPump pump;
    RawListener listener;
    ConnectedProbe first;
    Connect(pump, listener, first);
    int number = first.probe->Handle();
    first.probe->Close(CloseMode::Force);
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    ConnectedProbe second;
    Connect(pump, listener, second);
    ASSERT_EQ(second.probe->Handle(), number);
    second.peer->Send(Bytes("reused"));
    EXPECT_TRUE(PumpUntil(pump, [&] { return second.log.received == "reused"; }));
}

TEST(SocketPump, OnlyNestedHooksRunInANestedRoundAndOnlyTopRoundsAreTimed)
{
    struct Timer final : RoundTimer {
        void WorkBegins() override { ++begun; }
        void RoundEnds() override { ++ended; }
        int begun = 0;
        int ended = 0;
    } timer;
    SocketPump pump;
    pump.SetRoundTimer(&timer);
    int plain = 0;
    int nested = 0;
    pump.AddHook({.round = [&] { ++plain; }, .gone = {}});
    pump.AddHook({.round = [&] { ++nested; }, .gone = {}, .nested = true});
    pump.ServeNestedRound();
    EXPECT_EQ(plain, 0);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(timer.begun, 0);
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    EXPECT_EQ(plain, 1);
    EXPECT_EQ(nested, 2);
    EXPECT_EQ(timer.begun, 1);
    EXPECT_EQ(timer.ended, 1);
}
