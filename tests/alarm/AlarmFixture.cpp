#include "AlarmFixture.h"

#include "alarm/AlarmSettingsLookup.h"
#include "alarm/BarDiagram.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "events/AlarmDefaults.h"
#include "users/UserAccounts.h"

#include <algorithm>

namespace {

std::string Text(std::string_view what, std::initializer_list<std::string> parts)
{
    std::string line(what);
    for (const std::string& part : parts)
        line += " " + part;
    return line;
}

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

} // namespace

void FakeLiveViewLink::AddAlarm(std::string_view recorderName, int32_t camera,
                                std::string_view trackName, int64_t arrival, int32_t priority)
{
    calls.push_back(
        Text("AddAlarm", {Quoted(recorderName), std::to_string(camera), Quoted(trackName),
                          std::to_string(arrival), std::to_string(priority)}));
}

void FakeLiveViewLink::RemoveAlarm(int64_t arrival)
{
    calls.push_back(Text("RemoveAlarm", {std::to_string(arrival)}));
}

void FakeLiveViewLink::SetShownAlarm(int64_t arrival)
{
    shownAlarm = arrival;
    calls.push_back(Text("SetShownAlarm", {std::to_string(arrival)}));
}

void FakeLiveViewLink::Notify(StationEvent event)
{
    calls.push_back(Text("Notify", {std::to_string(static_cast<int>(event))}));
}

bool FakeLiveViewLink::ShowLive(std::string_view recorder, int32_t camera, uint8_t flag, int index)
{
    calls.push_back(Text("ShowLive", {std::string(recorder), std::to_string(camera),
                                      std::to_string(flag), std::to_string(index)}));
    return true;
}

bool FakeLiveViewLink::ShowTrackByName(std::string_view recorder, std::string_view trackName,
                                       int32_t camera, int64_t time, uint8_t flag, int index)
{
    calls.push_back(Text("ShowTrackByName",
                         {std::string(recorder), Quoted(trackName), std::to_string(camera),
                          std::to_string(time), std::to_string(flag), std::to_string(index)}));
    return true;
}

bool FakeLiveViewLink::ShowTrackByNumber(std::string_view recorder, int32_t trackNumber,
                                         int32_t camera, int64_t time, uint8_t flag, int index)
{
    calls.push_back(Text("ShowTrackByNumber", {std::string(recorder), std::to_string(trackNumber),
                                               std::to_string(camera), std::to_string(time),
                                               std::to_string(flag), std::to_string(index)}));
    return true;
}

bool FakeLiveViewLink::LoadPreset(std::string_view presetName)
{
    calls.push_back(Text("LoadPreset", {Quoted(presetName)}));
    return true;
}

std::vector<std::string> FakeLiveViewLink::CallsStartingWith(std::string_view prefix) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.starts_with(prefix))
            found.push_back(call);
    }
    return found;
}

std::vector<std::string> FakeLiveViewLink::Requests() const
{
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.starts_with("Show") || call.starts_with("LoadPreset"))
            found.push_back(call);
    }
    return found;
}

FakeAlarmWindowView::~FakeAlarmWindowView()
{
    std::erase(m_factory.views, this);
}

std::unique_ptr<AlarmWindowView> FakeViewFactory::CreateAlarmWindowView(AlarmWindowEvents& events)
{
    auto view = std::make_unique<FakeAlarmWindowView>(events, *this);
    views.push_back(view.get());
    ++created;
    return view;
}

AlarmFixture::AlarmFixture() : AlarmFixture(Unassembled{1})
{
    Assemble(prompt, station, views);
}

AlarmFixture::AlarmFixture(Unassembled later) : m_stepMs(later.stepMs)
{
    tree = std::make_unique<ConfigTree>();
    FakePrompt scriptPrompt;
    EXPECT_TRUE(tree->LoadDefaults(DefaultScript(), scriptPrompt));
    EXPECT_TRUE(RebuildAlarmDefaults(*tree));
    CreateBuiltInAccount(*tree);
    AddRecorder(kRecorderIp, "Tor");
    CompleteRecorderSettings(*tree);

    database = std::make_unique<AlarmDatabase>(*tree, dir.Path(), keys, NoBusyIndicator());
    EXPECT_TRUE(database->Open(dir.File("AlarmDB.txt")));
    intake = std::make_unique<AlarmIntake>(*tree, clock);
    intake->SetStore(database.get());
}

void AlarmFixture::Assemble(Prompt& shownPrompt, StationWindow& shownStation,
                            AlarmWindowViewFactory& shownViews)
{
    m_shown = {&shownPrompt, &shownStation, &shownViews};
    RestartHandling();
}

void AlarmFixture::RestartHandling()
{
    handling.reset();
    handling = std::make_unique<AlarmHandling>(
        AlarmHandlingParts{*tree, *database, *intake, clock, liveView, mail, launcher, sound,
                           beeper, *m_shown.prompt, *m_shown.station, presentation, *m_shown.views,
                           trend, NoBarDiagram(), "/opt/wardex", dir.Path().string()});
}

AlarmFixture::~AlarmFixture()
{
    handling.reset();
    intake->SetStore(nullptr);
    database->Close();
}

ConfigNode* AlarmFixture::System(std::string_view key)
{
    return tree->TopFolder("Program")->Child("Configuration")->Child("System")->Child(key);
}

ConfigNode* AlarmFixture::AddRecorder(std::string_view ip, std::string_view name, int32_t hybrid)
{
    ConfigNode* list = tree->TopFolder("Program")->Child("RecorderList");
    ConfigNode* recorder = list->NewEntry(list->ChildCount());
    recorder->Child("IP")->SetString(ip);
    recorder->Child("Name")->SetString(name);
    recorder->Child("Hybrid")->SetInt(hybrid);
    return recorder;
}

ConfigNode* AlarmFixture::Setting(int32_t alarmType, int n, std::string_view recorderIp)
{
    ConfigNode* recorder =
        tree->TopFolder("Program")->Child("RecorderList")->FindEntryByString("IP", recorderIp);
    return recorder->Child("AlarmSettings")->FindNthEntryByInt("Type", alarmType, n);
}

ConfigNode* AlarmFixture::AddSubAlarm(int32_t alarmType, int64_t cameraMask,
                                      std::string_view recorderIp)
{
    ConfigNode* recorder =
        tree->TopFolder("Program")->Child("RecorderList")->FindEntryByString("IP", recorderIp);
    ConfigNode* list = recorder->Child("AlarmSettings");
    ConfigNode* entry = list->NewEntry(list->ChildCount());
    entry->Child("Type")->SetInt(alarmType);
    entry->Child("SubType")->SetInt(24);
    entry->Child("SubDetail")->SetInt64(cameraMask);
    entry->Child("SubName")->SetString("Sub");
    return entry;
}

int64_t AlarmFixture::Raise(int32_t alarmType, int32_t camera, std::string_view recorder,
                            std::string addInfo, int32_t track)
{
    GuardEvent event;
    event.recorder = std::string(recorder);
    event.timeArrival = clock.NowMs();
    event.timeDeparture = event.timeArrival - 2000;
    event.alarmType = alarmType;
    event.cameraId = camera;
    event.trackId = track;
    event.addInfo = std::move(addInfo);
    event.hybrid = 0;
    intake->Raise(event);
    clock.source.AdvanceMs(m_stepMs);
    return event.timeArrival;
}

int AlarmFixture::Store(int32_t alarmType, int32_t camera, std::string_view recorder,
                        std::string_view addInfo)
{
    AlarmRecord record = AlarmRecord::NewAlarm();
    record.SetNumber(AlarmField::TimeArrival, clock.NowMs());
    record.SetNumber(AlarmField::TimeDeparture, clock.NowMs() - 2000);
    record.SetField(AlarmField::Recorder, recorder);
    record.SetNumber(AlarmField::CameraID, camera);
    record.SetNumber(AlarmField::TrackID, 0);
    record.SetNumber(AlarmField::AlarmType, alarmType);
    record.SetField(AlarmField::AddInfo, addInfo);
    EXPECT_TRUE(database->Append(record));
    clock.source.AdvanceMs(m_stepMs);
    return database->RecordCount() - 1;
}

AlarmRecord AlarmFixture::RecordAt(int number)
{
    AlarmRecord record;
    EXPECT_TRUE(database->Read(number, record));
    return record;
}

std::string AlarmFixture::Field(int number, AlarmField field)
{
    return std::string(RecordAt(number).Field(field));
}

FakeAlarmWindowView& AlarmFixture::ViewOf(AlarmWindow& window)
{
    return dynamic_cast<FakeAlarmWindowView&>(window.View());
}

AlarmWindow& AlarmFixture::OnlyWindow()
{
    std::vector<AlarmWindow*> open = handling->Windows().OpenWindows();
    EXPECT_EQ(open.size(), 1u);
    return *open.at(0);
}
