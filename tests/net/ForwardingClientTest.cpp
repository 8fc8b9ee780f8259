#include "net/ForwardingClient.h"

#include "NetTestSupport.h"
#include "net/ForwardMessage.h"
#include "net/RecorderListener.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "testsupport/FakeClock.h"

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Events = std::vector<std::string>;

std::string Encoded(ForwardType type, std::string_view ip = "0.0.0.0",
                    const std::vector<uint8_t>& payload = {})
{
    ForwardMessage message;
    switch (type) {
    case ForwardType::Data:
        message.MakeData(payload.data(), static_cast<int>(payload.size()), ip);
        break;
    case ForwardType::Ackn:
        message.MakeAckn(ip);
        break;
    case ForwardType::Shlo:
        message.MakeShlo(ip);
        break;
    case ForwardType::Rhlo:
        message.MakeRhlo(ip);
        break;
    case ForwardType::Invalid:
        break;
    }
    std::span<const uint8_t> bytes = message.Encode();
    return {bytes.begin(), bytes.end()};
}

// A client with a fake clock against a scripted target station.
class ClientTest : public testing::Test {
protected:
    void SetUp() override { client.SetHost("127.0.0.1:" + std::to_string(target.Port())); }

    void ConnectAndAccept()
    {
        ASSERT_TRUE(client.Connect());
        EXPECT_TRUE(client.IsActive());
        int handle = -1;
        ASSERT_TRUE(PumpUntil(pump, [&] {
            if (handle < 0)
                handle = target.TryAccept();
            return handle >= 0 && client.ProtocolState() == ForwardState::Greeting;
        }));
        peer = std::make_unique<LoopbackPeer>(LoopbackPeer::Adopt(handle));
        m_pending.clear();
    }

    // The next whole message the client sent, waiting for it to arrive.
    std::string NextMessage()
    {
        std::string message;
        EXPECT_TRUE(PumpUntil(pump, [&] {
            peer->ReadAvailable();
            m_pending += peer->TakeReceived();
            int version = 0;
            int count = 0;
            auto bytes = reinterpret_cast<const uint8_t*>(m_pending.data());
            if (!ForwardMessage::PeekHeader(bytes, m_pending.size(), version, count) ||
                m_pending.size() < 88 + static_cast<size_t>(count))
                return false;
            message = m_pending.substr(0, 88 + count);
            m_pending.erase(0, 88 + count);
            return true;
        }));
        return message;
    }

    // Whether the client has sent nothing beyond what was read. Loopback
    // delivers a send before the call returns, so no wait is needed.
    bool NothingMoreSent()
    {
        peer->ReadAvailable();
        m_pending += peer->TakeReceived();
        return m_pending.empty();
    }

    void Answer(const std::string& bytes)
    {
        peer->Send(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    }

    // Sends bytes and waits until the client has read them.
    void AnswerAndWaitUntilRead(const std::string& bytes)
    {
        Answer(bytes);
        ASSERT_TRUE(PumpUntil(pump, [&] { return client.BytesAvailable() == 0; }));
    }

    void Greet()
    {
        ConnectAndAccept();
        ASSERT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
        Answer(Encoded(ForwardType::Rhlo));
        ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("HostAccepted"); }));
        observer.events.clear();
    }

    std::vector<uint8_t> Enqueue(uint16_t typeCode, std::string_view ip)
    {
        std::vector<uint8_t> telegram = MakeTelegram(typeCode, "payload");
        client.Enqueue(static_cast<int>(telegram.size()), telegram.data(), ip);
        return telegram;
    }

    SocketPump pump;
    SessionHub hub{pump};
    RecordingObserver observer;
    FakeClock clock;
    RawListener target;
    ForwardingClient client{observer, pump, clock, &hub};
    std::unique_ptr<LoopbackPeer> peer;

private:
    std::string m_pending;
};

} // namespace

TEST_F(ClientTest, TheClientBecomesTheSessionsForwardingClientAndLeavesOnDestruction)
{
    EXPECT_EQ(hub.Forwarding(), &client);
    EXPECT_FALSE(client.IsAutoDelete());
    {
        ForwardingClient other(observer, pump, clock, &hub);
        other.SetHost(client.Host());
        ASSERT_TRUE(other.Connect());
        EXPECT_TRUE(pump.IsRegistered(&other));
        EXPECT_EQ(hub.Forwarding(), &other);
    }
    EXPECT_EQ(hub.Forwarding(), nullptr);
    EXPECT_TRUE(pump.Sockets().empty());
}

TEST_F(ClientTest, AConnectReportsLinkUpAndGreets)
{
    ConnectAndAccept();
    EXPECT_EQ(observer.events, Events{"LinkUp"});
    EXPECT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
}

TEST_F(ClientTest, RhloToTheGreetingAcceptsTheHost)
{
    ConnectAndAccept();
    NextMessage();
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("HostAccepted"); }));
    EXPECT_EQ(observer.events, (Events{"LinkUp", "HostAccepted"}));
    EXPECT_EQ(client.ProtocolState(), ForwardState::Idle);
}

TEST_F(ClientTest, AReplySplitAcrossReadsIsHandledOnceComplete)
{
    ConnectAndAccept();
    NextMessage();
    std::string rhlo = Encoded(ForwardType::Rhlo);
    AnswerAndWaitUntilRead(rhlo.substr(0, 40));
    EXPECT_FALSE(observer.Saw("HostAccepted"));
    Answer(rhlo.substr(40));
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("HostAccepted"); }));
}

TEST_F(ClientTest, AGreetingNeverAnsweredIsAHostRefusedAfterALittleOverFiveSeconds)
{
    ConnectAndAccept();
    NextMessage();
    clock.source.AdvanceMs(5999);
    client.Work();
    EXPECT_EQ(observer.events, Events{"LinkUp"});
    clock.source.AdvanceMs(1);
    client.Work();
    EXPECT_EQ(observer.events, (Events{"LinkUp", "HostRefused", "LinkDown"}));
    EXPECT_FALSE(client.IsActive());
    EXPECT_FALSE(pump.IsRegistered(&client));
    ASSERT_TRUE(PumpUntil(pump, [&] {
        peer->ReadAvailable();
        return peer->SawEnd();
    }));
}

TEST_F(ClientTest, WithoutTrafficAKeepAliveGoesOutEverySixSeconds)
{
    Greet();
    clock.source.AdvanceMs(5999);
    client.Work();
    EXPECT_TRUE(NothingMoreSent());
    clock.source.AdvanceMs(1);
    client.Work();
    EXPECT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
    EXPECT_EQ(client.ProtocolState(), ForwardState::KeepAlive);
    clock.source.AdvanceMs(10);
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.ProtocolState() == ForwardState::Idle; }));
    clock.source.AdvanceMs(5999);
    client.Work();
    EXPECT_TRUE(NothingMoreSent());
    clock.source.AdvanceMs(1);
    client.Work();
    EXPECT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
    EXPECT_TRUE(observer.events.empty());
}

TEST_F(ClientTest, AnUnansweredKeepAliveTakesTheLinkDown)
{
    Greet();
    clock.source.AdvanceMs(6000);
    client.Work();
    NextMessage();
    clock.source.AdvanceMs(6000);
    client.Work();
    EXPECT_EQ(observer.events, Events{"LinkDown"});
    EXPECT_FALSE(client.IsActive());
}

TEST_F(ClientTest, ThreeAlarmsGoOutOneAtATimeEachAfterThePreviousAckn)
{
    Greet();
    std::vector<std::vector<uint8_t>> telegrams = {
        Enqueue(10001, "10.0.0.1"), Enqueue(10002, "10.0.0.2"), Enqueue(10003, "10.0.0.3")};
    EXPECT_EQ(observer.Count("AlarmQueued"), 3);
    for (size_t i = 0; i < telegrams.size(); ++i) {
        client.Work();
        std::string ip = "10.0.0." + std::to_string(i + 1);
        EXPECT_EQ(NextMessage(), Encoded(ForwardType::Data, ip, telegrams[i]));
        client.Work();
        EXPECT_TRUE(NothingMoreSent()) << "a second DATA before the ACKN";
        Answer(Encoded(ForwardType::Ackn));
        ASSERT_TRUE(
            PumpUntil(pump, [&] { return observer.Count("AlarmForwarded") == int(i) + 1; }));
        EXPECT_EQ(client.QueueLength(), telegrams.size() - i - 1);
    }
    client.Work();
    EXPECT_TRUE(NothingMoreSent());
}

TEST_F(ClientTest, DataAnsweredWithRhloRaisesCodeFourAndTheSameItemGoesAgain)
{
    Greet();
    std::vector<uint8_t> telegram = Enqueue(10001, "10.0.0.1");
    client.Work();
    std::string data = NextMessage();
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.LastRaisedCode() == 4; }));
    EXPECT_EQ(client.ProtocolState(), ForwardState::Idle);
    EXPECT_EQ(client.QueueLength(), 1u);
    EXPECT_EQ(client.State(), SocketState::Connected);
    client.Work();
    EXPECT_EQ(NextMessage(), data);
}

TEST_F(ClientTest, AcknToTheGreetingRaisesCodeThree)
{
    ConnectAndAccept();
    NextMessage();
    Answer(Encoded(ForwardType::Ackn));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.LastRaisedCode() == 3; }));
    EXPECT_EQ(client.ProtocolState(), ForwardState::Idle);
    EXPECT_FALSE(observer.Saw("HostAccepted"));
    EXPECT_TRUE(client.IsActive());
}

TEST_F(ClientTest, AcknToAKeepAliveRaisesCodeTwo)
{
    Greet();
    clock.source.AdvanceMs(6000);
    client.Work();
    NextMessage();
    Answer(Encoded(ForwardType::Ackn));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.LastRaisedCode() == 2; }));
    EXPECT_EQ(client.ProtocolState(), ForwardState::Idle);
}

TEST_F(ClientTest, AMessageNobodyWaitedForRaisesCodeFive)
{
    Greet();
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.LastRaisedCode() == 5; }));
    EXPECT_EQ(client.State(), SocketState::Connected);
}

TEST_F(ClientTest, AnInvalidMessageRaisesCodeOneAndTheNextReplyStillCounts)
{
    ConnectAndAccept();
    NextMessage();
    std::string invalid = Encoded(ForwardType::Rhlo);
    invalid.replace(55, 4, "NOPE");
    Answer(invalid);
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.LastRaisedCode() == 1; }));
    // The greeting state was left; a later keep-alive gets the host back.
    clock.source.AdvanceMs(6000);
    client.Work();
    EXPECT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return client.ProtocolState() == ForwardState::Idle; }));
}

TEST_F(ClientTest, BytesThatAreNoForwardingHeaderAreDropped)
{
    ConnectAndAccept();
    NextMessage();
    AnswerAndWaitUntilRead(std::string(100, 'z'));
    EXPECT_EQ(client.LastRaisedCode(), 0);
    Answer(Encoded(ForwardType::Rhlo));
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("HostAccepted"); }));
}

TEST_F(ClientTest, NoAcknInTimeTakesTheLinkDownAndKeepsTheItem)
{
    Greet();
    Enqueue(10001, "10.0.0.1");
    client.Work();
    NextMessage();
    clock.source.AdvanceMs(6000);
    client.Work();
    EXPECT_EQ(observer.events, (Events{"AlarmQueued", "LinkDown"}));
    EXPECT_EQ(client.QueueLength(), 1u);
}

TEST_F(ClientTest, AConnectionLostWhileAwaitingAcknKeepsTheHeadForTheReconnect)
{
    Greet();
    std::vector<uint8_t> telegram = Enqueue(10001, "10.0.0.1");
    client.Work();
    std::string data = NextMessage();
    peer->Close();
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("LinkDown"); }));
    EXPECT_EQ(client.LastError(), TcpSocket::kPeerClosed);
    EXPECT_FALSE(client.IsActive());
    EXPECT_EQ(client.QueueLength(), 1u);

    Greet();
    client.Work();
    EXPECT_EQ(NextMessage(), data);
}

TEST_F(ClientTest, ARefusedConnectReportsLinkDownWithTheSocketsError)
{
    client.SetHost("127.0.0.1:" + std::to_string(UnusedPort()));
    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("LinkDown"); }));
    EXPECT_EQ(observer.events, Events{"LinkDown"});
    EXPECT_EQ(client.LastError(), ECONNREFUSED);
    EXPECT_FALSE(client.IsActive());
    EXPECT_FALSE(pump.IsRegistered(&client));
}

TEST_F(ClientTest, AHostThatCannotBeResolvedFailsAtOnce)
{
    client.SetHost("");
    EXPECT_FALSE(client.Connect());
    EXPECT_FALSE(client.IsActive());
    EXPECT_FALSE(pump.IsRegistered(&client));
}

TEST_F(ClientTest, AHostNameIsResolved)
{
    client.SetHost("localhost:" + std::to_string(target.Port()));
    ConnectAndAccept();
    EXPECT_EQ(NextMessage(), Encoded(ForwardType::Shlo));
}

TEST_F(ClientTest, BytesLeftFromALostConnectionDoNotSpoilTheNextGreeting)
{
    ConnectAndAccept();
    NextMessage();
    AnswerAndWaitUntilRead(Encoded(ForwardType::Rhlo).substr(0, 40));
    peer->Close();
    ASSERT_TRUE(PumpUntil(pump, [&] { return observer.Saw("LinkDown"); }));
    Greet();
    EXPECT_EQ(client.LastRaisedCode(), 0);
}

TEST_F(ClientTest, EnqueueStopsAtTheQueueBound)
{
    std::vector<uint8_t> telegram = MakeTelegram(10001);
    for (size_t i = 0; i < ForwardingClient::kMaxQueueLength; ++i)
        ASSERT_TRUE(client.Enqueue(static_cast<int>(telegram.size()), telegram.data(), "1.2.3.4"));
    observer.events.clear();
    EXPECT_FALSE(client.Enqueue(static_cast<int>(telegram.size()), telegram.data(), "1.2.3.4"));
    EXPECT_EQ(client.QueueLength(), ForwardingClient::kMaxQueueLength);
    EXPECT_TRUE(observer.events.empty());
}

TEST(ForwardingClient, AClientOutlivingItsPumpCannotConnectAndIsDestroyedSafely)
{
    RecordingObserver observer;
    auto pump = std::make_unique<SocketPump>();
    FakeClock clock;
    ForwardingClient client(observer, *pump, clock);
    RawListener target;
    client.SetHost("127.0.0.1:" + std::to_string(target.Port()));
    ASSERT_TRUE(client.Connect());
    pump.reset();
    EXPECT_EQ(client.Owner(), nullptr);
    EXPECT_FALSE(client.Connect());
}

namespace {

// A complete receiving station on its own pump.
struct TargetStation {
    TargetStation()
    {
        auto listener = std::make_unique<RecorderListener>(sink, hub);
        EXPECT_TRUE(listener->Create());
        EXPECT_TRUE(listener->Listen(0));
        port = listener->LocalPort();
        pump.Register(listener.release());
    }

    RecorderSession* Session() const
    {
        for (TcpSocket* socket : pump.Sockets()) {
            if (auto* session = dynamic_cast<RecorderSession*>(socket))
                return session;
        }
        return nullptr;
    }

    RecordingSink sink;
    SocketPump pump;
    SessionHub hub{pump};
    int port = 0;
};

} // namespace

TEST(ForwardingClient, ARecorderAlarmTravelsToTheOtherStationWithTheRecordersAddress)
{
    TargetStation target;
    TargetStation relay;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, relay.pump, clock, &relay.hub);
    client.SetHost("127.0.0.1:" + std::to_string(target.port));

    LoopbackPeer recorder(relay.port, "127.0.0.9");
    std::vector<uint8_t> telegram = MakeTelegram(10007, "relayed");
    recorder.Send(telegram);
    ASSERT_TRUE(PumpUntil(relay.pump, [&] { return client.QueueLength() == 1; }));
    EXPECT_TRUE(relay.sink.delivered.empty());

    ASSERT_TRUE(client.Connect());
    ASSERT_TRUE(PumpBothUntil(relay.pump, target.pump, [&] {
        client.Work();
        return observer.Saw("AlarmForwarded");
    }));
    EXPECT_EQ(observer.events, (Events{"AlarmQueued", "LinkUp", "HostAccepted", "AlarmForwarded"}));
    ASSERT_EQ(target.sink.delivered.size(), 1u);
    EXPECT_EQ(target.sink.delivered[0].bytes, telegram);
    EXPECT_EQ(target.sink.delivered[0].originIp, "127.0.0.9");
    EXPECT_EQ(client.QueueLength(), 0u);
}

TEST(ForwardingClient, AStationThatForwardsItselfLeavesTheGreetingUnanswered)
{
    TargetStation target;
    RecordingObserver targetObserver;
    FakeClock targetClock;
    ForwardingClient targetsOwnClient(targetObserver, target.pump, targetClock, &target.hub);
    SocketPump pump;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, pump, clock);
    client.SetHost("127.0.0.1:" + std::to_string(target.port));
    ASSERT_TRUE(client.Connect());
    // Once the greeting has left and the target has read it, any answer
    // would already be on its way.
    ASSERT_TRUE(PumpBothUntil(pump, target.pump, [&] {
        return observer.Saw("LinkUp") && target.Session() != nullptr &&
               target.Session()->State() == SocketState::Connected &&
               target.Session()->BytesAvailable() == 0 && client.BytesAvailable() == 0;
    }));
    pump.Run(PumpLoop::Once, PumpWait::Poll);
    EXPECT_EQ(client.ProtocolState(), ForwardState::Greeting);
    clock.source.AdvanceMs(6000);
    client.Work();
    EXPECT_EQ(observer.events, (Events{"LinkUp", "HostRefused", "LinkDown"}));
}
