// The live-view link over real shared-memory channels (under a name prefix
// private to the test): alarms reach the alarm table and requests the queue
// as the live-view program reads them.
#include "alarm/SharedLiveViewLink.h"

#include "links/AlarmTable.h"
#include "links/CommandMailbox.h"
#include "links/SharedLayouts.h"
#include "links/ViewerRequest.h"
#include "links/ViewerRequestQueue.h"
#include "platform/NamedMutex.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

class SharedLiveViewLinkTest : public ::testing::Test {
protected:
    SharedLiveViewLinkTest() { RemoveObjects(); }
    ~SharedLiveViewLinkTest() override
    {
        requests.Unregister();
        table.Detach();
        mailbox.Close();
        RemoveObjects();
    }

    void RemoveObjects() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
            if (entry.path().filename().string().starts_with(prefix))
                std::filesystem::remove(entry.path(), error);
        }
    }

    // The requests waiting in the queue, as the live-view program takes them.
    std::vector<ViewerRequest> Waiting() const
    {
        std::ifstream in("/dev/shm/" + prefix + "KXPW", std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(bytes.size(), RequestQueueLayout::kSize);
        int32_t count = 0;
        std::memcpy(&count, bytes.data() + RequestQueueLayout::kCountAt, sizeof count);
        std::vector<ViewerRequest> found;
        for (int32_t i = 0; i < count; ++i) {
            const auto* record = reinterpret_cast<const uint8_t*>(
                bytes.data() + RequestQueueLayout::kHeaderSize +
                static_cast<size_t>(i) * RequestQueueLayout::kRecordSize);
            found.push_back(
                DecodeViewerRequest(std::span<const uint8_t, RequestQueueLayout::kRecordSize>(
                    record, RequestQueueLayout::kRecordSize)));
        }
        return found;
    }

    std::string prefix = "wdxa" + std::to_string(::getpid()) + "_";
    AlarmTable table{prefix};
    ViewerRequestQueue requests{prefix};
    CommandMailbox mailbox{prefix};
    SharedLiveViewLink link{table, requests, mailbox};
};

} // namespace

TEST_F(SharedLiveViewLinkTest, AlarmsReachTheAlarmTable)
{
    ASSERT_TRUE(table.Attach());
    link.AddAlarm("Tor", 2, "Eingang-Nord", 1000, 3);
    link.AddAlarm("Halle", 0, "", 2000, 0);
    link.SetShownAlarm(2000);
    link.RemoveAlarm(1000);
    std::vector<AlarmTableRecord> records;
    int64_t shown = -1;
    ASSERT_TRUE(table.Read(records, shown));
    EXPECT_EQ(shown, 2000);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], (AlarmTableRecord{"Halle", "", 0, 0, 2000}));
}

TEST_F(SharedLiveViewLinkTest, RequestsReachTheQueue)
{
    ASSERT_TRUE(requests.Register(0));
    ASSERT_TRUE(mailbox.Open());
    EXPECT_TRUE(link.ShowTrackByNumber("10.0.0.1", 7, 2, 13'300'000'000'000, 0, 1));
    EXPECT_TRUE(link.ShowTrackByName("10.0.0.1", "Eingang", 2, 5, 0, -1));
    EXPECT_TRUE(link.ShowLive("10.0.0.1", 2, 1, 3));
    EXPECT_TRUE(link.LoadPreset("Nord"));
    link.Notify(StationEvent::AlarmDispatched);

    std::vector<ViewerRequest> waiting = Waiting();
    ASSERT_EQ(waiting.size(), 5u); // after the registration notice
    EXPECT_EQ(waiting[0].request, static_cast<int32_t>(ViewerRequestKind::RegistrationChanged));
    EXPECT_EQ(waiting[1].request, static_cast<int32_t>(ViewerRequestKind::ShowTrack));
    EXPECT_EQ(waiting[1].recorderAddress, "10.0.0.1");
    EXPECT_EQ(waiting[1].trackNumber, 7);
    EXPECT_EQ(waiting[1].time, 13'300'000'000'000);
    EXPECT_EQ(waiting[1].index, 1);
    EXPECT_EQ(waiting[2].trackName, "Eingang");
    EXPECT_EQ(waiting[2].trackNumber, -1);
    EXPECT_EQ(waiting[2].index, ViewerRequest::kNoIndex);
    EXPECT_EQ(waiting[3].request, static_cast<int32_t>(ViewerRequestKind::ShowLive));
    EXPECT_EQ(waiting[3].camera, 2);
    EXPECT_EQ(waiting[3].flag, 1);
    EXPECT_EQ(waiting[3].index, 3);
    EXPECT_EQ(waiting[4].request, static_cast<int32_t>(ViewerRequestKind::LoadPreset));
    EXPECT_EQ(waiting[4].presetName, "Nord");
}

TEST_F(SharedLiveViewLinkTest, ChannelsThatAreNotAttachedAreSkipped)
{
    link.AddAlarm("Tor", 2, "", 1000, 3);
    link.SetShownAlarm(1000);
    link.Notify(StationEvent::AlarmConfirmed);
    EXPECT_FALSE(link.ShowLive("10.0.0.1", 2, 1, -1));
    EXPECT_FALSE(link.LoadPreset("Nord"));
}

TEST_F(SharedLiveViewLinkTest, UpdatesWaitInOrderWhileAnotherProgramKeepsTheMutex)
{
    ASSERT_TRUE(table.Attach());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t holder = ::fork();
    if (holder == 0) {
        NamedMutex mutex;
        char locked = mutex.Open(prefix + AlarmTable::kMutexName, SharedAccess::Group) &&
                              mutex.Lock() == MutexLock::Acquired
                          ? 'L'
                          : 'F';
        [[maybe_unused]] ssize_t written = ::write(ready[1], &locked, 1);
        for (;;)
            ::pause();
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 'L');
    link.AddAlarm("Tor", 2, "", 1000, 3);
    link.AddAlarm("Halle", 0, "", 2000, 0);
    link.RemoveAlarm(1000);
    EXPECT_EQ(link.PendingCount(), 3u);
    link.RetryPending();
    EXPECT_EQ(link.PendingCount(), 3u);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    link.RetryPending();
    EXPECT_EQ(link.PendingCount(), 0u);
    std::vector<AlarmTableRecord> records;
    int64_t shown = -1;
    ASSERT_TRUE(table.Read(records, shown));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].recorderName, "Halle");
    ::close(ready[0]);
    ::close(ready[1]);
}
