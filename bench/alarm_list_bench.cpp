// The main alarm list over a database of 1 000 000 records, offscreen:
// creating and painting it, scrolling a page and to the end (only the
// visible rows are read), a new alarm dispatched into the list, bursts of
// 1 000 telegrams through the socket pump with and without the list, and a
// header click that sorts the whole view.
#include "alarm/AlarmHandling.h"
#include "alarm/AlarmIntake.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmWindowViewFactory.h"
#include "alarm/BarDiagram.h"
#include "alarm/LiveViewLink.h"
#include "alarm/MailSender.h"
#include "alarm/PresentationWindow.h"
#include "alarm/StationWindow.h"
#include "alarm/TrendView.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmDefaults.h"
#include "events/EventDecoder.h"
#include "events/GuardEvent.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/SocketPump.h"
#include "platform/Beeper.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Prompt.h"
#include "platform/ShellLauncher.h"
#include "platform/SoundPlayer.h"
#include "telegram/TelegramEncoder.h"
#include "ui/alarms/AlarmListColumns.h"
#include "ui/alarms/AlarmListModel.h"
#include "ui/alarms/AlarmListView.h"
#include "ui/alarms/QtAlarmWindowFactory.h"
#include "users/UserAccounts.h"
#include "users/UserSession.h"

#include <QApplication>
#include <QScrollBar>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 1'000'000;
constexpr int kBurst = 1'000;
constexpr int kRecorders = 50;
constexpr int32_t kTrackFull = 10000;
const int32_t kTypes[] = {10000, 10001, 10005, 10016, 10020, 10030, 10042, 11001};

std::string RecorderAddress(int i)
{
    return "10.20." + std::to_string(i / 10) + "." + std::to_string(100 + i);
}

class Quiet final : public Prompt,
                    public Beeper,
                    public SoundPlayer,
                    public ShellLauncher,
                    public MailSender,
                    public TrendView,
                    public ModifierKeys {
public:
    PromptAnswer Show(std::string_view, std::string_view, PromptIcon, PromptButtons) override
    {
        return PromptAnswer::Ok;
    }
    void Tone(int, int) override {}
    void Beep(SystemBeep) override {}
    bool PlayLoop(const std::string&) override { return true; }
    void Stop() override {}
    bool Open(const std::string&, const std::vector<std::string>&, const std::string&) override
    {
        return true;
    }
    bool Send(const AlarmMail&) override { return true; }
    void AddArrival(int64_t) override {}
    bool ControlAndShiftHeld() override { return false; }
};

class NoLiveView final : public LiveViewLink {
public:
    void AddAlarm(std::string_view, int32_t, std::string_view, int64_t, int32_t) override {}
    void RemoveAlarm(int64_t) override {}
    void SetShownAlarm(int64_t) override {}
    void Notify(StationEvent) override {}
    bool ShowLive(std::string_view, int32_t, uint8_t, int) override { return false; }
    bool ShowTrackByName(std::string_view, std::string_view, int32_t, int64_t, uint8_t,
                         int) override
    {
        return false;
    }
    bool ShowTrackByNumber(std::string_view, int32_t, int32_t, int64_t, uint8_t, int) override
    {
        return false;
    }
    bool LoadPreset(std::string_view) override { return false; }
};

class NoPresentation final : public PresentationWindow {
public:
    bool Exists() const override { return false; }
    bool IsActive() const override { return false; }
    void CountNewAlarm() override {}
    void AddNewAlarm() override {}
    void Open() override {}
    void Refresh() override {}
    void ChooseNextAlarm() override {}
    void SelectAlarm(int64_t) override {}
};

class NoAccountDialogs final : public AccountDialogs {
public:
    bool RunLogIn(const LogInAttempt&) override { return false; }
    bool RunLogOut(std::string_view) override { return false; }
};

// The main window's part: refreshes the list when there is one.
class ListWindow final : public StationWindow {
public:
    void RefreshAlarmList() override
    {
        if (list != nullptr)
            list->Refresh();
    }
    void BringToFront() override {}
    void PostNextAlarmRequest() override {}
    AlarmListView* list = nullptr;
};

// Alarms of 50 recorders, most confirmed automatically, one in ten open.
AlarmRecord Realistic(std::mt19937& random, int64_t arrival)
{
    static const char* const kInfos[] = {"Spur-Info: Standard, Cam-Info: 3", "Kameras: 1, 3, 7", "",
                                         "Temperatur Gehaeuse 41 Grad"};
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, arrival);
    record.SetNumber(AlarmField::TimeDeparture, arrival - static_cast<int64_t>(random() % 5000));
    record.SetField(AlarmField::Recorder, RecorderAddress(static_cast<int>(random() % kRecorders)));
    record.SetNumber(AlarmField::CameraID, static_cast<int>(random() % 25) - 1);
    record.SetNumber(AlarmField::TrackID, 0);
    record.SetNumber(AlarmField::AlarmType, kTypes[random() % std::size(kTypes)]);
    record.SetField(AlarmField::AddInfo, kInfos[random() % std::size(kInfos)]);
    if (random() % 10 != 0) {
        record.SetField(AlarmField::Confirmed, "1");
        record.SetField(AlarmField::AutoConfirmed, "1");
        record.SetField(AlarmField::ConfirmUser, "administrator");
    }
    return record;
}

// One station for the whole run: the database file written once, the tree
// with its recorders, alarm handling, the list in a window of 1280 x 800.
class Station {
public:
    static Station& Get()
    {
        if (!Instance())
            Instance() = std::make_unique<Station>();
        return *Instance();
    }
    // While the application still runs: widgets cannot outlive it.
    static void TearDown() { Instance().reset(); }

    Station()
    {
        char pattern[] = "/tmp/wardex-list-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        folder = pattern;
        if (!tree.LoadDefaults(DefaultScript(), quiet) || !RebuildAlarmDefaults(tree))
            std::abort();
        CreateBuiltInAccount(tree);
        ConfigNode* recorders = tree.Root()->Child("Program")->Child("RecorderList");
        for (int i = 0; i <= kRecorders; ++i) {
            ConfigNode* entry = recorders->NewEntry(recorders->ChildCount());
            entry->Child("IP")->SetString(i < kRecorders ? RecorderAddress(i) : "127.0.0.1");
            entry->Child("Name")->SetString("Rekorder " + std::to_string(i));
        }
        CompleteRecorderSettings(tree);
        // Stored as confirmed automatically: the list, not the windows.
        for (int i = 0; i < recorders->ChildCount(); ++i) {
            ConfigNode* settings = recorders->ChildAt(i)->Child("AlarmSettings");
            for (int j = 0; j < settings->ChildCount(); ++j)
                settings->ChildAt(j)->Child("ShowAlarmWindow")->SetInt(0);
        }

        std::mt19937 random(1);
        int64_t first = clock.NowMs() - int64_t{kRecords} * 1000;
        {
            std::ofstream out(folder / "AlarmDB.txt", std::ios::binary | std::ios::trunc);
            char bytes[AlarmRecord::kRecordBytes];
            for (int i = 0; i < kRecords; ++i) {
                Realistic(random, first + int64_t{i} * 1000).Encode(bytes);
                out.write(bytes, sizeof bytes);
            }
        }
        database = std::make_unique<AlarmDatabase>(tree, folder, quiet, NoBusyIndicator());
        if (!database->Open((folder / "AlarmDB.txt").string()))
            std::abort();
        intake = std::make_unique<AlarmIntake>(tree, clock);
        intake->SetStore(database.get());
        users = std::make_unique<UserSession>(tree, dialogs, quiet, quiet);
        handling = std::make_unique<AlarmHandling>(AlarmHandlingParts{
            tree, *database, *intake, clock, liveView, quiet, quiet, quiet, quiet, quiet, window,
            presentation, views, quiet, NoBarDiagram(), folder});
        place = std::make_unique<QWidget>();
        place->resize(1280, 800);
    }
    ~Station()
    {
        place.reset();
        handling.reset();
        intake->SetStore(nullptr);
        database->Close();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    AlarmListParts Parts()
    {
        return {tree,  *database, handling->Windows(), handling->Sound(), *users,
                quiet, liveView,  presentation};
    }

    // The list, created once on first use.
    AlarmListView& List()
    {
        if (window.list == nullptr) {
            window.list = InstallAlarmList(*place, Parts());
            place->show();
            // Painting waits for the window to be exposed.
            for (int i = 0; i < 1000 && !place->windowHandle()->isExposed(); ++i)
                QCoreApplication::processEvents();
            if (!place->windowHandle()->isExposed())
                std::abort();
        }
        return *window.list;
    }

    fs::path folder;
    Quiet quiet;

private:
    static std::unique_ptr<Station>& Instance()
    {
        static std::unique_ptr<Station> station;
        return station;
    }

public:
    NoAccountDialogs dialogs;
    NoLiveView liveView;
    NoPresentation presentation;
    QtAlarmWindowFactory views;
    ListWindow window;
    Clock clock{SystemClockSource()};
    ConfigTree tree;
    std::unique_ptr<AlarmDatabase> database;
    std::unique_ptr<UserSession> users;
    std::unique_ptr<AlarmIntake> intake;
    std::unique_ptr<AlarmHandling> handling;
    std::unique_ptr<QWidget> place;
};

void BM_CreateAndPaint(benchmark::State& state)
{
    Station& station = Station::Get();
    int64_t reads = 0;
    for (auto _ : state) {
        QWidget place;
        place.resize(1280, 800);
        AlarmListView* list = InstallAlarmList(place, station.Parts());
        place.show();
        benchmark::DoNotOptimize(place.grab());
        reads += list->Model().RowReads();
    }
    state.counters["rows"] = station.database->ViewCount();
    state.counters["reads/paint"] =
        benchmark::Counter(static_cast<double>(reads) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_CreateAndPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScrollOnePage(benchmark::State& state)
{
    AlarmListView& list = Station::Get().List();
    QScrollBar* bar = list.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    int64_t before = list.Model().RowReads();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep());
        list.viewport()->repaint();
    }
    state.counters["reads/page"] =
        benchmark::Counter(static_cast<double>(list.Model().RowReads() - before) /
                           static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMicrosecond);

void BM_JumpBetweenStartAndEnd(benchmark::State& state)
{
    AlarmListView& list = Station::Get().List();
    int64_t before = list.Model().RowReads();
    bool end = false;
    for (auto _ : state) {
        end = !end;
        if (end)
            list.scrollToBottom();
        else
            list.scrollToTop();
        list.viewport()->repaint();
    }
    state.counters["reads/jump"] =
        benchmark::Counter(static_cast<double>(list.Model().RowReads() - before) /
                           static_cast<double>(state.iterations()));
}
BENCHMARK(BM_JumpBetweenStartAndEnd)->Unit(benchmark::kMicrosecond);

// One alarm as the decoder hands it over: stored, dispatched (settings,
// sound, marked as confirmed automatically), the list refreshed and painted.
void BM_NewAlarmIntoTheList(benchmark::State& state)
{
    Station& station = Station::Get();
    AlarmListView& list = station.List();
    list.scrollToTop();
    int64_t before = list.Model().RowReads();
    int i = 0;
    for (auto _ : state) {
        GuardEvent event;
        event.recorder = RecorderAddress(i++ % kRecorders);
        event.timeArrival = clock.NowMs();
        event.timeDeparture = event.timeArrival - 1000;
        event.alarmType = kTrackFull;
        event.cameraId = 2;
        event.trackId = 0;
        event.hybrid = 0;
        station.intake->Raise(event);
        list.viewport()->repaint();
    }
    state.counters["rows"] = station.database->ViewCount();
    state.counters["reads/alarm"] =
        benchmark::Counter(static_cast<double>(list.Model().RowReads() - before) /
                           static_cast<double>(state.iterations()));
}
BENCHMARK(BM_NewAlarmIntoTheList)->Unit(benchmark::kMicrosecond)->Iterations(50);

// 1 000 telegrams from one recorder on loopback through the pump and the
// decoder; with the list attached every alarm refreshes it, and it is
// painted once at the end as the next drain of the desktop events would.
void BM_BurstOfTelegrams(benchmark::State& state)
{
    Station& station = Station::Get();
    bool withList = state.range(0) != 0;
    AlarmListView& list = station.List();
    AlarmListView* attached = withList ? &list : nullptr;
    station.window.list = attached;

    EventDecoder decoder(station.tree, station.clock, *station.intake);
    SocketPump pump;
    SessionHub hub(pump);
    auto listener = std::make_unique<RecorderListener>(decoder, hub);
    if (!listener->Create() || !listener->Listen(0))
        std::abort();
    int port = listener->LocalPort();
    pump.Register(listener.release());
    int peer = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        std::abort();
    std::vector<uint8_t> burst;
    for (int i = 0; i < kBurst; ++i) {
        TelegramFields fields;
        fields.typeCode = kTrackFull;
        fields.detail = 3;
        std::vector<uint8_t> telegram = EncodeTelegram(fields);
        burst.insert(burst.end(), telegram.begin(), telegram.end());
    }

    for (auto _ : state) {
        int target = station.database->RecordCount() + kBurst;
        if (send(peer, burst.data(), burst.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(burst.size()))
            std::abort();
        while (station.database->RecordCount() < target)
            pump.Run(PumpLoop::Once, PumpWait::Poll);
        if (withList)
            list.viewport()->repaint();
    }
    close(peer);
    station.window.list = &list;
    if (!withList)
        list.Refresh();
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_BurstOfTelegrams)
    ->ArgName("list")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// A click on "Zusaetzl. Info": the view of a million records sorted by text.
void BM_HeaderClickSortsTheView(benchmark::State& state)
{
    AlarmListView& list = Station::Get().List();
    for (auto _ : state) {
        list.SortByColumn(kColumnAddInfo);
        list.viewport()->repaint();
    }
}
BENCHMARK(BM_HeaderClickSortsTheView)->Unit(benchmark::kMillisecond)->Iterations(4);

} // namespace

// The application exists around the benchmarks, and the station goes before
// it does.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Station::TearDown();
    return 0;
}
