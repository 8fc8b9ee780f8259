// The limits that keep a station reachable, against real loopback peers:
// the buffer bound, the cap per unlisted address, idle connections, the
// forwarding stations allowed, and the list that says which those are.
#include "net/ConnectionGuard.h"

#include "NetTestSupport.h"
#include "net/ForwardMessage.h"
#include "net/ForwardingAllowList.h"
#include "net/RecorderListener.h"
#include "net/RecorderSession.h"
#include "net/SessionHub.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class GuardTest : public ::testing::Test {
protected:
    GuardTest()
    {
        auto listener = std::make_unique<RecorderListener>(sink, hub);
        EXPECT_TRUE(listener->Create());
        EXPECT_TRUE(listener->Listen(0));
        port = listener->LocalPort();
        pump.Register(listener.release());
        hub.Guard().SetClock([this] { return now; });
    }

    std::vector<RecorderSession*> Open() const
    {
        std::vector<RecorderSession*> sessions;
        for (TcpSocket* socket : pump.Sockets()) {
            auto* session = dynamic_cast<RecorderSession*>(socket);
            if (session != nullptr && session->IsOpen())
                sessions.push_back(session);
        }
        return sessions;
    }

    std::unique_ptr<LoopbackPeer> Connect(const char* from = nullptr)
    {
        size_t before = pump.ReleasedCount() + Open().size();
        auto peer = std::make_unique<LoopbackPeer>(port, from);
        EXPECT_TRUE(PumpUntil(pump, [&] { return pump.ReleasedCount() + Open().size() > before; }));
        return peer;
    }

    // Reads until the peer sees its connection end, or gives up.
    bool Ended(LoopbackPeer& peer)
    {
        return PumpUntil(
            pump,
            [&] {
                peer.ReadAvailable();
                return peer.SawEnd();
            },
            500);
    }

    RecordingSink sink;
    SocketPump pump;
    SessionHub hub{pump};
    int port = 0;
    int64_t now = 1'000'000;
};

} // namespace

TEST_F(GuardTest, OverTheBufferBoundTheOldestPartialTelegramGoesFirst)
{
    // Buffers double as bytes arrive: 40 000 bytes take 65 536.
    hub.Guard().SetLimits({.maxBufferedBytes = 150'000});
    std::vector<uint8_t> telegram = MakeTelegram(10001, std::string(60'000, 'x'));
    std::span<const uint8_t> half(telegram.data(), 40'000);
    std::vector<std::unique_ptr<LoopbackPeer>> peers;
    for (int i = 0; i < 3; ++i) {
        peers.push_back(Connect());
        ++now;
        peers.back()->Send(half);
        ASSERT_TRUE(PumpUntil(
            pump, [&] { return Open().size() < 3 || Open().back()->BufferedBytes() == 40'000; }));
    }
    EXPECT_TRUE(Ended(*peers[0]));
    EXPECT_EQ(Open().size(), 2u);
    EXPECT_LE(hub.Guard().BufferedBytes(), 150'000u);
    // The others finish their telegrams.
    for (int i = 1; i < 3; ++i)
        peers[i]->Send(std::span<const uint8_t>(telegram).subspan(40'000));
    ASSERT_TRUE(PumpUntil(pump, [&] { return sink.delivered.size() == 2; }));
    ASSERT_TRUE(PumpUntil(pump, [&] { return hub.Guard().BufferedBytes() == 0; }));
}

TEST_F(GuardTest, UnlistedAddressesGetTheirShareListedOnesAll)
{
    hub.Guard().SetLimits({.maxPerUnlistedAddress = 2});
    hub.Guard().SetListedTest([](std::string_view address) { return address == "127.0.0.2"; });
    std::vector<std::unique_ptr<LoopbackPeer>> unlisted;
    for (int i = 0; i < 2; ++i)
        unlisted.push_back(Connect("127.0.0.3"));
    LoopbackPeer third(port, "127.0.0.3");
    EXPECT_TRUE(Ended(third));
    std::vector<std::unique_ptr<LoopbackPeer>> listed;
    for (int i = 0; i < 4; ++i)
        listed.push_back(Connect("127.0.0.2"));
    EXPECT_EQ(Open().size(), 6u);
}

TEST_F(GuardTest, SilentConnectionsCloseLongAfterTheLongestSupervisionInterval)
{
    hub.Guard().SetLimits({.minIdleMs = 60'000});
    hub.Guard().SetIntervalSource([] { return int64_t{100'000}; });
    EXPECT_EQ(hub.Guard().IdleLimitMs(), 300'000);
    auto silent = Connect();
    auto talking = Connect();
    now += 200'000;
    talking->Send(MakeTelegram(10001));
    ASSERT_TRUE(PumpUntil(pump, [&] { return sink.delivered.size() == 1; }));
    now += 100'001;
    EXPECT_EQ(hub.Guard().CloseIdle(now), 1);
    EXPECT_TRUE(Ended(*silent));
    EXPECT_EQ(Open().size(), 1u);
}

TEST_F(GuardTest, OutOfDescriptorsTheOldestConnectionThatSentNothingValidMakesRoom)
{
    auto proven = Connect();
    proven->Send(MakeTelegram(10001));
    ASSERT_TRUE(PumpUntil(pump, [&] { return sink.delivered.size() == 1; }));
    auto first = Connect();
    ++now;
    auto second = Connect();
    EXPECT_TRUE(hub.Guard().DropOldestUnproven());
    EXPECT_TRUE(Ended(*first));
    EXPECT_TRUE(hub.Guard().DropOldestUnproven());
    EXPECT_FALSE(hub.Guard().DropOldestUnproven());
    ASSERT_EQ(Open().size(), 1u);
    EXPECT_TRUE(Open()[0]->HasSentValid());
}

TEST_F(GuardTest, ForwardingFromAStationNotAllowedGetsNoAnswer)
{
    ForwardMessage hello;
    hello.MakeShlo("0.0.0.0");
    std::span<const uint8_t> bytes = hello.Encode();
    std::vector<uint8_t> shlo(bytes.begin(), bytes.end());
    auto allowed = Connect("127.0.0.2");
    sink.refusedForwarders = {"127.0.0.3"};
    auto refused = Connect("127.0.0.3");
    refused->Send(shlo);
    allowed->Send(shlo);
    ASSERT_TRUE(PumpUntil(pump, [&] {
        allowed->ReadAvailable();
        return allowed->Received().size() == ForwardMessage::kHeaderSize;
    }));
    refused->ReadAvailable();
    EXPECT_TRUE(refused->Received().empty());
}

TEST(ForwardingAllowList, EmptyAllowsAllOtherwiseOnlyTheListed)
{
    struct Case {
        const char* list;
        const char* peer;
        bool allowed;
    };
    const Case cases[] = {
        {"", "10.0.0.9", true},
        {" ; ", "10.0.0.9", true},
        {"10.0.0.1; 10.0.0.2", "10.0.0.2", true},
        {"10.0.0.1;10.0.0.2", "10.0.0.3", false},
        {"10.0.0.1", "10.0.0.10", false},
        {"localhost", "127.0.0.1", true},
        {"no-such-host.invalid", "127.0.0.1", false},
    };
    for (const Case& c : cases) {
        ForwardingAllowList list;
        list.Update(c.list);
        EXPECT_EQ(list.Allows(c.peer), c.allowed) << c.list << " / " << c.peer;
    }
}
