// A looping sound player that records what it was told to play.
#pragma once

#include "platform/SoundPlayer.h"

#include <string>
#include <vector>

class FakeSoundPlayer final : public SoundPlayer {
public:
    bool PlayLoop(const std::string& wavePath) override
    {
        played.push_back(wavePath);
        playing = wavePath;
        return playable;
    }
    void Stop() override
    {
        ++stops;
        playing.clear();
    }

    // Every file started, in order.
    std::vector<std::string> played;
    // Empty while silent.
    std::string playing;
    int stops = 0;
    bool playable = true;
};
