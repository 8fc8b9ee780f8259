// The looping alarm sound as a QSoundEffect. Without an audio output the
// player stays silent: QSoundEffect would not report that itself.
#pragma once

#include "platform/SoundPlayer.h"

#include <memory>

class QSoundEffect;

class QtSoundPlayer final : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    bool PlayLoop(const std::string& wavePath) override;
    void Stop() override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
    std::string m_playing;
};
