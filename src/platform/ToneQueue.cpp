#include "platform/ToneQueue.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kAmplitude = 0.3 * 32767;
// A short fade at both ends keeps the speaker from clicking.
constexpr double kFadeSeconds = 0.003;

} // namespace

ToneQueue::ToneQueue(int sampleRate) : m_sampleRate(sampleRate) {}

void ToneQueue::Add(int frequencyHz, int durationMs)
{
    if (frequencyHz <= 0 || durationMs <= 0 || frequencyHz >= m_sampleRate / 2)
        return;
    int64_t frames = static_cast<int64_t>(durationMs) * m_sampleRate / 1000;
    if (m_queuedFrames + frames > kMaxQueuedMs * m_sampleRate / 1000)
        return;
    m_tones.push_back({frequencyHz, frames, 0});
    m_queuedFrames += frames;
}

size_t ToneQueue::Render(std::span<int16_t> out)
{
    size_t toneFrames = 0;
    const auto fadeFrames = static_cast<int64_t>(kFadeSeconds * m_sampleRate);
    for (int16_t& sample : out) {
        if (m_tones.empty()) {
            sample = 0;
            continue;
        }
        Tone& tone = m_tones.front();
        int64_t edge = std::min(tone.played, tone.frames - 1 - tone.played);
        double gain = fadeFrames > 0 ? std::min(1.0, static_cast<double>(edge) / fadeFrames) : 1.0;
        sample = static_cast<int16_t>(std::lround(kAmplitude * gain * std::sin(m_phase)));
        m_phase += 2 * std::numbers::pi * tone.frequencyHz / m_sampleRate;
        if (m_phase > 2 * std::numbers::pi)
            m_phase -= 2 * std::numbers::pi;
        ++toneFrames;
        --m_queuedFrames;
        if (++tone.played == tone.frames) {
            m_tones.pop_front();
            m_phase = 0;
        }
    }
    return toneFrames;
}
