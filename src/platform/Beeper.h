// Short signals: tones of a given pitch (the station's "PC speaker") and the
// desktop's standard beeps. Tones are queued and played without blocking
// the caller, so a burst of alarms is not slowed down.
#pragma once

enum class SystemBeep { Default, Information, Warning, Error };

class Beeper {
public:
    virtual ~Beeper() = default;

    virtual void Tone(int frequencyHz, int durationMs) = 0;
    virtual void Beep(SystemBeep kind) = 0;
};
