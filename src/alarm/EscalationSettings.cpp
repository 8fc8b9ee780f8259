#include "alarm/EscalationSettings.h"

#include "config/ConfigKeys.h"
#include "config/ConfigNode.h"
#include "config/ConfigTree.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kTargetKeys[] = {"iTarget1Seconds", "iTarget2Seconds",
                                            "iTarget3Seconds"};

int32_t IntOf(const ConfigNode& folder, std::string_view key, int32_t otherwise)
{
    const ConfigNode* node = folder.Child(key);
    return node == nullptr ? otherwise : node->GetInt();
}

std::string TextOf(const ConfigNode& folder, std::string_view key)
{
    const ConfigNode* node = folder.Child(key);
    return node == nullptr ? std::string() : node->GetString();
}

void SetInt(ConfigNode& folder, std::string_view key, int32_t value)
{
    if (ConfigNode* node = folder.Child(key))
        node->SetInt(value);
}

void SetText(ConfigNode& folder, std::string_view key, const std::string& value)
{
    if (ConfigNode* node = folder.Child(key))
        node->SetString(value);
}

EscalationStep ReadStep(const ConfigNode& entry)
{
    EscalationStep step;
    step.afterSeconds = std::max(0, IntOf(entry, "AfterSeconds", 0));
    step.raise = IntOf(entry, "Raise", 0) == 1;
    step.soundFile = TextOf(entry, "SoundFile");
    step.speaker = IntOf(entry, "Speaker", kNoSpeakerSignal);
    step.speakerMs = IntOf(entry, "SpeakerMs", step.speakerMs);
    step.mailTo = TextOf(entry, "MailTo");
    step.programPath = TextOf(entry, "ProgramPath");
    step.programArgs = TextOf(entry, "ProgramArgs");
    return step;
}

} // namespace

EscalationSettings ReadEscalationSettings(const ConfigNode& folder)
{
    EscalationSettings settings;
    settings.postponeSeconds =
        std::max(0, IntOf(folder, "iPostponeSeconds", settings.postponeSeconds));
    for (size_t i = 0; i < settings.targetSeconds.size(); ++i)
        settings.targetSeconds[i] = IntOf(folder, kTargetKeys[i], settings.targetSeconds[i]);
    settings.mailFrom = TextOf(folder, "mailFromAddress");
    settings.mailSubject = TextOf(folder, "mailFormatedSubject");
    settings.mailBody = TextOf(folder, "mailFormatedBody");
    const ConfigNode* steps = Find(folder, kEscalationSteps);
    if (steps == nullptr)
        return settings;
    for (int i = 0; i < steps->ChildCount(); ++i) {
        const ConfigNode& entry = *steps->ChildAt(i);
        int32_t priority = IntOf(entry, "Priority", -1);
        if (priority < 0 || priority >= kEscalationPriorities)
            continue;
        settings.chains[static_cast<size_t>(priority)].push_back(ReadStep(entry));
    }
    for (std::vector<EscalationStep>& chain : settings.chains) {
        std::stable_sort(chain.begin(), chain.end(),
                         [](const EscalationStep& a, const EscalationStep& b) {
                             return a.afterSeconds < b.afterSeconds;
                         });
        if (chain.size() > kMaxEscalationSteps)
            chain.resize(kMaxEscalationSteps);
    }
    return settings;
}

void WriteEscalationSettings(const EscalationSettings& settings, ConfigNode& folder)
{
    SetInt(folder, "iPostponeSeconds", settings.postponeSeconds);
    for (size_t i = 0; i < settings.targetSeconds.size(); ++i)
        SetInt(folder, kTargetKeys[i], settings.targetSeconds[i]);
    SetText(folder, "mailFromAddress", settings.mailFrom);
    SetText(folder, "mailFormatedSubject", settings.mailSubject);
    SetText(folder, "mailFormatedBody", settings.mailBody);
    ConfigNode* steps = Find(folder, kEscalationSteps);
    if (steps == nullptr)
        return;
    steps->RemoveAllChildren();
    int number = 0;
    for (int priority = 0; priority < kEscalationPriorities; ++priority) {
        for (const EscalationStep& step : settings.chains[static_cast<size_t>(priority)]) {
            ConfigNode* entry = steps->NewEntry(number++);
            if (entry == nullptr)
                return;
            SetInt(*entry, "Priority", priority);
            SetInt(*entry, "AfterSeconds", step.afterSeconds);
            SetInt(*entry, "Raise", step.raise ? 1 : 0);
            SetText(*entry, "SoundFile", step.soundFile);
            SetInt(*entry, "Speaker", step.speaker);
            SetInt(*entry, "SpeakerMs", step.speakerMs);
            SetText(*entry, "MailTo", step.mailTo);
            SetText(*entry, "ProgramPath", step.programPath);
            SetText(*entry, "ProgramArgs", step.programArgs);
        }
    }
}

int ChainOf(const AlarmSettings& settings)
{
    int chain = settings.escalationChain == kOwnPriorityChain ? settings.priority
                                                              : settings.escalationChain;
    return chain >= 0 && chain < kEscalationPriorities ? chain : kNoChain;
}

const EscalationSettings& EscalationSettingsCache::Get(ConfigTree& tree)
{
    if (m_shape != ConfigNode::ShapeEpoch()) {
        m_shape = ConfigNode::ShapeEpoch();
        const ConfigNode* folder = Find(tree, kEscalationFolder);
        if (folder != m_folder)
            m_version = ~uint64_t{0};
        m_folder = folder;
    }
    if (m_folder == nullptr) {
        m_settings = EscalationSettings();
        m_version = ~uint64_t{0};
        return m_settings;
    }
    if (m_version != m_folder->Version()) {
        m_version = m_folder->Version();
        m_settings = ReadEscalationSettings(*m_folder);
    }
    return m_settings;
}
