// The recorder simulator against a real station side: its example telegram
// of every alarm type decodes to an alarm, a recorder session on loopback
// fed by the encoder dispatches each event once, and the simulator program
// itself drives a listener with the decoder behind it.
#include "DecoderFixture.h"
#include "config/Timestamp.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "recorder-sim/SimOptions.h"
#include "recorder-sim/TypePresets.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace {

constexpr std::string_view kProtocolError = "Fehler: Interner Protokollfehler!";

SimOptions Options(std::vector<const char*> args, std::string* error = nullptr)
{
    args.insert(args.begin(), "recorder-sim");
    SimOptions options;
    std::string message;
    bool parsed = ParseSimOptions(static_cast<int>(args.size()), args.data(), options, message);
    if (error != nullptr)
        *error = message;
    else
        EXPECT_TRUE(parsed) << message;
    return options;
}

// A station's receiving side on a free loopback port, decoding into the
// fixture's tree.
class LoopbackStation : public DecoderFixture {
protected:
    LoopbackStation()
    {
        AddRecorder("127.0.0.1", "Simulator");
        auto listener = std::make_unique<RecorderListener>(m_decoder, m_sessions);
        EXPECT_TRUE(listener->Create());
        EXPECT_TRUE(listener->Listen(0));
        m_port = listener->LocalPort();
        m_pump.Register(listener.release());
    }

    // Runs pump rounds until the condition holds; the cap only keeps a
    // broken test from hanging.
    bool PumpUntil(const std::function<bool()>& condition)
    {
        for (int round = 0; round < 3000; ++round) {
            if (condition())
                return true;
            m_pump.Run(PumpLoop::Once, PumpWait::Interval);
        }
        return condition();
    }

    // Pumps until a session was accepted and has been closed again.
    bool PumpUntilSessionEnded()
    {
        bool sessionSeen = false;
        return PumpUntil([&] {
            sessionSeen |= m_pump.Sockets().size() > 1;
            return sessionSeen && m_pump.Sockets().size() == 1;
        });
    }

    // A blocking client connection to the station.
    int Connect()
    {
        int handle = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(m_port));
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        EXPECT_EQ(connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return handle;
    }

    static void SendAll(int handle, std::span<const uint8_t> bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = send(handle, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            sent += static_cast<size_t>(n);
        }
    }

    // Runs the simulator program with the arguments and the station's port,
    // pumping until it has ended and `done` holds; its exit status.
    int RunSimulator(std::vector<std::string> args, const std::function<bool()>& done)
    {
        args.insert(args.begin(), RECORDER_SIM_PATH);
        args.push_back("--port");
        args.push_back(std::to_string(m_port));
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        EXPECT_EQ(posix_spawn(&child, RECORDER_SIM_PATH, nullptr, nullptr, argv.data(), environ),
                  0);
        int status = -1;
        bool ended = false;
        if (!m_pump.IsStopped()) {
            EXPECT_TRUE(PumpUntil([&] {
                if (!ended)
                    ended = waitpid(child, &status, WNOHANG) == child;
                return ended && done();
            }));
        }
        if (!ended)
            waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    SocketPump m_pump;
    SessionHub m_sessions{m_pump};
    int m_port = 0;
};

} // namespace

TEST(RecorderSimOptions, ModesTypesAndOptions)
{
    SimOptions send = Options({"--bind", "127.0.0.2", "send", "10016", "--detail", "0x5"});
    EXPECT_EQ(send.mode, SimMode::Send);
    EXPECT_EQ(send.typeCode, 10016);
    EXPECT_EQ(send.detail, 5u);
    EXPECT_EQ(send.bindAddress, "127.0.0.2");
    EXPECT_EQ(send.port, 30000);
    EXPECT_EQ(send.host, "127.0.0.1");

    SimOptions heartbeat = Options({"heartbeat", "--every", "10", "--interval", "60", "--off"});
    EXPECT_EQ(heartbeat.mode, SimMode::Heartbeat);
    EXPECT_EQ(heartbeat.everySeconds, 10);
    EXPECT_EQ(heartbeat.intervalSeconds, 60);
    EXPECT_TRUE(heartbeat.switchedOff);

    SimOptions burst =
        Options({"burst", "10020", "--count", "50", "--rate", "100", "--connections", "3"});
    EXPECT_EQ(burst.count, 50);
    EXPECT_EQ(burst.rate, 100);
    EXPECT_EQ(burst.connections, 3);

    SimOptions relay = Options({"relay", "10000", "--numbered", "--origin", "127.0.0.7"});
    EXPECT_EQ(relay.mode, SimMode::Relay);
    EXPECT_TRUE(relay.numbered);
    EXPECT_EQ(relay.origin, "127.0.0.7");

    EXPECT_EQ(Options({"--help"}).mode, SimMode::Help);
    EXPECT_EQ(Options({"send", "10025", "--help"}).mode, SimMode::Help);
    EXPECT_FALSE(Options({"send", "10025", "--version", "none"}).version);
    EXPECT_FALSE(Options({"send", "10025", "--version", "0"}).version);
}

TEST(RecorderSimOptions, MistakesAreExplained)
{
    std::string error;
    Options({}, &error);
    EXPECT_NE(error.find("no mode"), std::string::npos);
    Options({"send"}, &error);
    EXPECT_NE(error.find("which alarm type"), std::string::npos);
    Options({"send", "10025", "--port", "0"}, &error);
    EXPECT_NE(error.find("--port"), std::string::npos);
    Options({"send", "10025", "--frobnicate"}, &error);
    EXPECT_NE(error.find("--frobnicate"), std::string::npos);
    Options({"send", "10025", "--payload", "{code:6"}, &error);
    EXPECT_NE(error.find("payload"), std::string::npos);
    Options({"send", "10025", "--detail"}, &error);
    EXPECT_NE(error.find("--detail needs a value"), std::string::npos);
    Options({"heartbeat", "--off", "--test-only"}, &error);
    EXPECT_NE(error.find("exclude"), std::string::npos);
}

TEST(RecorderSimOptions, HelpShowsAnExampleForEveryAlarmType)
{
    std::string help = HelpText();
    for (const TypePreset& preset : TypePresets())
        EXPECT_NE(help.find("recorder-sim send " + std::to_string(preset.code)), std::string::npos)
            << preset.code;
}

class RecorderSimPresets : public DecoderFixture {};

TEST_F(RecorderSimPresets, EveryExampleDecodesToAnAlarm)
{
    for (const TypePreset& preset : TypePresets()) {
        if (preset.code == 10037)
            continue;
        SimOptions options = Options({"send", "0"});
        options.typeCode = preset.code;
        std::string error;
        std::optional<std::vector<uint8_t>> telegram = BuildTelegram(options, {}, error);
        ASSERT_TRUE(telegram) << preset.code << ": " << error;
        DecodeBytes(*telegram);
        ASSERT_EQ(m_recorder.events.size(), 1u) << preset.code;
        EXPECT_NE(m_recorder.events[0].addInfo, kProtocolError) << preset.code;
        m_recorder.events.clear();
    }
}

TEST_F(RecorderSimPresets, ExamplesShowTheirTexts)
{
    auto decoded = [&](std::vector<const char*> args) {
        std::string error;
        std::optional<std::vector<uint8_t>> telegram = BuildTelegram(Options(args), {}, error);
        EXPECT_TRUE(telegram) << error;
        if (telegram)
            DecodeBytes(*telegram);
        std::vector<GuardEvent> events = std::move(m_recorder.events);
        m_recorder.events.clear();
        return events.size() == 1 ? events[0] : GuardEvent{};
    };
    EXPECT_EQ(decoded({"send", "10025"}).addInfo, "Karte: 1; Alarminput 3 wurde geoeffnet");
    // The departure stamp is a top-level 0x0869 entry too: the UPS report shows its time.
    EXPECT_EQ(decoded({"send", "10026"}).addInfo,
              "Uhrzeit: 00:00:00; USV-Kommando: powerout; USV-Kommando: onbattery");
    EXPECT_EQ(decoded({"send", "10026", "--departure", "none"}).addInfo,
              "USV-Kommando: powerout; USV-Kommando: onbattery");
    EXPECT_EQ(decoded({"send", "10003", "--version", "0", "--detail", "0x0001FFFF"}).addInfo,
              "Spuren: Standard, Spur: ungueltig/nicht vorhanden, Kamera: 2");
    EXPECT_EQ(decoded({"send", "10030", "--payload", "{code:3 value16:1:32}"}).alarmType, 10991);
    EXPECT_EQ(decoded({"send", "10018"}).cameraId, 2);
    GuardEvent hybrid = decoded({"send", "10020", "--hybrid", "3", "--departure", "none"});
    EXPECT_EQ(hybrid.hybrid, 3);
    EXPECT_EQ(hybrid.timeDeparture, -1);
    GuardEvent added = decoded({"send", "10004", "--payload", "", "--add", "track:5:Hof"});
    EXPECT_EQ(added.trackId, 5);
}

TEST_F(RecorderSimPresets, DepartureIsTheGivenLocalTime)
{
    std::string error;
    std::optional<std::vector<uint8_t>> telegram = BuildTelegram(
        Options({"send", "10020", "--departure", "2024-07-15T12:30:05.250"}), {}, error);
    ASSERT_TRUE(telegram);
    DecodeBytes(*telegram);
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].timeDeparture,
              Timestamp::FromLocalFields(15, 7, 2024, 10, 30, 5, 250, FieldsAre::Utc)->ToMs());
}

TEST_F(RecorderSimPresets, HeartbeatMessageCarriesIntervalAndFlags)
{
    AddRecorder("10.0.0.9", "Puls");
    SimOptions options = Options({"heartbeat", "--every", "10", "--interval", "600"});
    DecodeBytes(BuildTestMessage(options, {}), "10.0.0.9");
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].alarmType, 10042);
    ConfigNode* entry = RecorderList().ChildAt(RecorderList().ChildCount() - 1);
    EXPECT_EQ(entry->Child("iNextSignal")->GetInt64() - entry->Child("iLastSignal")->GetInt64(),
              600'000);
    m_recorder.events.clear();

    DecodeBytes(BuildTestMessage(Options({"heartbeat", "--test-only"}), {}), "10.0.0.9");
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].addInfo, "Test");
    m_recorder.events.clear();

    DecodeBytes(BuildTestMessage(Options({"heartbeat", "--off"}), {}), "10.0.0.9");
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].addInfo, "Betrieb aus");
}

TEST_F(LoopbackStation, SessionFedByTheEncoderDispatchesEachEventOnce)
{
    EntryListWriter board;
    board.Code(1).Input(1, 3).Input(2, 0);
    EntryListWriter sensor;
    sensor.Code(6).List(board);
    TelegramFields fields;
    fields.typeCode = 10025;
    std::vector<uint8_t> first = EncodeTelegram(fields, EntryLayout(Nest(sensor)).Bytes());
    fields.typeCode = 10016;
    fields.detail = 0b01;
    std::vector<uint8_t> failed = EncodeTelegram(fields);
    fields.detail = 0b10;
    std::vector<uint8_t> swapped = EncodeTelegram(fields);
    fields.typeCode = 10037;
    std::vector<uint8_t> ignored = EncodeTelegram(fields);

    int peer = Connect();
    // Two telegrams in one write, then one split across two writes.
    std::vector<uint8_t> both = first;
    both.insert(both.end(), failed.begin(), failed.end());
    SendAll(peer, both);
    ASSERT_TRUE(PumpUntil([&] { return m_recorder.events.size() == 2; }));
    SendAll(peer, std::span(swapped).first(5));
    SendAll(peer, std::span(swapped).subspan(5));
    SendAll(peer, ignored);
    ASSERT_TRUE(PumpUntil([&] { return m_recorder.events.size() == 4; }));
    close(peer);
    // Let the session see the close; nothing more is dispatched.
    EXPECT_TRUE(PumpUntilSessionEnded());

    ASSERT_EQ(m_recorder.events.size(), 4u);
    EXPECT_EQ(m_recorder.events[0].alarmType, 10025);
    EXPECT_EQ(m_recorder.events[0].addInfo, "Karte: 1; Alarminput 3 wurde geoeffnet");
    EXPECT_EQ(m_recorder.events[0].recorder, "127.0.0.1");
    EXPECT_EQ(m_recorder.events[1].alarmType, 10016);
    EXPECT_EQ(m_recorder.events[1].addInfo, "Kameras: 1");
    EXPECT_EQ(m_recorder.events[2].alarmType, 10900);
    EXPECT_EQ(m_recorder.events[2].addInfo, "Kameras: 1");
    EXPECT_EQ(m_recorder.events[3].alarmType, 10016);
    EXPECT_EQ(m_recorder.events[3].addInfo, "Kameras: 2");
    EXPECT_LT(m_recorder.events[0].timeArrival, m_recorder.events[1].timeArrival);
}

TEST_F(LoopbackStation, UnknownRecorderOnTheWireRaisesNothing)
{
    RecorderList().RemoveAllChildren();
    AddRecorder(kRecorderIp, kRecorderName);
    int peer = Connect();
    TelegramFields fields;
    fields.typeCode = 10001;
    SendAll(peer, EncodeTelegram(fields));
    close(peer);
    ASSERT_TRUE(PumpUntilSessionEnded());
    EXPECT_TRUE(m_recorder.events.empty());
}

TEST_F(LoopbackStation, SimulatorProgramSendsOneAlarm)
{
    int status = RunSimulator({"send", "10025"}, [&] { return !m_recorder.events.empty(); });
    EXPECT_EQ(status, 0);
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].alarmType, 10025);
    EXPECT_EQ(m_recorder.events[0].recorder, "127.0.0.1");
    EXPECT_EQ(m_recorder.events[0].addInfo, "Karte: 1; Alarminput 3 wurde geoeffnet");
    EXPECT_NE(m_recorder.events[0].timeDeparture, -1);
}

TEST_F(LoopbackStation, SimulatorProgramPlaysAnotherRecorderFromItsBindAddress)
{
    AddRecorder("127.0.0.2", "Zweiter");
    int status = RunSimulator({"--bind", "127.0.0.2", "send", "10016", "--detail", "0x5"},
                              [&] { return !m_recorder.events.empty(); });
    EXPECT_EQ(status, 0);
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].recorder, "127.0.0.2");
    EXPECT_EQ(m_recorder.events[0].addInfo, "Kameras: 1, 3");
}

TEST_F(LoopbackStation, SimulatorHeartbeatFeedsTheSupervision)
{
    int status = RunSimulator({"heartbeat", "--count", "1", "--interval", "600"},
                              [&] { return !m_recorder.events.empty(); });
    EXPECT_EQ(status, 0);
    ASSERT_EQ(m_recorder.events.size(), 1u);
    EXPECT_EQ(m_recorder.events[0].alarmType, 10042);
    ConfigNode* entry = RecorderList().ChildAt(RecorderList().ChildCount() - 1);
    EXPECT_EQ(entry->Child("IP")->GetString(), "127.0.0.1");
    EXPECT_EQ(entry->Child("iSignalState")->GetInt(), 1);
    EXPECT_EQ(entry->Child("iNextSignal")->GetInt64() - entry->Child("iLastSignal")->GetInt64(),
              600'000);
}

TEST_F(LoopbackStation, SimulatorBurstOverSeveralConnections)
{
    int status = RunSimulator({"burst", "10020", "--count", "60", "--connections", "3"},
                              [&] { return m_recorder.events.size() >= 60; });
    EXPECT_EQ(status, 0);
    ASSERT_EQ(m_recorder.events.size(), 60u);
    std::set<int64_t> arrivals;
    for (const GuardEvent& event : m_recorder.events)
        arrivals.insert(event.timeArrival);
    EXPECT_EQ(arrivals.size(), 60u);
}

TEST_F(LoopbackStation, SimulatorReportsARefusedConnection)
{
    // Nothing listens on the port any more once the pump has closed the listener.
    m_pump.Stop();
    EXPECT_EQ(RunSimulator({"send", "10001"}, [] { return true; }), 1);
}
