// A desktop for running the station inside a test: scripted message boxes,
// a profile in memory, and a hook that runs once per loop round.
#pragma once

#include "alarm/AlarmWindowContent.h"
#include "alarm/AlarmWindowEvents.h"
#include "alarm/AlarmWindowView.h"
#include "alarm/AlarmWindowViewFactory.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Profile.h"
#include "station/MainWindowLogic.h"
#include "station/Station.h"
#include "station/StationDesktop.h"
#include "testsupport/FakeBeeper.h"
#include "testsupport/FakePrompt.h"
#include "testsupport/FakeSoundPlayer.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class MemoryProfile final : public Profile {
public:
    void SetString(std::string_view section, std::string_view key, std::string_view value) override
    {
        values[std::string(section) + "/" + std::string(key)] = value;
    }
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) override
    {
        auto it = values.find(std::string(section) + "/" + std::string(key));
        return it == values.end() ? std::string(fallback) : it->second;
    }
    std::map<std::string, std::string> values;
};

class FakeDesktop final : public StationDesktop {
public:
    Prompt& Messages() override { return prompt; }
    Profile& UserProfile() override { return profile; }
    ModifierKeys& Keys() override { return NoModifierKeys(); }
    BusyIndicator& Busy() override { return NoBusyIndicator(); }
    SoundPlayer& Sound() override { return sound; }
    Beeper& Speaker() override { return beeper; }
    std::optional<std::string> InterfaceLanguage() override { return language; }
    void ShowStartupProgress(int percent) override { progress.push_back(percent); }
    void DrainEvents() override
    {
        ++rounds;
        if (onRound)
            onRound(*station);
        if (rounds > 20000) // a scenario that never ends fails, it does not hang
            station->RequestQuit();
    }
    void CreateMainWindow(Station& s) override
    {
        station = &s;
        ++windowsCreated;
        if (onCreateWindow)
            onCreateWindow();
    }
    void DestroyMainWindow() override { ++windowsDestroyed; }
    void EndMainWindow() override { ++windowsEnded; }

    FakePrompt prompt;
    MemoryProfile profile;
    FakeSoundPlayer sound;
    FakeBeeper beeper;
    std::optional<std::string> language;
    std::vector<int> progress;
    std::function<void(Station&)> onRound;
    std::function<void()> onCreateWindow;
    Station* station = nullptr;
    int rounds = 0;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
    int windowsEnded = 0;
};

// Alarm windows that record what they were asked to do.
class FakeAlarmViews final : public AlarmWindowViewFactory {
public:
    class View final : public AlarmWindowView {
    public:
        View(FakeAlarmViews& owner, AlarmWindowEvents& events) : m_owner(owner), events(events)
        {
            m_owner.open.push_back(this);
        }
        ~View() override { std::erase(m_owner.open, this); }
        void Show(const AlarmWindowContent& shown) override { title = shown.caption; }
        WindowSize Size() const override { return {300, 200}; }
        WorkArea DesktopWorkArea() const override { return {0, 0, 1920, 1080}; }
        void MoveTo(WindowPoint) override {}
        void SetWidth(int) override {}
        void AdvanceScroller() override { ++scrollerSteps; }
        void SetCaptionFlash(bool) override { ++flashes; }
        std::string Comment() const override { return comment; }
        void ShowRefusal(const std::string&) override {}
        void Raise() override {}
        void Minimise() override {}
        void Restore() override {}
        void Hide() override {}
        void Unhide() override {}
        void Close() override { closed = true; }

        std::string title;
        std::string comment;
        int scrollerSteps = 0;
        int flashes = 0;
        bool closed = false;

    private:
        FakeAlarmViews& m_owner;

    public:
        AlarmWindowEvents& events;
    };

    std::unique_ptr<AlarmWindowView> CreateAlarmWindowView(AlarmWindowEvents& events) override
    {
        ++created;
        return std::make_unique<View>(*this, events);
    }

    std::vector<View*> open;
    int created = 0;
};

class FakePresentationView final : public PresentationView {
public:
    explicit FakePresentationView(int& reloads) : m_reloads(reloads) {}
    void Show() override { shown = true; }
    void Activate() override {}
    bool IsShown() const override { return shown; }
    void Reload() override { ++m_reloads; }
    void Select(int) override {}
    bool shown = false;

private:
    int& m_reloads;
};

// The main window as the logic sees it.
class FakeMainView final : public MainWindowView {
public:
    void RefreshAlarmList() override { ++refreshes; }
    void BringToFront() override { ++broughtToFront; }
    void RestoreMainWindow() override { ++restored; }
    AlarmWindowViewFactory& AlarmWindowViews() override { return alarmViews; }
    std::unique_ptr<PresentationView> CreatePresentationView(PresentationWindowLogic&) override
    {
        return std::make_unique<FakePresentationView>(presentationReloads);
    }
    void PresentationEntered() override { ++presentationsEntered; }
    int SelectedAlarmRecord() override { return selected; }
    void ShowHousekeepingNotice(const std::string& text) override { notice = text; }
    bool StoreWindowLayout() override { return std::exchange(layoutChanged, false); }

    FakeAlarmViews alarmViews;
    std::string notice;
    bool layoutChanged = false;
    int refreshes = 0;
    int broughtToFront = 0;
    int restored = 0;
    int presentationReloads = 0;
    int presentationsEntered = 0;
    int selected = -1;
};
