// The forwarding manager against real loopback stations with a fake clock:
// the link states and their texts, the countdown, the buttons, the close
// rules, the host list, and the journal that outlives a killed relay.
#include "links/ForwardingManager.h"

#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "links/ForwardJournal.h"
#include "net/ForwardingClient.h"
#include "net/NetTestSupport.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "platform/BusyIndicator.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/FakeClock.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/TempDir.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class RecordingView final : public ForwardingView {
public:
    void Show(const ForwardingDisplay& display) override { shown = display; }
    void SetTimerRunning(bool running) override { timer = running; }
    void CountsChanged() override { ++countsChanged; }

    ForwardingDisplay shown;
    bool timer = false;
    int countsChanged = 0;
};

// Another station in its own pump, as the target of forwarding.
struct TargetStation {
    explicit TargetStation(int listenPort = 0)
    {
        auto owned = std::make_unique<RecorderListener>(sink, hub);
        EXPECT_TRUE(owned->Create() && owned->Listen(listenPort));
        port = owned->LocalPort();
        pump.Register(owned.release());
    }

    SocketPump pump;
    SessionHub hub{pump};
    RecordingSink sink;
    int port = 0;
};

class ManagerTest : public testing::Test {
public:
    ManagerTest()
    {
        EXPECT_TRUE(tree.LoadDefaults(DefaultScript(), prompt));
        MakeManager();
    }

    void MakeManager()
    {
        manager = std::make_unique<ForwardingManager>(ForwardingParts{tree,
                                                                      pump,
                                                                      localSink,
                                                                      prompt,
                                                                      beeper,
                                                                      NoBusyIndicator(),
                                                                      clock,
                                                                      dir.Path(),
                                                                      {},
                                                                      nullptr,
                                                                      nullptr,
                                                                      retrySeconds},
                                                      view);
        manager->Open();
    }

    // Queues a telegram as a recorder connection of this station would.
    void Receive(uint16_t typeCode, const std::string& ip = "10.1.2.3")
    {
        std::vector<uint8_t> telegram = MakeTelegram(typeCode, "payload");
        manager->Client()->Enqueue(static_cast<int>(telegram.size()), telegram.data(), ip);
    }

    void StartTowards(int port)
    {
        manager->SetHostText(" 127.0.0.1:" + std::to_string(port) + " ");
        manager->Start();
    }

    bool Until(const std::function<bool()>& condition)
    {
        return target != nullptr ? PumpBothUntil(pump, target->pump, condition)
                                 : PumpUntil(pump, condition);
    }

    // Ticks of the 100 ms timer while the clock moves on.
    void TickFor(int64_t ms)
    {
        for (int64_t passed = 0; passed < ms; passed += 100) {
            clock.source.AdvanceMs(100);
            manager->Tick();
        }
    }

    void Forwarding()
    {
        target = std::make_unique<TargetStation>();
        StartTowards(target->port);
        ASSERT_TRUE(Until([&] { return manager->State() == LinkState::Forwarding; }));
    }

    TempDir dir;
    FakePrompt prompt;
    FakeBeeper beeper;
    ConfigTree tree;
    SocketPump pump;
    RecordingSink localSink;
    RecordingView view;
    FakeClock clock;
    int retrySeconds = 0;
    std::unique_ptr<TargetStation> target;
    // A station that accepts and never answers.
    RawListener silent;
    std::unique_ptr<ForwardingManager> manager;
};

} // namespace

TEST_F(ManagerTest, EachLinkStateShowsItsLookAndTexts)
{
    struct Row {
        const char* name;
        std::function<void(ManagerTest&)> reach;
        LinkState state;
        LinkLook look;
        const char* activity;
        const char* hostStatus;
    };
    const Row rows[] = {
        {"opened", [](ManagerTest&) {}, LinkState::NoConnection, LinkLook::Error,
         "Weiterleitung: Inaktiv.", "Host: Keine Verbindung."},
        {"an empty host refused",
         [](ManagerTest& t) {
             t.manager->SetHostText("  \t ");
             t.manager->Start();
         },
         LinkState::NoConnection, LinkLook::Error, "Weiterleitung: Inaktiv.",
         "Host: Keine Verbindung."},
        {"connecting", [](ManagerTest& t) { t.StartTowards(t.silent.Port()); },
         LinkState::Connecting, LinkLook::Connecting, "Weiterleitung: Aktiv.",
         "Host: Verbinde zu  127.0.0.1:"},
        {"greeting sent",
         [](ManagerTest& t) {
             t.StartTowards(t.silent.Port());
             ASSERT_TRUE(t.Until([&] { return t.manager->State() == LinkState::Greeting; }));
         },
         LinkState::Greeting, LinkLook::Connecting, "Weiterleitung: Aktiv.",
         "Host: Verbunden, überprüfe Unterstützung der Weiterleitung des Hosts ..."},
        {"forwarding", [](ManagerTest& t) { t.Forwarding(); }, LinkState::Forwarding,
         LinkLook::Connected, "Weiterleitung: Aktiv.", "Host: Verbunden."},
        {"host refused",
         [](ManagerTest& t) {
             t.StartTowards(t.silent.Port());
             ASSERT_TRUE(t.Until([&] { return t.manager->State() == LinkState::Greeting; }));
             t.TickFor(6100);
         },
         LinkState::HostRefused, LinkLook::Error,
         "Weiterleitung: Aktiv. Nächster Connect-Versuch in 30 Sekunden",
         "Fehler: Der Host unterstützt keine Weiterleitung oder leitet gerade selber weiter!"},
        {"connection lost",
         [](ManagerTest& t) {
             t.Forwarding();
             t.target.reset();
             ASSERT_TRUE(t.Until([&] { return t.manager->State() != LinkState::Forwarding; }));
         },
         LinkState::ConnectionLost, LinkLook::Error,
         "Weiterleitung: Aktiv. Nächster Connect-Versuch in 30 Sekunden",
         "Host: Verbindung verloren!"},
        {"connect failed",
         [](ManagerTest& t) {
             t.StartTowards(UnusedPort());
             ASSERT_TRUE(t.Until([&] { return t.manager->State() != LinkState::Connecting; }));
         },
         LinkState::ConnectFailed, LinkLook::Error,
         "Weiterleitung: Aktiv. Nächster Connect-Versuch in 30 Sekunden",
         "Fehler: Verbindung zum Host fehlgeschlagen! (Richtige IP? Wardex aktiv?)"},
        {"stopped after forwarding",
         [](ManagerTest& t) {
             t.Forwarding();
             t.manager->Stop();
         },
         LinkState::NoConnection, LinkLook::Error, "Weiterleitung: Inaktiv.",
         "Host: Keine Verbindung."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        manager.reset();
        target.reset();
        beeper.beeps.clear();
        MakeManager();
        row.reach(*this);
        EXPECT_EQ(manager->State(), row.state);
        EXPECT_EQ(view.shown.link, row.look);
        EXPECT_EQ(view.shown.activityText, row.activity);
        EXPECT_TRUE(view.shown.hostStatusText.starts_with(row.hostStatus))
            << view.shown.hostStatusText;
        bool down =
            row.activity == std::string_view("Weiterleitung: Aktiv. Nächster Connect-Versuch in 30 "
                                             "Sekunden");
        EXPECT_EQ(beeper.beeps,
                  down ? std::vector{SystemBeep::Warning} : std::vector<SystemBeep>{});
        EXPECT_EQ(view.shown.stopped, row.state == LinkState::NoConnection);
        EXPECT_EQ(view.timer, !view.shown.stopped);
    }
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "Der eingegebene Host ist ungültig!");
    EXPECT_EQ(prompt.shown[0].caption, "Achtung");
}

TEST_F(ManagerTest, AfterAFailureTheNextAttemptComesThirtyDecrementsLater)
{
    StartTowards(UnusedPort());
    ASSERT_TRUE(Until([&] { return manager->State() == LinkState::ConnectFailed; }));
    EXPECT_TRUE(view.timer);
    // A decrement needs more than a second since the last one.
    TickFor(1000);
    EXPECT_EQ(manager->Countdown(), 30);
    TickFor(100);
    EXPECT_EQ(manager->Countdown(), 29);
    EXPECT_EQ(view.shown.activityText,
              "Weiterleitung: Aktiv. Nächster Connect-Versuch in 29 Sekunden");
    TickFor(29 * 1100);
    EXPECT_EQ(manager->Countdown(), 0);
    EXPECT_EQ(manager->State(), LinkState::ConnectFailed);
    clock.source.AdvanceMs(100);
    manager->Tick();
    // The attempt fails again, at once or once the refusal arrives.
    ASSERT_TRUE(Until([&] { return manager->State() == LinkState::ConnectFailed; }));
    EXPECT_EQ(manager->Countdown(), 30);
    EXPECT_EQ(beeper.beeps.size(), 2u);
}

TEST_F(ManagerTest, TheSecondHostTakesOverAndTheFirstTakesBackAfterTheAcknInFlight)
{
    retrySeconds = 1;
    MakeManager();
    int firstPort = UnusedPort();
    target = std::make_unique<TargetStation>(); // the standby
    std::string standby = "127.0.0.1:" + std::to_string(target->port);
    manager->SetHostText("127.0.0.1:" + std::to_string(firstPort) + ", " + standby);
    manager->Start();
    ASSERT_TRUE(Until([&] { return manager->State() == LinkState::ConnectFailed; }));
    TickFor(2200);
    ASSERT_TRUE(Until([&] { return manager->State() == LinkState::Forwarding; }));
    EXPECT_EQ(view.shown.targetText, "Aktiver Host: " + standby + " (2/2)");
    TargetStation first(firstPort);
    Receive(10001, "10.0.0.1"); // in flight; the standby's pump stands, so no ACKN yet
    ASSERT_TRUE(PumpBothUntil(pump, first.pump, [&] {
        TickFor(100);
        return manager->Returning();
    }));
    Receive(10001, "10.0.0.2");
    ASSERT_TRUE(Until([&] { return target->sink.delivered.size() == 1; }));
    ASSERT_TRUE(PumpBothUntil(pump, first.pump, [&] {
        TickFor(100);
        target->pump.Run(PumpLoop::Once, PumpWait::Poll);
        return !first.sink.delivered.empty();
    }));
    EXPECT_EQ(first.sink.delivered[0].originIp, "10.0.0.2");
    EXPECT_EQ(target->sink.delivered.size(), 1u);
}

TEST_F(ManagerTest, TelegramsQueuedBeforeStartGoFirstAndEachNextLeavesWithTheAckn)
{
    Receive(10001, "10.0.0.1");
    Receive(10002, "10.0.0.2");
    // Counted per alarm, shown when the view asks.
    EXPECT_EQ(view.countsChanged, 2);
    EXPECT_EQ(view.shown.receivedText, "Alarme eingegangen: 0");
    manager->Refresh();
    EXPECT_EQ(view.shown.receivedText, "Alarme eingegangen: 2");
    EXPECT_EQ(view.shown.queueText, "Alarme in Queue: 2");
    // Not started: nothing moves but the counters.
    EXPECT_EQ(view.shown.animationFrame, -1);
    Forwarding();
    for (int i = 0; i < 48; ++i)
        Receive(10003, "10.0.0.3");
    // No Tick in here: the link alone drives the queue.
    ASSERT_TRUE(Until([&] { return manager->Client()->QueueLength() == 0; }));
    ASSERT_EQ(target->sink.delivered.size(), 50u);
    EXPECT_EQ(manager->ForwardedCount(), 50);
    EXPECT_EQ(view.countsChanged, 100);
    manager->Tick();
    EXPECT_EQ(view.shown.forwardedText, "Alarme weitergeleitet: 50");
    EXPECT_EQ(view.shown.queueText, "Alarme in Queue: 0");
    EXPECT_EQ(target->sink.delivered[0].originIp, "10.0.0.1");
    EXPECT_EQ(target->sink.delivered[49].originIp, "10.0.0.3");
    EXPECT_TRUE(localSink.delivered.empty());
}

TEST_F(ManagerTest, ClosingRulesFollowWhetherForwardingRuns)
{
    Forwarding();
    manager->Stop();
    Receive(10001); // stays queued while stopped
    manager->Start();
    ASSERT_TRUE(Until([&] { return manager->Client()->QueueLength() == 0; }));
    EXPECT_FALSE(manager->CloseWithButton());
    EXPECT_FALSE(manager->CloseWithBox());
    EXPECT_EQ(beeper.beeps, std::vector{SystemBeep::Default});
    manager->Stop();
    Receive(10002);
    Receive(10003);
    EXPECT_TRUE(manager->CloseWithBox());
    EXPECT_FALSE(view.timer);
    // What had not gone out is stored here, in arrival order.
    ASSERT_EQ(target->sink.delivered.size(), 1u);
    ASSERT_EQ(localSink.delivered.size(), 2u);
    EXPECT_EQ(TelegramHeader::Read(localSink.delivered[1].bytes.data()).typeCode, 10003);
    EXPECT_EQ(manager->Client()->QueueLength(), 0u);
}

TEST_F(ManagerTest, ALocalReplayGoesOnPastAnUnknownRecorder)
{
    localSink.outcomes = {TelegramOutcome::UnknownRecorder};
    Receive(10001);
    Receive(10002);
    Receive(10003);
    EXPECT_TRUE(manager->CloseWithButton());
    EXPECT_EQ(localSink.delivered.size(), 3u);
}

TEST_F(ManagerTest, WithAStoreSyncTheJournalLetsGoOfALocalReplayOnlyAfterTheSync)
{
    std::filesystem::path copy = dir.Path() / "journal.copy";
    std::vector<size_t> journalledAtSync;
    pump.SetStoreSync([&] {
        std::filesystem::copy_file(dir.Path() / ForwardJournal::kFileName, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        journalledAtSync.push_back(ForwardJournal(copy).Open().size());
    });
    Receive(10001);
    Receive(10002);
    EXPECT_TRUE(manager->CloseWithButton());
    EXPECT_EQ(localSink.delivered.size(), 2u);
    EXPECT_EQ(journalledAtSync, std::vector<size_t>{2});
}

TEST_F(ManagerTest, HostListRulesAndItsRewrite)
{
    struct Row {
        const char* name;
        std::vector<std::string> saved; // "*" marks the selected entry
        std::function<void(ForwardingManager&, FakePrompt&)> act;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"the selected entry comes back",
         {"alpha", "*beta"},
         [](auto&, auto&) {},
         {"alpha", "*beta"}},
        {"a typed host is saved selected without Start",
         {"alpha"},
         [](auto& m, auto&) { m.SetHostText(" gamma "); },
         {"alpha", "*gamma"}},
        {"Stop adds a typed host once",
         {"alpha"},
         [](auto& m, auto&) {
             m.SetHostText("gamma");
             m.Stop();
             m.Stop();
         },
         {"alpha", "*gamma"}},
        {"a typed beginning of an item is not added",
         {"Alpha.example"},
         [](auto& m, auto&) {
             m.SetHostText("alpha");
             m.Stop();
         },
         {"Alpha.example"}},
        {"Loeschen deletes the first item the prefix finds",
         {"beta2", "*beta1"},
         [](auto& m, auto&) {
             m.SetHostText("BETA");
             m.DeleteHost();
         },
         {"beta1"}},
        {"Alle Loeschen on No keeps the list",
         {"alpha", "*beta"},
         [](auto& m, FakePrompt& p) {
             p.SetNextAnswer(PromptAnswer::No);
             m.DeleteAllHosts();
         },
         {"alpha", "*beta"}},
        {"Alle Loeschen on Yes empties it",
         {"alpha", "*beta"},
         [](auto& m, auto&) { m.DeleteAllHosts(); },
         {}},
    };
    ConfigNode* list = tree.TopFolder("Runtime")->Child("GUI")->Child("CDlgForwardingMain");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        manager.reset();
        list->RemoveAllChildren();
        for (const std::string& host : row.saved) {
            ConfigNode* entry = list->NewEntry(0);
            entry->Child("strHost")->SetString(host.starts_with('*') ? host.substr(1) : host);
            entry->Child("bIsSelected")->SetInt(host.starts_with('*') ? 1 : 0);
        }
        MakeManager();
        row.act(*manager, prompt);
        manager.reset();
        std::vector<std::string> saved;
        for (int i = 0; i < list->ChildCount(); ++i) {
            ConfigNode* entry = list->ChildAt(i);
            saved.push_back((entry->Child("bIsSelected")->GetInt() == 1 ? "*" : "") +
                            entry->Child("strHost")->GetString());
        }
        EXPECT_EQ(saved, row.expected);
    }
    EXPECT_EQ(prompt.shown.back().text, "Wollen Sie wirklich alle Hosts löschen?");
    EXPECT_EQ(prompt.shown.back().caption, "Frage");
}

TEST_F(ManagerTest, TheJournalHoldsExactlyWhatIsQueuedAndOnlyTheOwnerReadsIt)
{
    std::filesystem::path file = dir.Path() / ForwardJournal::kFileName;
    Receive(10001, "10.0.0.1");
    Receive(10002, "10.0.0.2");
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Gone without closing, as a killed relay is: the next manager queues
    // both again.
    manager.reset();
    MakeManager();
    EXPECT_EQ(manager->Client()->QueueLength(), 2u);
    Forwarding();
    ASSERT_TRUE(Until([&] { return manager->Client()->QueueLength() == 0; }));
    ASSERT_EQ(target->sink.delivered.size(), 2u);
    EXPECT_EQ(target->sink.delivered[1].originIp, "10.0.0.2");
    EXPECT_TRUE(ForwardJournal(file).Open().empty());
}

TEST(ForwardJournal, ATornTailIsDroppedAndDoneEntriesAreCompactedAway)
{
    TempDir dir;
    std::filesystem::path file = dir.Path() / ForwardJournal::kFileName;
    auto item = [](int i) {
        ForwardQueueItem made;
        made.bytes.assign(1000, static_cast<uint8_t>(i));
        made.count = 1000;
        made.originIp = "10.0.0." + std::to_string(i % 250);
        return made;
    };
    int64_t used = 0;
    {
        ForwardJournal journal(file);
        journal.Open();
        for (int i = 0; i < 3000; ++i)
            journal.Appended(item(i));
        for (int i = 0; i < 2000; ++i)
            journal.HeadRemoved();
        EXPECT_EQ(journal.QueuedCount(), 1000u);
        // Bounded: done entries in front were cut away (3 MB written).
        EXPECT_LT(journal.UsedBytes(), 2 * 1000 * 1000);
        journal.Appended(item(3000));
        used = journal.UsedBytes();
    }
    // The last append cut short by a kill: its checksum never got there.
    std::fstream torn(file, std::ios::in | std::ios::out | std::ios::binary);
    torn.seekp(used - 4);
    torn.write("\0\0\0\0", 4);
    torn.close();
    ForwardJournal reopened(file);
    std::vector<ForwardQueueItem> items = reopened.Open();
    ASSERT_EQ(items.size(), 1000u);
    EXPECT_EQ(items.front().bytes, item(2000).bytes);
    EXPECT_EQ(items.back().originIp, item(2999).originIp);
    reopened.Appended(item(7));
    EXPECT_EQ(ForwardJournal(file).Open().size(), 1001u);
}
