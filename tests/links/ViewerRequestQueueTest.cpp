// The request queue as the live-view program reads it: registration, the four
// requests byte for byte, the limit of 25 and the notification of the
// live-view window.
#include "links/ViewerRequestQueue.h"

#include "LinksTestSupport.h"
#include "links/LittleEndian.h"
#include "links/SharedLayouts.h"
#include "platform/SharedMapping.h"
#include "platform/WindowMessages.h"

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Layout = RequestQueueLayout;

std::string I32(int32_t value)
{
    std::string bytes(4, '\0');
    StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string I64(int64_t value)
{
    std::string bytes(8, '\0');
    StoreI64(reinterpret_cast<uint8_t*>(bytes.data()), value);
    return bytes;
}

std::string Field(const std::string& text, size_t size)
{
    std::string bytes = text;
    bytes.resize(size, '\0');
    return bytes;
}

// A record laid out by hand from the table of fields.
std::string Record(int32_t request, int32_t camera, const std::string& address, int index,
                   const std::string& track, const std::string& preset, int32_t number,
                   int64_t time, uint8_t flag)
{
    std::string bytes = I32(2) + I32(request) + I32(camera) + Field(address, 100);
    bytes += std::string(10, '\0'); // 112 to 121
    bytes += index < 0 ? std::string(2, '\0') : std::string{'\1', static_cast<char>(index)};
    bytes += Field(track, 11);
    bytes += std::string(77, '\0'); // 135 to 211
    bytes += Field(preset, 100) + I32(number) + I64(time) + static_cast<char>(flag);
    return bytes;
}

class RequestQueueTest : public ::testing::Test {
protected:
    std::string Object() const { return m_scope.ReadObject("KXPW"); }
    std::string RecordAt(size_t index) const
    {
        return Object().substr(Layout::kHeaderSize + index * Layout::kRecordSize,
                               Layout::kRecordSize);
    }
    int32_t HeaderField(size_t offset) const
    {
        return LoadI32(reinterpret_cast<const uint8_t*>(Object().data()) + offset);
    }
    // Writes into the header as the live-view program would.
    void SetHeaderField(size_t offset, int32_t value)
    {
        SharedMapping viewer;
        ASSERT_EQ(viewer.Attach(m_scope.Prefix() + "KXPW", Layout::kSize,
                                SharedCreate::OpenOrCreate, SharedAccess::OwnerOnly),
                  AttachResult::Attached);
        StoreI32(viewer.Data() + offset, value);
    }

    ShmScope m_scope;
    ViewerRequestQueue m_queue{m_scope.Prefix()};
};

TEST_F(RequestQueueTest, RegisterEntersTheWindowAndQueuesRegistrationChanged)
{
    ASSERT_TRUE(m_queue.Register(0x01020304));
    std::string queue = Object();
    ASSERT_EQ(queue.size(), 8145u);
    EXPECT_EQ(queue.substr(0, 20), I32(0) + I32(0) + I32(0x01020304) + I32(0) + I32(1));
    EXPECT_EQ(RecordAt(0), Record(6, 0, "", -1, "", "", -1, 0, 0));
    struct stat status {};
    ASSERT_EQ(::stat(m_scope.PathOf("KXPW").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(m_scope.PathOf("KXPWMutex").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(RequestQueueTest, UnregisterClearsTheWindowAndQueuesRegistrationChanged)
{
    ASSERT_TRUE(m_queue.Register(77));
    m_queue.Unregister();
    EXPECT_FALSE(m_queue.IsValid());
    EXPECT_EQ(HeaderField(Layout::kStationWindowAt), 0);
    EXPECT_EQ(HeaderField(Layout::kCountAt), 2);
    EXPECT_EQ(RecordAt(1), Record(6, 0, "", -1, "", "", -1, 0, 0));
    EXPECT_FALSE(m_queue.ShowLive("10.0.0.1", 1, 0, -1));
}

TEST_F(RequestQueueTest, FourRequestsByteForByte)
{
    ASSERT_TRUE(m_queue.Register(77));
    ASSERT_TRUE(m_queue.ShowLive("192.168.1.20", 3, 1, 3));
    ASSERT_TRUE(
        m_queue.ShowTrackByName("192.168.1.20", "Zwoelf_Zeich", 2, 13'300'000'001'000, 0, 0));
    ASSERT_TRUE(m_queue.ShowTrackByNumber("192.168.1.21", 7, 5, -1000, 1, -1));
    ASSERT_TRUE(m_queue.LoadPreset("Einfahrt"));
    EXPECT_EQ(HeaderField(Layout::kCountAt), 5);
    EXPECT_EQ(RecordAt(1), Record(2, 3, "192.168.1.20", 3, "", "", -1, 0, 1));
    EXPECT_EQ(RecordAt(2),
              Record(1, 2, "192.168.1.20", 0, "Zwoelf_Zei", "", -1, 13'300'000'001'000, 0));
    EXPECT_EQ(RecordAt(3), Record(1, 5, "192.168.1.21", -1, "", "", 7, -1000, 1));
    EXPECT_EQ(RecordAt(4), Record(3, 0, "", -1, "", "Einfahrt", -1, 0, 0));
}

TEST_F(RequestQueueTest, LongAddressAndPresetAreCut)
{
    ASSERT_TRUE(m_queue.Register(77));
    ASSERT_TRUE(m_queue.ShowLive(std::string(150, 'a'), 0, 0, -1));
    ASSERT_TRUE(m_queue.LoadPreset(std::string(150, 'p')));
    EXPECT_EQ(RecordAt(1).substr(12, 100), std::string(99, 'a') + '\0');
    EXPECT_EQ(RecordAt(2).substr(212, 100), std::string(99, 'p') + '\0');
}

TEST_F(RequestQueueTest, FullQueueDropsSilentlyAndNothingIsPostedWithoutAViewerWindow)
{
    int viewer = OpenWindowEndpoint(TestWindow(10));
    ASSERT_GE(viewer, 0);
    ASSERT_TRUE(m_queue.Register(77));
    for (int i = 1; i < 25; ++i)
        EXPECT_TRUE(m_queue.ShowLive("10.0.0.1", i, 0, -1)) << i;
    std::string full = Object();
    EXPECT_FALSE(m_queue.ShowLive("10.0.0.1", 99, 0, -1));
    EXPECT_FALSE(m_queue.LoadPreset("x"));
    EXPECT_EQ(Object(), full);
    EXPECT_EQ(HeaderField(Layout::kCountAt), 25);
    WindowMessage message;
    EXPECT_EQ(ReceiveWindowMessage(viewer, message), ReceiveResult::Nothing);
    ::close(viewer);
}

TEST_F(RequestQueueTest, EachQueuedRequestNotifiesTheViewerWindow)
{
    int viewer = OpenWindowEndpoint(TestWindow(11));
    ASSERT_GE(viewer, 0);
    ASSERT_TRUE(m_queue.Register(77));
    SetHeaderField(Layout::kViewerWindowAt, static_cast<int32_t>(TestWindow(11)));
    ASSERT_TRUE(m_queue.ShowLive("10.0.0.1", 1, 0, -1));
    ASSERT_TRUE(m_queue.LoadPreset("x"));
    WindowMessage message;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(ReceiveWindowMessage(viewer, message), ReceiveResult::Message);
        EXPECT_EQ(message.name, "KavexNoticiation");
        EXPECT_EQ(message.first, 0);
        EXPECT_EQ(message.second, 0);
    }
    EXPECT_EQ(ReceiveWindowMessage(viewer, message), ReceiveResult::Nothing);
    ::close(viewer);
}

TEST_F(RequestQueueTest, CorruptCountDropsTheRequest)
{
    ASSERT_TRUE(m_queue.Register(77));
    SetHeaderField(Layout::kCountAt, -3);
    EXPECT_FALSE(m_queue.ShowLive("10.0.0.1", 1, 0, -1));
    SetHeaderField(Layout::kCountAt, 1'000'000);
    EXPECT_FALSE(m_queue.ShowLive("10.0.0.1", 1, 0, -1));
}

TEST_F(RequestQueueTest, ExistingQueueIsOpenedNotRebuilt)
{
    SharedMapping viewer;
    ASSERT_EQ(viewer.Attach(m_scope.Prefix() + "KXPW", Layout::kSize, SharedCreate::OpenOrCreate,
                            SharedAccess::OwnerOnly),
              AttachResult::Attached);
    StoreI32(viewer.Data() + Layout::kViewerWindowAt, 1234);
    StoreI32(viewer.Data() + Layout::kSecondClientAt, 55);
    ASSERT_TRUE(m_queue.Register(77));
    EXPECT_EQ(HeaderField(Layout::kViewerWindowAt), 1234);
    EXPECT_EQ(HeaderField(Layout::kSecondClientAt), 55);
    EXPECT_EQ(HeaderField(Layout::kStationWindowAt), 77);
}

TEST(ViewerRequestRecord, DecodesWhatItEncodes)
{
    ViewerRequest request;
    request.request = 1;
    request.camera = 9;
    request.recorderAddress = "10.1.2.3";
    request.index = 2;
    request.trackName = "Spur";
    request.trackNumber = 4;
    request.time = -77;
    request.flag = 1;
    ViewerRequestBytes bytes = EncodeViewerRequest(request);
    EXPECT_EQ(DecodeViewerRequest(bytes), request);
}

} // namespace
