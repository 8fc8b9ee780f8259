// Window messages between programs: the datagram layout, posting to windows
// that exist or not, and a receiver polled by the pump.
#include "platform/WindowMessages.h"

#include "LinksTestSupport.h"
#include "links/WindowMessageReceiver.h"
#include "net/SocketPump.h"
#include "platform/SharedAccess.h"

#include <string>
#include <vector>

#include <grp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TEST(WindowMessageFormat, NameThenTwoLittleEndianParameters)
{
    auto bytes = EncodeWindowMessage({"WardexCommand", 0x0102030405060708, -2});
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 14),
              std::string("WardexCommand\0", 14));
    for (size_t i = 13; i < 64; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(bytes[64], 0x08);
    EXPECT_EQ(bytes[71], 0x01);
    for (size_t i = 72; i < 80; ++i)
        EXPECT_EQ(bytes[i], i == 72 ? 0xfe : 0xff) << i;
    WindowMessage decoded;
    ASSERT_TRUE(DecodeWindowMessage(bytes, decoded));
    EXPECT_EQ(decoded.name, "WardexCommand");
    EXPECT_EQ(decoded.first, 0x0102030405060708);
    EXPECT_EQ(decoded.second, -2);
}

TEST(WindowMessageFormat, RejectsOtherSizesAndNamesWithoutEnd)
{
    auto bytes = EncodeWindowMessage({"KavexNoticiation", 0, 0});
    WindowMessage decoded;
    EXPECT_FALSE(DecodeWindowMessage(std::span(bytes).first(79), decoded));
    std::vector<uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_FALSE(DecodeWindowMessage(longer, decoded));
    std::fill(bytes.begin(), bytes.begin() + 64, uint8_t{'x'});
    EXPECT_FALSE(DecodeWindowMessage(bytes, decoded));
}

TEST(WindowMessageFormat, OverLongNameIsCut)
{
    auto bytes = EncodeWindowMessage({std::string(100, 'n'), 1, 2});
    WindowMessage decoded;
    ASSERT_TRUE(DecodeWindowMessage(bytes, decoded));
    EXPECT_EQ(decoded.name, std::string(63, 'n'));
}

TEST(WindowMessages, PostingToAWindowNobodyHoldsFindsNoWindow)
{
    EXPECT_EQ(PostWindowMessage(TestWindow(1), "WardexCommand", 1, 0), PostResult::NoWindow);
}

TEST(WindowMessages, AHandleCanBeBoundOnlyOnce)
{
    int first = OpenWindowEndpoint(TestWindow(2));
    ASSERT_GE(first, 0);
    EXPECT_LT(OpenWindowEndpoint(TestWindow(2)), 0);
    ::close(first);
    int again = OpenWindowEndpoint(TestWindow(2));
    EXPECT_GE(again, 0);
    ::close(again);
}

TEST(WindowMessages, ReceiverInThePumpGetsEveryMessageAndSkipsGarbage)
{
    SocketPump pump;
    std::vector<WindowMessage> received;
    WindowMessageReceiver receiver(
        [&](const WindowMessage& message) { received.push_back(message); });
    ASSERT_TRUE(receiver.Open(TestWindow(3)));
    EXPECT_EQ(receiver.Window(), TestWindow(3));
    pump.Register(&receiver);

    // A stray datagram of the wrong size on the window's socket.
    int sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string name = "wardex-window-" + std::to_string(TestWindow(3));
    std::copy(name.begin(), name.end(), address.sun_path + 1);
    ASSERT_EQ(::sendto(sender, "junk", 4, 0, reinterpret_cast<const sockaddr*>(&address),
                       static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
              4);
    ::close(sender);

    EXPECT_EQ(PostWindowMessage(TestWindow(3), "KavexNoticiation", 0, 0), PostResult::Posted);
    EXPECT_EQ(PostWindowMessage(TestWindow(3), "WardexCommand", 6, 0), PostResult::Posted);
    ASSERT_TRUE(PumpUntil(pump, [&] { return received.size() == 2; }));
    EXPECT_EQ(received[0].name, "KavexNoticiation");
    EXPECT_EQ(received[1].name, "WardexCommand");
    EXPECT_EQ(received[1].first, 6);
    EXPECT_EQ(receiver.Dropped(), 1);
    EXPECT_TRUE(receiver.IsOpen());
    pump.Unregister(&receiver);
}

// Posts from a child process that runs as "nobody" in group `gid`.
bool PostAsNobody(uint32_t window, gid_t gid)
{
    pid_t child = ::fork();
    if (child == 0) {
        bool switched = ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(65534) == 0;
        _exit(switched && PostWindowMessage(window, "WardexCommand", 9, 0) == PostResult::Posted
                  ? 0
                  : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(WindowMessages, OnlyTheOwnUserAndTheSharedGroupAreHeard)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "sending as another user needs root to change the user";
    struct Case {
        const char* sharedGroup;
        gid_t senderGroup;
        bool heard;
    } cases[] = {{"", 65534, false}, {"nogroup", 65534, true}, {"nogroup", 0, false}};
    uint32_t k = 5;
    for (const Case& c : cases) {
        ASSERT_TRUE(SetSharedGroup(c.sharedGroup));
        SocketPump pump;
        std::vector<int64_t> received;
        WindowMessageReceiver receiver(
            [&](const WindowMessage& message) { received.push_back(message.first); });
        ASSERT_TRUE(receiver.Open(TestWindow(k)));
        pump.Register(&receiver);
        ASSERT_TRUE(PostAsNobody(TestWindow(k), c.senderGroup));
        EXPECT_EQ(PostWindowMessage(TestWindow(k), "WardexCommand", 1, 0), PostResult::Posted);
        ASSERT_TRUE(PumpUntil(pump, [&] { return received.size() + receiver.Refused() == 2; }));
        std::vector<int64_t> expected =
            c.heard ? std::vector<int64_t>{9, 1} : std::vector<int64_t>{1};
        EXPECT_EQ(received, expected) << c.sharedGroup << " " << c.senderGroup;
        EXPECT_EQ(receiver.Refused(), c.heard ? 0 : 1);
        pump.Unregister(&receiver);
        ++k;
    }
    ASSERT_TRUE(SetSharedGroup(""));
}

TEST(WindowMessages, AClosedWindowNoLongerExists)
{
    {
        WindowMessageReceiver receiver(nullptr);
        ASSERT_TRUE(receiver.Open(TestWindow(4)));
        EXPECT_EQ(PostWindowMessage(TestWindow(4), "WardexCommand", 1, 0), PostResult::Posted);
    }
    EXPECT_EQ(PostWindowMessage(TestWindow(4), "WardexCommand", 1, 0), PostResult::NoWindow);
}

} // namespace
