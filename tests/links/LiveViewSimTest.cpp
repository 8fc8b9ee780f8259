// The station's side of the link against liveview-sim in a process of its
// own: both see each other's data, requests and events arrive as readable
// lines, commands from the simulator reach the station's pump, and a peer
// killed while it holds a mutex never blocks the station.
#include "LinksTestSupport.h"
#include "links/AlarmTable.h"
#include "links/CKXSHMPresetList.h"
#include "links/CommandMailbox.h"
#include "links/LittleEndian.h"
#include "links/SharedRecorderList.h"
#include "links/ViewerRequestQueue.h"
#include "links/WindowMessageReceiver.h"
#include "net/SocketPump.h"
#include "platform/NamedMutex.h"
#include "testsupport/TempDir.h"

#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

class LiveViewSim : public ::testing::Test {
protected:
    std::vector<std::string> SimArgs(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{"--prefix", m_scope.Prefix(), "--window",
                                      std::to_string(kViewer)};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    bool WaitFor(ChildProcess& sim, const std::string& prefix, std::string& line)
    {
        return sim.WaitForPrefix(prefix, line);
    }

    const uint32_t kViewer = TestWindow(40);
    const uint32_t kStation = TestWindow(41);
    ShmScope m_scope;
};

TEST_F(LiveViewSim, HelpDescribesTheOptions)
{
    ChildProcess sim(LiveViewSimPath(), {"--help"});
    std::string line;
    ASSERT_TRUE(sim.WaitForPrefix("Usage: liveview-sim", line));
    EXPECT_TRUE(WIFEXITED(sim.Wait()));
}

TEST_F(LiveViewSim, StationAndSimulatorSeeEachOthersData)
{
    ChildProcess sim(
        LiveViewSimPath(),
        SimArgs({"--recorder", "Tor|192.168.1.20|Einfahrt|##16777217|Schranke", "--recorder",
                 "Lager$$Nord|192.168.1.21", "--preset", "Einfahrt", "--preset", "Rampe"}));
    std::string line;
    ASSERT_TRUE(WaitFor(sim, "ready", line));
    EXPECT_EQ(line, "ready window=" + std::to_string(kViewer));

    // The lists the simulator published.
    SharedRecorderList recorders(m_scope.Prefix());
    ASSERT_TRUE(recorders.Read());
    ASSERT_EQ(recorders.Count(), 2u);
    EXPECT_EQ(recorders.At(0),
              (SharedRecorder{"Tor", "192.168.1.20", {"Einfahrt", "Schranke"}, 1, 1}));
    EXPECT_EQ(recorders.At(1).name, "Lager$$Nord");
    CKXSHMPresetList presets(m_scope.Prefix());
    ASSERT_TRUE(presets.Read());
    EXPECT_EQ(presets.Names(), (std::vector<std::string>{"Einfahrt", "Rampe"}));

    // The station's window, mailbox, table and queue.
    SocketPump pump;
    std::vector<WindowMessage> stationMessages;
    WindowMessageReceiver receiver(
        [&](const WindowMessage& message) { stationMessages.push_back(message); });
    ASSERT_TRUE(receiver.Open(kStation));
    pump.Register(&receiver);
    CommandMailbox mailbox(m_scope.Prefix());
    ASSERT_TRUE(mailbox.Open());
    AlarmTable table(m_scope.Prefix());
    ASSERT_TRUE(table.Attach());
    ViewerRequestQueue queue(m_scope.Prefix());
    ASSERT_TRUE(queue.Register(kStation));

    // The simulator registered its window before the station: the station's
    // registration already notifies it.
    std::string queueBytes = m_scope.ReadObject("KXPW");
    EXPECT_EQ(LoadI32(reinterpret_cast<const uint8_t*>(queueBytes.data()) + 4),
              static_cast<int32_t>(kViewer));
    EXPECT_EQ(LoadI32(reinterpret_cast<const uint8_t*>(queueBytes.data()) + 8),
              static_cast<int32_t>(kStation));
    ASSERT_TRUE(WaitFor(sim, "request ", line));
    EXPECT_EQ(line, "request 6 registration-changed sender=2");

    ASSERT_TRUE(queue.ShowTrackByName("192.168.1.20", "Spur1", 2, 13'300'000'000'000, 0, 1));
    ASSERT_TRUE(WaitFor(sim, "request ", line));
    EXPECT_EQ(line, "request 1 show-track recorder=\"192.168.1.20\" camera=2 track=\"Spur1\" "
                    "number=-1 time=13300000000000 flag=0 index=1 sender=2");
    ASSERT_TRUE(queue.ShowLive("192.168.1.20", 2, 1, 3));
    ASSERT_TRUE(WaitFor(sim, "request ", line));
    EXPECT_EQ(line, "request 2 show-live recorder=\"192.168.1.20\" camera=2 flag=1 index=3 "
                    "sender=2");
    ASSERT_TRUE(queue.LoadPreset("Einfahrt"));
    ASSERT_TRUE(WaitFor(sim, "request ", line));
    EXPECT_EQ(line, "request 3 load-preset preset=\"Einfahrt\" sender=2");

    // The simulator reads the alarm table.
    ASSERT_TRUE(table.AddAlarm("Tor", 2, "Spur1", 13'300'000'000'000, 1));
    ASSERT_TRUE(table.AddAlarm("Lager", 0, "", 13'300'000'005'000, 3));
    ASSERT_TRUE(table.SetShownAlarm(13'300'000'000'000));
    sim.Write("alarms\n");
    ASSERT_TRUE(WaitFor(sim, "alarms ", line));
    EXPECT_EQ(line, "alarms 2 shown=13300000000000");
    std::vector<std::string> alarmLines;
    for (const std::string& text : sim.Lines()) {
        if (text.starts_with("alarm "))
            alarmLines.push_back(text);
    }
    EXPECT_EQ(alarmLines, (std::vector<std::string>{
                              "alarm recorder=\"Tor\" camera=2 track=\"Spur1\" priority=1 "
                              "arrival=13300000000000",
                              "alarm recorder=\"Lager\" camera=0 track=\"\" priority=3 "
                              "arrival=13300000005000"}));

    // Subscription through the mailbox, then station events.
    sim.Write("subscribe\n");
    ASSERT_TRUE(WaitFor(sim, "ok subscribe", line));
    ASSERT_TRUE(PumpUntil(pump, [&] { return !stationMessages.empty(); }));
    EXPECT_EQ(stationMessages.back().name, "WardexCommand");
    int selected = 0;
    mailbox.ProcessCommands([&] { ++selected; });
    EXPECT_EQ(mailbox.Subscribers(), (std::vector<uint32_t>{kViewer}));
    EXPECT_EQ(mailbox.Notify(StationEvent::AlarmDispatched), 1);
    ASSERT_TRUE(WaitFor(sim, "event ", line));
    EXPECT_EQ(line, "event 1 alarm-dispatched");

    // Command 2 and the request to come to the front.
    stationMessages.clear();
    sim.Write("select\nnotice\n");
    ASSERT_TRUE(WaitFor(sim, "ok notice", line));
    ASSERT_TRUE(PumpUntil(pump, [&] { return stationMessages.size() == 2; }));
    EXPECT_EQ(stationMessages[0].name, "WardexCommand");
    EXPECT_EQ(stationMessages[1].name, "KavexNoticiation");
    mailbox.ProcessCommands([&] { ++selected; });
    EXPECT_EQ(selected, 1);

    queue.Unregister();
    ASSERT_TRUE(WaitFor(sim, "request ", line));
    EXPECT_EQ(line, "request 6 registration-changed sender=2");
    sim.Write("quit\n");
    ASSERT_TRUE(WaitFor(sim, "bye", line));
    int status = sim.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    pump.Unregister(&receiver);
}

TEST_F(LiveViewSim, DemonstrationListsHaveHybridNamesAndNumberItems)
{
    ChildProcess sim(LiveViewSimPath(), SimArgs());
    std::string line;
    ASSERT_TRUE(WaitFor(sim, "ready", line));
    SharedRecorderList recorders(m_scope.Prefix());
    ASSERT_TRUE(recorders.Read());
    bool hybrid = false;
    bool numbered = false;
    bool presets = false;
    for (const SharedRecorder& recorder : recorders.Recorders()) {
        hybrid |= recorder.name.find("$$") != std::string::npos;
        numbered |= recorder.topBits != 0 || recorder.lowBits != 0;
        presets |= !recorder.presets.empty();
    }
    EXPECT_TRUE(hybrid && numbered && presets);
    CKXSHMPresetList presetList(m_scope.Prefix());
    ASSERT_TRUE(presetList.Read());
    EXPECT_GT(presetList.Count(), 0u);
}

TEST_F(LiveViewSim, ListsVanishWithAKilledSimulator)
{
    ChildProcess sim(LiveViewSimPath(), SimArgs());
    std::string line;
    ASSERT_TRUE(WaitFor(sim, "ready", line));
    SharedRecorderList recorders(m_scope.Prefix());
    ASSERT_TRUE(recorders.Read());
    sim.Stop(SIGKILL);
    EXPECT_FALSE(recorders.Read());
    CKXSHMPresetList presets(m_scope.Prefix());
    EXPECT_FALSE(presets.Read());
}

TEST_F(LiveViewSim, AlarmTableOutlivesTheSimulatorWhileTheStationHoldsIt)
{
    AlarmTable table(m_scope.Prefix());
    ASSERT_TRUE(table.Attach());
    table.AddAlarm("Tor", 1, "", 42, 1);
    {
        ChildProcess sim(LiveViewSimPath(), SimArgs());
        std::string line;
        ASSERT_TRUE(WaitFor(sim, "ready", line));
        sim.Write("alarms\n");
        ASSERT_TRUE(WaitFor(sim, "alarms ", line));
        EXPECT_EQ(line, "alarms 1 shown=0");
        sim.Stop(SIGKILL);
    }
    AlarmTable again(m_scope.Prefix());
    ASSERT_TRUE(again.Attach());
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    ASSERT_TRUE(again.Read(records, shown));
    EXPECT_EQ(records.size(), 1u);
}

TEST_F(LiveViewSim, MalformedListsFromTheOtherProcessAreRejected)
{
    TempDir dir;
    std::string recorderFile = dir.File("recorders.bin");
    std::string presetFile = dir.File("presets.bin");
    struct Case {
        std::string recorders;
        std::string presets;
    };
    std::string header(8, '\0');
    auto withHeader = [&](int32_t version, int32_t count, const std::string& rest) {
        std::string bytes = header;
        StoreI32(reinterpret_cast<uint8_t*>(bytes.data()), version);
        StoreI32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, count);
        return bytes + rest;
    };
    std::vector<Case> cases{
        {withHeader(1, 40, "A\0B\0\0"s), withHeader(1, 40, "A\0B\0"s)},
        {withHeader(1, 1, "A\0B\0C"s), withHeader(1, 1, "no end"s)},
        {withHeader(1, -1, ""), withHeader(7, 1, "A\0"s)},
    };
    for (const Case& malformed : cases) {
        WriteFileBytes(recorderFile, malformed.recorders);
        WriteFileBytes(presetFile, malformed.presets);
        ChildProcess sim(LiveViewSimPath(), SimArgs({"--raw-recorder-list", recorderFile,
                                                     "--raw-preset-list", presetFile}));
        std::string line;
        ASSERT_TRUE(WaitFor(sim, "ready", line));
        SharedRecorderList recorders(m_scope.Prefix());
        EXPECT_FALSE(recorders.Read());
        CKXSHMPresetList presets(m_scope.Prefix());
        EXPECT_FALSE(presets.Read());
    }
}

// A second process that opens the alarm table's mutex by name, locks it and
// waits to be killed.
pid_t ForkMutexHolder(const std::string& mutexName, int& readyPipe)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        NamedMutex mutex;
        char result =
            mutex.Open(mutexName, SharedAccess::Group) && mutex.Lock() != MutexLock::Failed ? 'L'
                                                                                            : 'F';
        [[maybe_unused]] ssize_t written = ::write(ready[1], &result, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    readyPipe = ready[0];
    return pid;
}

TEST_F(LiveViewSim, PeerKilledWhileHoldingTheMutexNeverBlocksTheStation)
{
    AlarmTable table(m_scope.Prefix());
    ASSERT_TRUE(table.Attach());
    NamedMutex probe;
    ASSERT_TRUE(probe.Open(m_scope.Prefix() + AlarmTable::kMutexName, SharedAccess::Group));
    for (int round = 0; round < 100; ++round) {
        int ready = -1;
        pid_t holder = ForkMutexHolder(m_scope.Prefix() + AlarmTable::kMutexName, ready);
        ASSERT_GT(holder, 0);
        char result = 0;
        ASSERT_EQ(::read(ready, &result, 1), 1);
        ::close(ready);
        ASSERT_EQ(result, 'L') << round;
        EXPECT_EQ(probe.TryLock(), MutexLock::Busy) << round;
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        // Without robustness this would wait forever.
        ASSERT_TRUE(table.AddAlarm("R", round, "", 1000 + round, 1)) << round;
    }
    std::vector<AlarmTableRecord> records;
    int64_t shown = 0;
    ASSERT_TRUE(table.Read(records, shown));
    EXPECT_EQ(records.size(), 100u);
}

} // namespace
