// The whole path through the station: telegrams from 100 recorders on
// loopback, decoded, stored and dispatched, on the silent path (priority 5,
// confirmed at once) and the window path (priority 0, an alarm window and a
// queue), with 1 000 and with 100 000 records already in the database. The
// recorders are a forked process, so the station's loop is measured as it
// runs: one thread, sockets and dispatch together.
#include "BenchSupport.h"
#include "StationFakes.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "db/AlarmDatabase.h"
#include "station/MainWindowLogic.h"
#include "station/Station.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/TempDir.h"
#include "users/AccountDialogs.h"
#include "users/UserSession.h"

#include <chrono>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRecorders = 100;
constexpr int kTelegrams = 20'000;

class NoDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&) override { return false; }
    bool RunLogOut(std::string_view) override { return true; }
};

std::string RecorderAddress(int index)
{
    return "127.0.0." + std::to_string(2 + index);
}

// The recorders: each connects from its own loopback address and the
// telegrams go out round robin. Runs in a child process.
[[noreturn]] void PlayRecorders(int port)
{
    TelegramFields fields;
    fields.typeCode = 10001;
    std::vector<uint8_t> telegram = EncodeTelegram(fields);
    std::vector<int> sockets;
    for (int i = 0; i < kRecorders; ++i) {
        int fd = ConnectToStation(port, RecorderAddress(i).c_str());
        if (fd < 0)
            _exit(1);
        sockets.push_back(fd);
    }
    for (int n = 0; n < kTelegrams; ++n) {
        if (send(sockets[static_cast<size_t>(n % kRecorders)], telegram.data(), telegram.size(),
                 MSG_NOSIGNAL) != static_cast<ssize_t>(telegram.size()))
            _exit(2);
    }
    for (int fd : sockets)
        close(fd);
    _exit(0);
}

void Prefill(const std::filesystem::path& folder, int records)
{
    ConfigTree tree;
    FakePrompt prompt;
    tree.LoadDefaults(DefaultScript(), prompt);
    AlarmDatabase database(tree, folder, NoModifierKeys(), NoBusyIndicator());
    database.Open((folder / "AlarmDB.txt").string());
    AlarmRecord record = StoredConfirmedAlarm();
    for (int i = 0; i < records; ++i) {
        record.SetField(AlarmField::TimeArrival, std::to_string(13'000'000'000'000 + i));
        database.Append(record);
    }
    database.Close();
}

void WholePath(benchmark::State& state)
{
    const int priority = static_cast<int>(state.range(0));
    const int preexisting = static_cast<int>(state.range(1));
    for (auto _ : state) {
        TempDir dir;
        std::filesystem::path previous = std::filesystem::current_path();
        Prefill(dir.Path(), preexisting);
        FakeDesktop desktop;
        NoDialogs dialogs;
        FakeMainView view;
        ConfigTree tree;
        std::unique_ptr<UserSession> users;
        std::unique_ptr<MainWindowLogic> logic;
        pid_t child = -1;
        std::chrono::steady_clock::time_point start;
        double seconds = 0;
        desktop.onRound = [&](Station& s) {
            if (logic == nullptr) {
                users = std::make_unique<UserSession>(s.Tree(), dialogs, desktop.prompt,
                                                      desktop.beeper);
                logic = std::make_unique<MainWindowLogic>(s, view, *users);
                TurnOffCountLimit(s.Tree());
                ConfigNode* list = s.Tree().TopFolder("Program")->Child("RecorderList");
                for (int i = 0; i < kRecorders; ++i) {
                    ConfigNode* recorder = list->NewEntry(0);
                    recorder->Child("IP")->SetString(RecorderAddress(i));
                    recorder->Child("Name")->SetString("Rekorder " + std::to_string(i));
                    ConfigNode* entry = recorder->Child("AlarmSettings")->NewEntry(0);
                    entry->Child("Type")->SetInt(10001);
                    entry->Child("Priority")->SetInt(priority);
                    entry->Child("ShowAlarmWindow")->SetInt(1);
                }
                start = std::chrono::steady_clock::now();
                child = fork();
                if (child == 0)
                    PlayRecorders(s.ListeningPort());
                return;
            }
            logic->RunPosted();
            if (s.Database()->RecordCount() >= preexisting + kTelegrams) {
                seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                s.RequestQuit();
            }
        };
        Station station(CommandLine("/datadir:" + dir.Path().string() +
                                    " /port:0 /shmprefix:wardex-bench-" + std::to_string(getpid()) +
                                    "-"),
                        desktop, tree);
        station.Run();
        logic.reset();
        int status = 0;
        waitpid(child, &status, 0);
        std::filesystem::current_path(previous);
        if (seconds == 0) {
            state.SkipWithError("the telegrams did not all arrive");
            return;
        }
        state.SetIterationTime(seconds);
        state.counters["telegrams_per_s"] = kTelegrams / seconds;
        state.counters["us_per_alarm"] = seconds * 1e6 / kTelegrams;
    }
}

} // namespace

// Arguments: priority (5 silent path, 0 window path), records already stored.
BENCHMARK(WholePath)
    ->Args({5, 1'000})
    ->Args({5, 100'000})
    ->Args({0, 1'000})
    ->Args({0, 100'000})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
