#include "alarm/AlarmEscalation.h"

#include "alarm/AlarmActions.h"
#include "alarm/AlarmDispatcher.h"
#include "alarm/AlarmSound.h"
#include "alarm/AlarmWindowManager.h"
#include "config/ConfigTree.h"
#include "db/AlarmDatabase.h"
#include "events/RecorderLookup.h"
#include "platform/posix/FileHandle.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view kStateHeader = "WardexEscalation 1\n";

bool ParseNumber(std::string_view& text, int64_t& value)
{
    size_t blank = text.find(' ');
    std::string_view word = text.substr(0, blank);
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size())
        return false;
    text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
    return true;
}

bool Fits32(int64_t value)
{
    return value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

AlarmEscalation::AlarmEscalation(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                                 AlarmActions& actions, AlarmWindowManager& windows, Beeper& beeper,
                                 std::filesystem::path folder)
    : m_tree(tree), m_database(database), m_sound(sound), m_actions(actions), m_windows(windows),
      m_beeper(beeper), m_folder(std::move(folder))
{
    Load();
}

AlarmEscalation::~AlarmEscalation()
{
    if (m_dirty)
        Save();
}

std::string AlarmEscalation::Serialize(const std::vector<EscalationEntry>& entries)
{
    std::string text(kStateHeader);
    for (const EscalationEntry& entry : entries)
        text += std::to_string(entry.arrival) + ' ' + std::to_string(entry.recordHint) + ' ' +
                std::to_string(entry.chain) + ' ' + std::to_string(entry.stepsDone) + '\n';
    return text;
}

std::optional<std::vector<EscalationEntry>> AlarmEscalation::Parse(std::string_view bytes)
{
    if (!bytes.starts_with(kStateHeader))
        return std::nullopt;
    bytes.remove_prefix(kStateHeader.size());
    std::vector<EscalationEntry> entries;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
        int64_t fields[4];
        for (int64_t& field : fields) {
            if (!ParseNumber(line, field))
                return std::nullopt;
        }
        if (!line.empty() || !Fits32(fields[1]) || fields[2] < 0 ||
            fields[2] >= kEscalationPriorities || fields[3] < 0 ||
            fields[3] > static_cast<int64_t>(kMaxEscalationSteps))
            return std::nullopt;
        entries.push_back({fields[0], static_cast<int32_t>(fields[1]),
                           static_cast<int32_t>(fields[2]), static_cast<int32_t>(fields[3])});
    }
    return entries;
}

void AlarmEscalation::Load()
{
    if (m_folder.empty())
        return;
    FileHandle file = FileHandle::OpenReadOnly((m_folder / kStateFileName).string());
    if (!file.IsOpen())
        return;
    int64_t size = file.Size();
    std::string bytes(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    std::optional<std::vector<EscalationEntry>> entries;
    if (size >= 0 && file.ReadAt(0, bytes.data(), bytes.size()) == size)
        entries = Parse(bytes);
    if (!entries) {
        m_stateUnreadable = true;
        std::fprintf(stderr, "Wardex: %s is not an escalation state; it starts empty.\n",
                     kStateFileName);
        return;
    }
    m_entries = std::move(*entries);
}

void AlarmEscalation::Save()
{
    if (m_folder.empty()) {
        m_dirty = false;
        return;
    }
    std::string bytes = Serialize(m_entries);
    // A kill loses at most the last tick's changes; a failure is tried again
    // at the next tick.
    m_dirty =
        !ReplaceFileWhole((m_folder / kStateFileName).string(), ".tmp", Survives::ProcessDeath,
                          [&](FileHandle& file) { return file.Write(bytes.data(), bytes.size()); });
}

void AlarmEscalation::OnNewAlarm(const NewAlarm& alarm)
{
    if (alarm.storedConfirmed || !alarm.context.settings)
        return;
    ConfigLock lock(m_tree);
    int chain = ChainOf(*alarm.context.settings);
    if (chain == kNoChain)
        return;
    const EscalationSettings& settings = m_settings.Get(m_tree);
    if (settings.chains[static_cast<size_t>(chain)].empty())
        return;
    EscalationEntry entry{alarm.context.arrival, alarm.recordNumber, chain, 0};
    m_entries.push_back(entry);
    m_nextDue = std::min(m_nextDue, DueOf(entry, settings));
    m_dirty = true;
}

int64_t AlarmEscalation::DueOf(const EscalationEntry& entry, const EscalationSettings& settings)
{
    const std::vector<EscalationStep>& chain = settings.chains[static_cast<size_t>(entry.chain)];
    if (entry.stepsDone >= static_cast<int32_t>(chain.size()))
        return std::numeric_limits<int64_t>::min();
    return entry.arrival + int64_t{chain[static_cast<size_t>(entry.stepsDone)].afterSeconds} * 1000;
}

void AlarmEscalation::Tick(int64_t nowMs)
{
    if (nowMs >= m_nextDue || nowMs - m_lastPass >= kFullPassMs) {
        m_lastPass = nowMs;
        ConfigLock lock(m_tree);
        const EscalationSettings& settings = m_settings.Get(m_tree);
        m_nextDue = kNever;
        // Steps may open windows and so add nothing here; entries are only
        // removed after the pass.
        for (size_t i = 0; i < m_entries.size(); ++i) {
            EscalationEntry& entry = m_entries[i];
            if (DueOf(entry, settings) <= nowMs && !Advance(entry, settings, nowMs)) {
                entry.stepsDone = -1;
                continue;
            }
            m_nextDue = std::min(m_nextDue, DueOf(entry, settings));
        }
        size_t before = m_entries.size();
        std::erase_if(m_entries, [](const EscalationEntry& entry) { return entry.stepsDone < 0; });
        m_dirty = m_dirty || m_entries.size() != before;
    }
    if (m_dirty)
        Save();
}

bool AlarmEscalation::Advance(EscalationEntry& entry, const EscalationSettings& settings,
                              int64_t nowMs)
{
    const std::vector<EscalationStep>& chain = settings.chains[static_cast<size_t>(entry.chain)];
    if (entry.stepsDone >= static_cast<int32_t>(chain.size()))
        return false;
    int number = m_database.FindByArrival(std::to_string(entry.arrival), entry.recordHint);
    AlarmRecord record;
    if (number < 0 || !m_database.Read(number, record) ||
        record.Field(AlarmField::Confirmed) == "1")
        return false;
    entry.recordHint = number;
    AlarmContext context = m_windows.ContextOfRecord(record);
    context.recorderName = FindRecorderName(m_tree, context.recorderAddress, 0).value_or("");
    while (entry.stepsDone < static_cast<int32_t>(chain.size()) &&
           DueOf(entry, settings) <= nowMs) {
        const EscalationStep& step = chain[static_cast<size_t>(entry.stepsDone)];
        ++entry.stepsDone;
        m_dirty = true;
        TakeStep(step, entry.stepsDone, entry.arrival, number, context, settings, nowMs);
    }
    return entry.stepsDone < static_cast<int32_t>(chain.size());
}

void AlarmEscalation::TakeStep(const EscalationStep& step, int stepNumber, int64_t arrival,
                               int recordNumber, const AlarmContext& context,
                               const EscalationSettings& settings, int64_t nowMs)
{
    std::string actions;
    auto did = [&actions](std::string_view what) {
        if (!actions.empty())
            actions += ',';
        actions += what;
    };
    if (!step.soundFile.empty()) {
        m_sound.PlayEscalated(step.soundFile);
        did("sound");
    }
    if (step.speaker != kNoSpeakerSignal) {
        PlaySpeakerSignal(m_beeper, step.speaker, step.speakerMs);
        did("speaker");
    }
    // The alarm's own settings with the step's recipient or program, so
    // that the placeholders and the mail server are those of every alarm.
    AlarmSettings base = context.settings.value_or(AlarmSettings());
    if (!step.mailTo.empty()) {
        AlarmContext mail = context;
        AlarmSettings& s = mail.settings.emplace(base);
        s.mailDoSendMail = 1;
        s.mailToAddress = step.mailTo;
        if (!settings.mailFrom.empty())
            s.mailFromAddress = settings.mailFrom;
        if (!settings.mailSubject.empty())
            s.mailSubject = settings.mailSubject;
        if (!settings.mailBody.empty())
            s.mailBody = settings.mailBody;
        m_actions.RunAlarmAction(ActionMode::Mail, mail, ActionCall::Automatic, Freshness::Old);
        did("mail:" + step.mailTo);
    }
    if (!step.programPath.empty()) {
        AlarmContext program = context;
        AlarmSettings& s = program.settings.emplace(base);
        s.programPath = step.programPath;
        s.programArgs = step.programArgs;
        s.programWorkDir.clear();
        m_actions.RunAlarmAction(ActionMode::Program, program, ActionCall::Automatic,
                                 Freshness::Old);
        did("program:" + step.programPath);
    }
    // Last, so that the window opened is the one in front.
    if (step.raise) {
        m_windows.RaiseAlarm(arrival, recordNumber);
        did("raise");
    }
    LogStep(arrival, stepNumber, nowMs, actions);
    if (m_stepListener)
        m_stepListener(arrival);
}

void AlarmEscalation::LogStep(int64_t arrival, int stepNumber, int64_t nowMs,
                              const std::string& actions)
{
    if (m_folder.empty())
        return;
    std::string line = std::to_string(arrival) + '\t' + std::to_string(stepNumber) + '\t' +
                       std::to_string(nowMs) + '\t' + actions + '\n';
    FileHandle file = FileHandle::OpenReadWrite((m_folder / kStepLogName).string());
    int64_t size = file.IsOpen() ? file.Size() : -1;
    if (size < 0 || !file.WriteAt(size, line.data(), line.size()))
        std::fprintf(stderr, "Wardex: a step could not be written to %s.\n", kStepLogName);
}
