// What happens to an alarm nobody confirms: per priority a chain of up to
// five steps, each due a number of seconds after the alarm arrived, and the
// times the operators are measured against. Read from
// Program/Configuration/Escalation; an empty chain leaves an alarm as it was.
#pragma once

#include "alarm/AlarmSettings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ConfigNode;
class ConfigTree;

inline constexpr int kEscalationPriorities = 6;
inline constexpr size_t kMaxEscalationSteps = 5;
// An alarm settings entry's "EscalationChain": the chain of its own priority,
// or none at all; 0 to 5 name another priority's chain.
inline constexpr int kOwnPriorityChain = -1;
inline constexpr int kNoChain = kEscalationPriorities;
// "Speaker" of a step that plays no PC-speaker signal.
inline constexpr int kNoSpeakerSignal = -1;

struct EscalationStep {
    int32_t afterSeconds = 0;
    bool raise = false;
    std::string soundFile;
    int32_t speaker = kNoSpeakerSignal; // a pcspkFrequ choice
    int32_t speakerMs = 600;
    std::string mailTo;
    std::string programPath;
    std::string programArgs;

    friend bool operator==(const EscalationStep&, const EscalationStep&) = default;
};

struct EscalationSettings {
    // Each ordered by afterSeconds.
    std::array<std::vector<EscalationStep>, kEscalationPriorities> chains;
    // The close box and "Zurueckstellen" hold an alarm back this long; 0
    // offers it again at once.
    int32_t postponeSeconds = 300;
    // The response times counted as good, shortest first.
    std::array<int32_t, 3> targetSeconds{30, 60, 90};
    // Used for an escalation mail where the alarm's entry has none.
    std::string mailFrom;
    std::string mailSubject;
    std::string mailBody;
};

// Steps of a priority beyond the fifth (by time) and steps of an unknown
// priority are ignored. Missing keys keep the defaults above.
EscalationSettings ReadEscalationSettings(const ConfigNode& folder);
// Writes the settings back: the step list is made anew from its template.
void WriteEscalationSettings(const EscalationSettings& settings, ConfigNode& folder);

// The chain an alarm of these settings follows, or kNoChain.
int ChainOf(const AlarmSettings& settings);

// The folder's settings, read again only when the folder changed. The tree's
// lock is held by the caller.
class EscalationSettingsCache {
public:
    const EscalationSettings& Get(ConfigTree& tree);

private:
    const ConfigNode* m_folder = nullptr;
    uint64_t m_shape = ~uint64_t{0};
    uint64_t m_version = ~uint64_t{0};
    EscalationSettings m_settings;
};
