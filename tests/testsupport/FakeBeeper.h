// A speaker that records the tones and beeps it was asked for.
#pragma once

#include "platform/Beeper.h"

#include <vector>

class FakeBeeper final : public Beeper {
public:
    struct PlayedTone {
        int frequencyHz;
        int durationMs;
        bool operator==(const PlayedTone&) const = default;
    };

    void Tone(int frequencyHz, int durationMs) override
    {
        tones.push_back({frequencyHz, durationMs});
    }
    void Beep(SystemBeep kind) override { beeps.push_back(kind); }

    std::vector<PlayedTone> tones;
    std::vector<SystemBeep> beeps;
};
