// Speaker tones synthesised into one audio stream that stays open, so short
// tones are neither dropped nor cut (QSoundEffect loses tones of a few tens
// of milliseconds). Tones are queued and played while the station goes on.
#pragma once

#include "platform/Beeper.h"
#include "platform/ToneQueue.h"

#include <memory>

class QAudioSink;
class ToneDevice;

class QtBeeper final : public Beeper {
public:
    QtBeeper();
    ~QtBeeper() override;

    void Tone(int frequencyHz, int durationMs) override;
    void Beep(SystemBeep kind) override;

    bool HasOutput() const { return m_sink != nullptr; }

private:
    static constexpr int kSampleRate = 22050;

    ToneQueue m_queue{kSampleRate};
    std::unique_ptr<ToneDevice> m_device;
    std::unique_ptr<QAudioSink> m_sink;
};
