// Tones waiting to be played, rendered on demand into 16-bit mono samples
// for an audio stream that stays open: queued tones first, then silence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

class ToneQueue {
public:
    explicit ToneQueue(int sampleRate);

    // Queues a tone after those already waiting; invalid tones are dropped.
    void Add(int frequencyHz, int durationMs);

    // Fills all of `out`; returns how many frames carried a tone.
    size_t Render(std::span<int16_t> out);

    bool Idle() const { return m_tones.empty(); }
    int SampleRate() const { return m_sampleRate; }

    // More than this much waiting sound is dropped rather than queued, so a
    // flood of alarms cannot make the speaker lag minutes behind.
    static constexpr int64_t kMaxQueuedMs = 10'000;

private:
    struct Tone {
        int frequencyHz;
        int64_t frames;
        int64_t played;
    };

    int m_sampleRate;
    std::deque<Tone> m_tones;
    int64_t m_queuedFrames = 0;
    double m_phase = 0;
};
