// The decoding side of a station for the fuzz targets: the built-in
// configuration with one known recorder, a clock that moves a little at
// every reading (so runs are repeatable) and a sink that keeps every event.
#pragma once

#include "SilentPrompt.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "events/GuardEvent.h"
#include "platform/ClockSource.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

class SteppingClockSource final : public ClockSource {
public:
    int64_t MonotonicNs() override { return m_ns += 1'000'000; }
    int64_t RealtimeUs() override { return 1'700'000'000'000'000 + m_ns / 1000; }

private:
    int64_t m_ns = 0;
};

class EventKeeper final : public GuardEventSink {
public:
    void Raise(const GuardEvent& event) override { events.push_back(event); }

    std::vector<GuardEvent> events;
};

struct DecoderStation {
    explicit DecoderStation(const char* knownIp)
    {
        SilentPrompt prompt;
        if (!tree.LoadDefaults(DefaultScript(), prompt))
            std::abort();
        ConfigNode* entry = tree.TopFolder("Program")->Child("RecorderList")->NewEntry(0);
        entry->Child("IP")->SetString(knownIp);
    }

    SteppingClockSource source;
    Clock clock{source};
    ConfigTree tree;
    EventKeeper events;
};
