// The alarm handling of a station on real files: the built-in configuration
// with its alarm defaults, a recorder "Tor" at 10.0.0.1 with the completed
// settings list, the database in a temporary folder, and fakes for the
// speaker, the sound, the live-view program, mail, programs, prompts, the
// main and presentation windows and the alarm window views.
#pragma once

#include "alarm/AlarmHandling.h"
#include "alarm/AlarmIntake.h"
#include "alarm/AlarmWindowViewFactory.h"
#include "alarm/LiveViewLink.h"
#include "alarm/MailSender.h"
#include "alarm/PresentationWindow.h"
#include "alarm/StationWindow.h"
#include "alarm/TrendView.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "events/GuardEvent.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/ShellLauncher.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/FakeClock.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/FakeSoundPlayer.h"
#include "testsupport/TempDir.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Every call as one line of text, so tests can compare sequences.
class FakeLiveViewLink final : public LiveViewLink {
public:
    void AddAlarm(std::string_view recorderName, int32_t camera, std::string_view trackName,
                  int64_t arrival, int32_t priority) override;
    void RemoveAlarm(int64_t arrival) override;
    void SetShownAlarm(int64_t arrival) override;
    void Notify(StationEvent event) override;
    bool ShowLive(std::string_view recorder, int32_t camera, uint8_t flag, int index) override;
    bool ShowTrackByName(std::string_view recorder, std::string_view trackName, int32_t camera,
                         int64_t time, uint8_t flag, int index) override;
    bool ShowTrackByNumber(std::string_view recorder, int32_t trackNumber, int32_t camera,
                           int64_t time, uint8_t flag, int index) override;
    bool LoadPreset(std::string_view presetName) override;

    // Only the calls that start with the prefix.
    std::vector<std::string> CallsStartingWith(std::string_view prefix) const;
    // The requests to show something (live, track, preset).
    std::vector<std::string> Requests() const;

    std::vector<std::string> calls;
    int64_t shownAlarm = 0;
};

class FakeMailSender final : public MailSender {
public:
    bool Send(const AlarmMail& mail) override
    {
        sent.push_back(mail);
        return true;
    }
    std::vector<AlarmMail> sent;
};

class FakeShellLauncher final : public ShellLauncher {
public:
    struct Started {
        std::string path;
        std::vector<std::string> args;
        std::string workingDir;
    };
    bool Open(const std::string& path, const std::vector<std::string>& args,
              const std::string& workingDir) override
    {
        started.push_back({path, args, workingDir});
        return true;
    }
    std::vector<Started> started;
};

class FakeStationWindow final : public StationWindow {
public:
    void RefreshAlarmList() override { ++refreshes; }
    void BringToFront() override { ++broughtToFront; }
    void PostNextAlarmRequest() override { ++nextAlarmRequests; }
    int refreshes = 0;
    int broughtToFront = 0;
    int nextAlarmRequests = 0;
};

class FakePresentationWindow final : public PresentationWindow {
public:
    bool Exists() const override { return exists; }
    bool IsActive() const override { return active; }
    void CountNewAlarm() override { ++counted; }
    void AddNewAlarm() override { ++added; }
    void Open() override { ++opened; }
    void Refresh() override { ++refreshed; }
    void ChooseNextAlarm() override { ++choseNext; }
    void SelectAlarm(int64_t arrival) override { selected.push_back(arrival); }

    bool exists = false;
    bool active = false;
    int counted = 0;
    int added = 0;
    int opened = 0;
    int refreshed = 0;
    int choseNext = 0;
    std::vector<int64_t> selected;
};

class FakeTrendView final : public TrendView {
public:
    void AddArrival(int64_t arrival) override { arrivals.push_back(arrival); }
    std::vector<int64_t> arrivals;
};

class FakeViewFactory;

class FakeAlarmWindowView final : public AlarmWindowView {
public:
    FakeAlarmWindowView(AlarmWindowEvents& events, FakeViewFactory& factory)
        : events(events), m_factory(factory)
    {
    }
    ~FakeAlarmWindowView() override;

    void Show(const AlarmWindowContent& shown) override
    {
        content = shown;
        visible = true;
    }
    WindowSize Size() const override { return size; }
    WorkArea DesktopWorkArea() const override { return area; }
    void MoveTo(WindowPoint to) override { position = to; }
    void SetWidth(int width) override { size.width = width; }
    void AdvanceScroller() override { ++scrollerSteps; }
    void SetCaptionFlash(bool on) override { flashes.push_back(on); }
    std::string Comment() const override { return comment; }
    void ShowRefusal(const std::string& reason) override { refusal = reason; }
    void Raise() override { ++raised; }
    void Minimise() override { minimised = true; }
    void Restore() override { minimised = false; }
    void Hide() override { visible = false; }
    void Unhide() override { visible = true; }
    void Close() override
    {
        closed = true;
        visible = false;
    }

    AlarmWindowEvents& events;
    AlarmWindowContent content;
    WindowSize size{400, 300};
    WorkArea area{0, 0, 1280, 1024};
    WindowPoint position{-100, -100};
    std::string comment;
    std::string refusal;
    int scrollerSteps = 0;
    std::vector<bool> flashes;
    int raised = 0;
    bool minimised = false;
    bool visible = false;
    bool closed = false;

private:
    FakeViewFactory& m_factory;
};

class FakeViewFactory final : public AlarmWindowViewFactory {
public:
    std::unique_ptr<AlarmWindowView> CreateAlarmWindowView(AlarmWindowEvents& events) override;

    // The views that exist, oldest first.
    std::vector<FakeAlarmWindowView*> views;
    int created = 0;
};

class FakeModifierKeys final : public ModifierKeys {
public:
    bool ControlAndShiftHeld() override { return false; }
};

class AlarmFixture : public ::testing::Test {
protected:
    static constexpr const char* kRecorderIp = "10.0.0.1";

    AlarmFixture();
    // For a fixture with other fakes of its own: the station without the
    // alarm handling, and `stepMs` for the clock after each stored alarm.
    // The derived constructor calls Assemble with its parts.
    struct Unassembled {
        int64_t stepMs;
    };
    explicit AlarmFixture(Unassembled later);
    ~AlarmFixture() override;
    void Assemble(Prompt& shownPrompt, StationWindow& shownStation,
                  AlarmWindowViewFactory& shownViews);

    ConfigNode* System(std::string_view key);
    // The recorder's n-th entry of the type (0: the main entry).
    ConfigNode* Setting(int32_t alarmType, int n = 0, std::string_view recorderIp = kRecorderIp);
    ConfigNode* Setting(int32_t alarmType, std::string_view recorderIp)
    {
        return Setting(alarmType, 0, recorderIp);
    }
    ConfigNode* AddRecorder(std::string_view ip, std::string_view name, int32_t hybrid = 0);
    // A sub-alarm entry of the type appended to the recorder's list.
    ConfigNode* AddSubAlarm(int32_t alarmType, int64_t cameraMask,
                            std::string_view recorderIp = kRecorderIp);

    // Hands an event to the intake, as the decoder does, arriving now with a
    // departure 2 s earlier; the clock then moves on (1 ms unless the
    // fixture says otherwise), so arrivals are unique. Returns the arrival.
    int64_t Raise(int32_t alarmType, int32_t camera = 0, std::string_view recorder = kRecorderIp,
                  std::string addInfo = {}, int32_t track = 0);
    // Appends a record directly, without dispatch; returns its number.
    int Store(int32_t alarmType, int32_t camera = 0, std::string_view recorder = kRecorderIp,
              std::string_view addInfo = {});

    // Alarm handling made anew on the same files, as a restart does.
    void RestartHandling();

    AlarmRecord RecordAt(int number);
    std::string Field(int number, AlarmField field);
    FakeAlarmWindowView& ViewOf(AlarmWindow& window);
    AlarmWindow& OnlyWindow();

    FakeClock clock;
    TempDir dir;
    std::unique_ptr<ConfigTree> tree;
    FakeModifierKeys keys;
    std::unique_ptr<AlarmDatabase> database;
    std::unique_ptr<AlarmIntake> intake;

    FakeLiveViewLink liveView;
    FakeMailSender mail;
    FakeShellLauncher launcher;
    FakeSoundPlayer sound;
    FakeBeeper beeper;
    FakePrompt prompt;
    FakeStationWindow station;
    FakePresentationWindow presentation;
    FakeTrendView trend;
    FakeViewFactory views;
    std::unique_ptr<AlarmHandling> handling;

private:
    int64_t m_stepMs = 1;
    struct Shown {
        Prompt* prompt = nullptr;
        StationWindow* station = nullptr;
        AlarmWindowViewFactory* views = nullptr;
    } m_shown;
};
