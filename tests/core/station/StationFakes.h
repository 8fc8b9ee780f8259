// A desktop for running the station inside a test: scripted message boxes,
// a profile in memory, and a hook that runs once per loop round.
#pragma once

#include "core/station/Station.h"
#include "core/station/StationDesktop.h"
#include "platform/BusyIndicator.h"
#include "platform/ModifierKeys.h"
#include "platform/Profile.h"
#include "testsupport/FakePrompt.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
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
    }
    void DestroyMainWindow() override { ++windowsDestroyed; }

    FakePrompt prompt;
    MemoryProfile profile;
    std::optional<std::string> language;
    std::vector<int> progress;
    std::function<void(Station&)> onRound;
    Station* station = nullptr;
    int rounds = 0;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
};
