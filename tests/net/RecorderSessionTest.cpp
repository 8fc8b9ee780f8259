#include "net/RecorderSession.h"

#include "NetTestSupport.h"
#include "net/ForwardMessage.h"
#include "net/ForwardingClient.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "testsupport/FakeClock.h"

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

// A station's receiving side: a listener on a free port and a recording sink.
class Station {
public:
    Station()
    {
        auto listener = std::make_unique<RecorderListener>(sink, hub);
        EXPECT_TRUE(listener->Create());
        EXPECT_TRUE(listener->Listen(0));
        port = listener->LocalPort();
        pump.Register(listener.release());
    }

    std::vector<RecorderSession*> Sessions() const
    {
        std::vector<RecorderSession*> sessions;
        for (TcpSocket* socket : pump.Sockets()) {
            if (auto* session = dynamic_cast<RecorderSession*>(socket))
                sessions.push_back(session);
        }
        return sessions;
    }

    // A recorder connection whose session is connected.
    std::unique_ptr<LoopbackPeer> Connect(const char* localAddress = nullptr)
    {
        size_t before = Sessions().size();
        auto peer = std::make_unique<LoopbackPeer>(port, localAddress);
        EXPECT_TRUE(PumpUntil(pump, [&] {
            auto sessions = Sessions();
            return sessions.size() == before + 1 &&
                   sessions.back()->State() == SocketState::Connected;
        }));
        return peer;
    }

    RecorderSession* Last() const { return Sessions().empty() ? nullptr : Sessions().back(); }

    RecordingSink sink;
    SocketPump pump;
    SessionHub hub{pump};
    int port = 0;
};

std::vector<uint8_t> Encoded(ForwardMessage& message)
{
    std::span<const uint8_t> bytes = message.Encode();
    return {bytes.begin(), bytes.end()};
}

std::vector<uint8_t> Data(const std::vector<uint8_t>& telegram, std::string_view ip)
{
    ForwardMessage message;
    message.MakeData(telegram.data(), static_cast<int>(telegram.size()), ip);
    return Encoded(message);
}

std::vector<uint8_t> Shlo()
{
    ForwardMessage message;
    message.MakeShlo("0.0.0.0");
    return Encoded(message);
}

std::string Text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::string RhloText()
{
    ForwardMessage message;
    message.MakeRhlo("0.0.0.0");
    return Text(Encoded(message));
}

std::string AcknText()
{
    ForwardMessage message;
    message.MakeAckn("0.0.0.0");
    return Text(Encoded(message));
}

// A forwarding header with the count field replaced.
std::vector<uint8_t> DataHeaderWithCount(std::string_view count)
{
    std::vector<uint8_t> header = Data(MakeTelegram(10001), "1.2.3.4");
    header.resize(ForwardMessage::kHeaderSize);
    std::copy(count.begin(), count.end(), header.begin() + 71);
    return header;
}

// Waits until the connection has been closed by the station.
bool ClosedByStation(Station& station, LoopbackPeer& peer)
{
    return PumpUntil(station.pump, [&] {
        peer.ReadAvailable();
        return peer.SawEnd() && station.Sessions().empty();
    });
}

} // namespace

TEST(RecorderSession, ATelegramSplitOverSeveralReadsIsHandledOnceItsLastByteArrives)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> telegram = MakeTelegram(10003, "split payload");
    std::span<const uint8_t> all = telegram;
    peer->Send(all.first(5));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Last()->BufferedBytes() == 5; }));
    peer->Send(all.subspan(5, 15));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Last()->BufferedBytes() == 20; }));
    EXPECT_TRUE(station.sink.delivered.empty());
    peer->Send(all.subspan(20));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    ASSERT_EQ(station.sink.delivered.size(), 1u);
    EXPECT_EQ(station.sink.delivered[0].bytes, telegram);
    EXPECT_EQ(station.sink.delivered[0].originIp, "127.0.0.1");
    EXPECT_EQ(station.Last()->BufferedBytes(), 0u);
}

TEST(RecorderSession, TwoTelegramsInOneReadAreBothHandledInTheSameReceive)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> first = MakeTelegram(10001, "one");
    std::vector<uint8_t> second = MakeTelegram(10002, "two");
    peer->Send(Join({first, second}));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    ASSERT_EQ(station.sink.delivered.size(), 2u);
    EXPECT_EQ(station.sink.delivered[0].bytes, first);
    EXPECT_EQ(station.sink.delivered[1].bytes, second);
}

TEST(RecorderSession, AKind254TelegramIsSkippedAndTheNextOneHandled)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> skipped = MakeTelegram(10001, "ignored", 254);
    std::vector<uint8_t> alarm = MakeTelegram(10002, "alarm");
    peer->Send(Join({skipped, alarm}));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    ASSERT_EQ(station.sink.delivered.size(), 1u);
    EXPECT_EQ(station.sink.delivered[0].bytes, alarm);
}

TEST(RecorderSession, AChecksumOffByOneClosesTheConnectionAndNothingAfterItIsHandled)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> corrupt = MakeTelegram(10001, "x");
    ++corrupt[16];
    peer->Send(Join({corrupt, MakeTelegram(10002)}));
    ASSERT_TRUE(ClosedByStation(station, *peer));
    EXPECT_TRUE(station.sink.delivered.empty());
}

TEST(RecorderSession, FewerThanAHeaderOfBytesWaitForMore)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> telegram = MakeTelegram(10001);
    peer->Send(std::span(telegram).first(17));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Last()->BufferedBytes() == 17; }));
    peer->Send(std::span(telegram).subspan(17));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.sink.delivered.size() == 1; }));
}

TEST(RecorderSession, APayloadOfExactlyTheLimitIsHandled)
{
    Station station;
    auto peer = station.Connect();
    std::string payload(TelegramHeader::kMaxPayload, 'p');
    std::vector<uint8_t> telegram = MakeTelegram(10001, payload);
    peer->Send(telegram);
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    EXPECT_EQ(station.sink.delivered[0].bytes, telegram);
}

TEST(RecorderSession, AHeaderAnnouncingMoreThanTheLimitClosesTheConnection)
{
    Station station;
    auto peer = station.Connect();
    TelegramHeader header;
    std::vector<uint8_t> bytes = header.Encode({});
    // Announce one byte more than allowed; the checksum must still match.
    uint32_t length = TelegramHeader::kMaxPayload + 1;
    for (int i = 0; i < 4; ++i)
        bytes[12 + i] = static_cast<uint8_t>(length >> (8 * i));
    uint16_t sum = TelegramHeader::Checksum(bytes.data());
    bytes[16] = static_cast<uint8_t>(sum);
    bytes[17] = static_cast<uint8_t>(sum >> 8);
    ASSERT_TRUE(TelegramHeader::HasValidChecksum(bytes.data()));
    peer->Send(bytes);
    ASSERT_TRUE(ClosedByStation(station, *peer));
}

TEST(RecorderSession, AnUnknownRecorderDoesNotHoldBackTheTelegramsBehindIt)
{
    Station station;
    station.sink.outcomes = {TelegramOutcome::UnknownRecorder};
    auto peer = station.Connect();
    std::vector<uint8_t> second = MakeTelegram(10002);
    peer->Send(Join({MakeTelegram(10001), second}));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    ASSERT_EQ(station.sink.delivered.size(), 2u);
    EXPECT_EQ(station.sink.delivered[1].bytes, second);
    EXPECT_EQ(station.Last()->BufferedBytes(), 0u);
}

TEST(RecorderSession, ASessionIsDeletedAfterThePeerCloses)
{
    Station station;
    auto peer = station.Connect();
    peer->Close();
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Sessions().empty(); }));
}

TEST(RecorderSession, AListenerWithoutPumpAcceptsNothing)
{
    RecordingSink sink;
    SocketPump unused;
    SessionHub hub{unused};
    RecorderListener listener(sink, hub);
    ASSERT_TRUE(listener.Create());
    ASSERT_TRUE(listener.Listen(0));
    LoopbackPeer peer(listener.LocalPort());
    listener.OnAccept();
    // The connection is still waiting to be accepted.
    EXPECT_GE(listener.Accept(nullptr), 0);
}

TEST(RecorderSession, AnAcceptThatFindsNoConnectionLeavesNoSessionBehind)
{
    Station station;
    TcpSocket* listener = station.pump.Sockets().front();
    testing::internal::CaptureStdout();
    listener->OnAccept();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(station.pump.Sockets().size(), 1u);
}

TEST(RecorderSession, ShloFromAnotherStationIsAnsweredWithRhlo)
{
    Station station;
    auto peer = station.Connect();
    peer->Send(Shlo());
    ASSERT_TRUE(PumpUntil(station.pump, [&] {
        peer->ReadAvailable();
        return peer->Received().size() >= 88;
    }));
    EXPECT_EQ(peer->Received(), RhloText());
    EXPECT_TRUE(station.sink.delivered.empty());
}

TEST(RecorderSession, AForwardingMessageSplitAcrossReadsIsAnsweredOnceComplete)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> shlo = Shlo();
    peer->Send(std::span(shlo).first(10));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Last()->BufferedBytes() == 10; }));
    peer->Send(std::span(shlo).subspan(10, 50));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return station.Last()->BufferedBytes() == 60; }));
    peer->Send(std::span(shlo).subspan(60));
    ASSERT_TRUE(PumpUntil(station.pump, [&] {
        peer->ReadAvailable();
        return peer->Received().size() >= 88;
    }));
    EXPECT_EQ(peer->Received(), RhloText());
}

TEST(RecorderSession, DataIsAcknowledgedOnceItsTelegramIsHandledAndAfterAStoreSync)
{
    std::vector<uint8_t> noTelegram = MakeTelegram(10001, "x");
    ++noTelegram[16];
    const std::tuple<std::vector<uint8_t>, TelegramOutcome, bool> rows[] = {
        {MakeTelegram(10005), TelegramOutcome::Decoded, false},
        {MakeTelegram(10005), TelegramOutcome::UnknownRecorder, false},
        {MakeTelegram(10001, "x", 254), TelegramOutcome::Decoded, false},
        {noTelegram, TelegramOutcome::Decoded, false},
        {MakeTelegram(10005), TelegramOutcome::Decoded, true},
    };
    for (const auto& [telegram, outcome, storeSync] : rows) {
        Station station;
        station.sink.outcomes = {outcome};
        auto peer = station.Connect();
        // What the peer had at the decode and at the first sync after it.
        std::vector<std::string> early;
        auto seen = [&] {
            peer->ReadAvailable();
            early.push_back(peer->Received());
        };
        station.sink.onDecode = seen;
        if (storeSync)
            station.pump.SetStoreSync([&] {
                if (early.size() == 1)
                    seen();
            });
        peer->Send(Data(telegram, "10.9.8.7"));
        ASSERT_TRUE(PumpUntil(station.pump, [&] {
            peer->ReadAvailable();
            return !peer->Received().empty();
        }));
        EXPECT_EQ(peer->Received(), AcknText());
        EXPECT_EQ(early, std::vector<std::string>(early.size()));
    }
}

TEST(RecorderSession, ADataMessageAtTheCountLimitIsAccepted)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> telegram =
        MakeTelegram(10001, std::string(TelegramHeader::kMaxPayload, 'q'));
    ASSERT_EQ(telegram.size(), static_cast<size_t>(ForwardMessage::kMaxCount));
    peer->Send(Data(telegram, "10.0.0.1"));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    EXPECT_EQ(station.sink.delivered[0].bytes, telegram);
}

TEST(RecorderSession, AForwardingCountOverTheLimitClosesTheConnection)
{
    Station station;
    auto peer = station.Connect();
    peer->Send(DataHeaderWithCount("0000065555"));
    ASSERT_TRUE(ClosedByStation(station, *peer));
}

TEST(RecorderSession, ANegativeForwardingCountClosesTheConnection)
{
    Station station;
    auto peer = station.Connect();
    peer->Send(DataHeaderWithCount("-000000005"));
    ASSERT_TRUE(ClosedByStation(station, *peer));
}

TEST(RecorderSession, AForwardingCountThatIsNoNumberClosesTheConnection)
{
    Station station;
    auto peer = station.Connect();
    peer->Send(DataHeaderWithCount("ten bytes!"));
    ASSERT_TRUE(ClosedByStation(station, *peer));
}

TEST(RecorderSession, AForwardingHeaderWithABrokenLabelClosesTheConnection)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> message = Shlo();
    message[20] = 'r';
    peer->Send(message);
    ASSERT_TRUE(ClosedByStation(station, *peer));
}

TEST(RecorderSession, AnInvalidForwardingMessageIsConsumedWithoutReply)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> behind = MakeTelegram(10001);
    peer->Send(Join({DataHeaderWithCount("0000000000"), behind}));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    EXPECT_EQ(station.sink.delivered[0].bytes, behind);
    peer->ReadAvailable();
    EXPECT_EQ(peer->Received(), "");
}

TEST(RecorderSession, ABurstOfGreetingsInOneReadIsAnsweredInFull)
{
    Station station;
    auto peer = station.Connect();
    std::vector<uint8_t> burst;
    for (int i = 0; i < 40; ++i)
        burst = Join({burst, Shlo()});
    peer->Send(burst);
    std::string expected;
    for (int i = 0; i < 40; ++i)
        expected += RhloText();
    ASSERT_TRUE(PumpUntil(station.pump, [&] {
        peer->ReadAvailable();
        return peer->Received().size() >= expected.size();
    }));
    EXPECT_EQ(peer->Received(), expected);
    EXPECT_EQ(station.Last()->BufferedBytes(), 0u);
}

TEST(RecorderSession, APeerThatNeverReadsItsRepliesIsNoLongerRead)
{
    Station station;
    auto peer = station.Connect();
    RecorderSession* session = station.Last();
    std::vector<uint8_t> burst;
    for (int i = 0; i < 100; ++i)
        burst = Join({burst, Shlo()});
    std::vector<uint8_t> unsent;
    auto greet = [&] {
        if (unsent.empty())
            unsent = burst;
        unsent.erase(unsent.begin(), unsent.begin() + peer->TrySend(unsent));
    };
    // Keep greeting without ever reading the replies: the station must stop
    // reading instead of queueing replies without end.
    for (int round = 0; round < 200000 && session->WantsRead(); ++round) {
        greet();
        station.pump.Run(PumpLoop::Once, PumpWait::Poll);
        // The last read before the limit may answer a whole read's worth.
        ASSERT_LE(session->PendingOutput(),
                  RecorderSession::kMaxPendingOutput + RecorderSession::kReadSize);
    }
    ASSERT_FALSE(session->WantsRead());
    size_t pending = session->PendingOutput();
    for (int round = 0; round < 100; ++round) {
        greet();
        station.pump.Run(PumpLoop::Once, PumpWait::Poll);
    }
    EXPECT_EQ(session->PendingOutput(), pending);
    EXPECT_GT(session->BytesAvailable(), 0);
    EXPECT_EQ(session->State(), SocketState::Connected);

    // Once the peer reads, the station reads again.
    for (int round = 0; round < 200000 && session->BytesAvailable() > 0; ++round) {
        peer->ReadAvailable();
        peer->TakeReceived();
        station.pump.Run(PumpLoop::Once, PumpWait::Poll);
    }
    EXPECT_EQ(session->BytesAvailable(), 0);
}

TEST(RecorderSession, WhileForwardingForwardingMessagesGetNoReply)
{
    Station station;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, station.pump, clock, &station.hub);
    auto peer = station.Connect();
    std::vector<uint8_t> direct = MakeTelegram(10001);
    std::vector<uint8_t> after = MakeTelegram(10003);
    peer->Send(Join({Shlo(), direct, Data(MakeTelegram(10002), "10.0.0.2"), after}));
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return client.QueueLength() == 2; }));
    // Only the telegrams the peer sent directly were queued; the forwarded
    // one was neither queued nor decoded, and nothing was answered.
    EXPECT_EQ(client.QueueHead().bytes, direct);
    EXPECT_EQ(station.Last()->BufferedBytes(), 0u);
    EXPECT_TRUE(station.sink.delivered.empty());
    peer->ReadAvailable();
    EXPECT_EQ(peer->Received(), "");
}

TEST(RecorderSession, WithTheForwardingQueueFullATelegramIsDecodedLocally)
{
    Station station;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, station.pump, clock, &station.hub);
    std::vector<uint8_t> filler = MakeTelegram(10001);
    for (size_t i = 0; i < ForwardingClient::kMaxQueueLength; ++i)
        ASSERT_TRUE(client.Enqueue(static_cast<int>(filler.size()), filler.data(), "10.0.0.1"));
    observer.events.clear();
    auto peer = station.Connect();
    std::vector<uint8_t> alarm = MakeTelegram(10002);
    peer->Send(alarm);
    ASSERT_TRUE(PumpUntil(station.pump, [&] { return !station.sink.delivered.empty(); }));
    EXPECT_EQ(station.sink.delivered[0].bytes, alarm);
    EXPECT_EQ(client.QueueLength(), ForwardingClient::kMaxQueueLength);
    EXPECT_TRUE(observer.events.empty());
}

TEST(RecorderSession, MoreThanSixtyThreeConnectionsAreAllServed)
{
    Station station;
    std::vector<std::unique_ptr<LoopbackPeer>> peers;
    for (int i = 0; i < 100; ++i)
        peers.push_back(std::make_unique<LoopbackPeer>(station.port));
    for (size_t i = 0; i < peers.size(); ++i)
        peers[i]->Send(MakeTelegram(static_cast<uint16_t>(10000 + i)));
    ASSERT_TRUE(PumpUntil(
        station.pump, [&] { return station.sink.delivered.size() == peers.size(); }, 20000));
    EXPECT_EQ(station.Sessions().size(), peers.size());
}

TEST(RecorderSession, MoreThanTenTwentyFourConnectionsAreAllServed)
{
    ASSERT_GE(RaiseOpenFileLimit(), 2400) << "needs two handles per connection";
    Station station;
    std::vector<std::unique_ptr<LoopbackPeer>> peers;
    for (int i = 0; i < 1100; ++i)
        peers.push_back(std::make_unique<LoopbackPeer>(station.port));
    for (size_t i = 0; i < peers.size(); ++i)
        peers[i]->Send(MakeTelegram(static_cast<uint16_t>(i)));
    ASSERT_TRUE(PumpUntil(
        station.pump, [&] { return station.sink.delivered.size() == peers.size(); }, 40000));
    std::vector<bool> seen(peers.size());
    for (const DeliveredTelegram& telegram : station.sink.delivered)
        seen[TelegramHeader::Read(telegram.bytes.data()).typeCode] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 1100);
    // Handles above 1024 are served: no fixed-size set is involved.
    EXPECT_GT(station.Last()->Handle(), 1024);
}

TEST(RecorderSession, ProcessingTheQueueLocallyDecodesInOrderWithStoredAddresses)
{
    RecordingSink sink;
    SocketPump pump;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, pump, clock);
    std::vector<uint8_t> first = MakeTelegram(10001);
    std::vector<uint8_t> second = MakeTelegram(10002, "", 254);
    std::vector<uint8_t> third = MakeTelegram(10003);
    client.Enqueue(static_cast<int>(first.size()), first.data(), "10.0.0.1");
    client.Enqueue(static_cast<int>(second.size()), second.data(), "10.0.0.2");
    client.Enqueue(static_cast<int>(third.size()), third.data(), "10.0.0.3");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(client.ProcessQueueLocally(sink));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Unconnected socket -1 registered. \n\rSocket Nr.-1 entfernt. \n\r");
    ASSERT_EQ(sink.delivered.size(), 2u);
    EXPECT_EQ(sink.delivered[0].bytes, first);
    EXPECT_EQ(sink.delivered[0].originIp, "10.0.0.1");
    EXPECT_EQ(sink.delivered[1].bytes, third);
    EXPECT_EQ(sink.delivered[1].originIp, "10.0.0.3");
    EXPECT_EQ(client.QueueLength(), 0u);
    EXPECT_TRUE(pump.Sockets().empty());
}

TEST(RecorderSession, ProcessingTheQueueLocallyStopsAtAnItemThatDoesNotDecode)
{
    RecordingSink sink;
    SocketPump pump;
    RecordingObserver observer;
    FakeClock clock;
    ForwardingClient client(observer, pump, clock);
    std::vector<uint8_t> good = MakeTelegram(10001);
    std::vector<uint8_t> corrupt = MakeTelegram(10002);
    ++corrupt[16];
    client.Enqueue(static_cast<int>(good.size()), good.data(), "10.0.0.1");
    client.Enqueue(static_cast<int>(corrupt.size()), corrupt.data(), "10.0.0.2");
    client.Enqueue(static_cast<int>(good.size()), good.data(), "10.0.0.3");
    client.ProcessQueueLocally(sink);
    EXPECT_EQ(sink.delivered.size(), 1u);
    ASSERT_EQ(client.QueueLength(), 1u);
    EXPECT_EQ(client.QueueHead().originIp, "10.0.0.3");

    // An unknown recorder stops the replay too; its item is gone.
    sink.delivered.clear();
    sink.outcomes = {TelegramOutcome::UnknownRecorder};
    client.Enqueue(static_cast<int>(good.size()), good.data(), "10.0.0.4");
    client.ProcessQueueLocally(sink);
    EXPECT_EQ(sink.delivered.size(), 1u);
    ASSERT_EQ(client.QueueLength(), 1u);
    EXPECT_EQ(client.QueueHead().originIp, "10.0.0.4");
}
