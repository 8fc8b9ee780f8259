// The looping alarm sound: one wave file played over and over until it is
// stopped or replaced by another.
#pragma once

#include <string>

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Replaces whatever is playing. False when the file cannot be played
    // (missing, unreadable, no sound device); the station then stays silent.
    virtual bool PlayLoop(const std::string& wavePath) = 0;
    virtual void Stop() = 0;
};
