#include "alarm/AlarmWindowManager.h"

#include "alarm/AlarmActions.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/AlarmSound.h"
#include "alarm/AlarmWindowViewFactory.h"
#include "alarm/LiveViewLink.h"
#include "alarm/PresentationWindow.h"
#include "alarm/ResponseLog.h"
#include "alarm/StationWindow.h"
#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "db/AlarmDatabase.h"
#include "db/ConfigPath.h"
#include "events/RecorderLookup.h"
#include "events/TextFormat.h"
#include "platform/Beeper.h"
#include "platform/Prompt.h"
#include "users/UserAccounts.h"

#include <algorithm>

namespace {

constexpr std::string_view kCaption = "Wardex";
// The beep for a list selection of an unknown recorder while a window is open.
constexpr int kUnknownRecorderToneHz = 100;
constexpr int kUnknownRecorderToneMs = 100;

Freshness FreshnessOf(int64_t arrival, int64_t nowMs)
{
    return nowMs - arrival <= AlarmWindowManager::kFreshMs ? Freshness::Fresh : Freshness::Old;
}

bool IsConfirmed(const AlarmRecord& record)
{
    return record.Field(AlarmField::Confirmed) == "1";
}

std::string_view TrimLeadingBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<std::string> CommentWithoutPhrase(std::string_view comment, std::string_view phrase)
{
    // Lower-casing keeps every byte in place, so positions in the lowered
    // texts are positions in the originals.
    std::string lowered = ToLowerName(comment);
    std::string loweredPhrase = ToLowerName(phrase);
    if (lowered.compare(0, loweredPhrase.size(), loweredPhrase) != 0)
        return std::nullopt;
    if (loweredPhrase.empty())
        return std::string(TrimLeadingBlanks(comment));
    std::string rest;
    size_t pos = 0;
    for (size_t found = lowered.find(loweredPhrase); found != std::string::npos;
         found = lowered.find(loweredPhrase, pos)) {
        rest.append(comment.substr(pos, found - pos));
        pos = found + loweredPhrase.size();
    }
    rest.append(comment.substr(pos));
    return std::string(TrimLeadingBlanks(rest));
}

AlarmWindowManager::AlarmWindowManager(ConfigTree& tree, AlarmDatabase& database, AlarmSound& sound,
                                       AlarmActions& actions, LiveViewLink& liveView,
                                       StationWindow& station, PresentationWindow& presentation,
                                       AlarmWindowViewFactory& views, Prompt& prompt,
                                       Beeper& beeper, Clock& clock)
    : m_tree(tree), m_database(database), m_sound(sound), m_actions(actions), m_liveView(liveView),
      m_station(station), m_presentation(presentation), m_views(views), m_prompt(prompt),
      m_beeper(beeper), m_clock(clock)
{
}

AlarmWindowManager::~AlarmWindowManager() = default;

int32_t AlarmWindowManager::SystemInt(std::string_view key) const
{
    ConfigNode* node = FindConfigNode(m_tree, {"Program", "Configuration", "System", key});
    return node == nullptr ? 0 : node->GetInt();
}

int32_t AlarmWindowManager::WindowStateInt(std::string_view key) const
{
    ConfigNode* node = FindConfigNode(m_tree, {"Runtime", "GUI", "DlgAlarmWindow", key});
    return node == nullptr ? -1 : node->GetInt();
}

void AlarmWindowManager::SetWindowStateInt(std::string_view key, int32_t value)
{
    if (ConfigNode* node = FindConfigNode(m_tree, {"Runtime", "GUI", "DlgAlarmWindow", key}))
        node->SetInt(value);
}

void AlarmWindowManager::StoreWindowPosition(WindowPoint position)
{
    ConfigLock lock(m_tree);
    SetWindowStateInt("iWinLastPosX", position.x);
    SetWindowStateInt("iWinLastPosY", position.y);
}

int AlarmWindowManager::OpenCount() const
{
    return static_cast<int>(std::count_if(m_windows.begin(), m_windows.end(),
                                          [](const auto& window) { return !window->IsClosed(); }));
}

std::vector<AlarmWindow*> AlarmWindowManager::OpenWindows() const
{
    std::vector<AlarmWindow*> open;
    for (const auto& window : m_windows) {
        if (!window->IsClosed())
            open.push_back(window.get());
    }
    return open;
}

AlarmWindow* AlarmWindowManager::OpenWindowShowing(int64_t arrival) const
{
    for (const auto& window : m_windows) {
        if (!window->IsClosed() && window->Arrival() == arrival)
            return window.get();
    }
    return nullptr;
}

bool AlarmWindowManager::IsShownInAlarmWindow(int64_t timeArrival) const
{
    return OpenWindowShowing(timeArrival) != nullptr;
}

int64_t AlarmWindowManager::ShownAlarmWithout(int64_t arrival) const
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (!(*it)->IsClosed() && (*it)->Arrival() != arrival)
            return (*it)->Arrival();
    }
    return 0;
}

void AlarmWindowManager::CollectClosed()
{
    std::erase_if(m_windows, [](const auto& window) { return window->IsClosed(); });
}

void AlarmWindowManager::OpenAlarmWindow(const AlarmContext& context, int recordNumber,
                                         PostProcessing postProcessing)
{
    CollectClosed();
    ConfigLock lock(m_tree);
    auto owned = std::make_unique<AlarmWindow>(*this, context, recordNumber, postProcessing);
    AlarmWindow& window = *owned;
    window.SetView(m_views.CreateAlarmWindowView(window));
    m_windows.push_back(std::move(owned));

    bool resizable = SystemInt("iSizeAlarmWnd") != 0;
    AlarmWindowContent content = ComposeAlarmWindow(context, postProcessing);
    content.resizable = resizable;
    AlarmWindowView& view = window.View();
    view.Show(content);
    m_liveView.SetShownAlarm(context.arrival);
    m_liveView.Notify(StationEvent::AlarmWindowOpened);
    if (m_responses != nullptr)
        m_responses->Shown(context.arrival, m_clock.NowMs());

    // The width first, so that the cascade sees the window's final size.
    int lastWidth = WindowStateInt("iWinLastSizeX");
    if (resizable && lastWidth >= 0)
        view.SetWidth(lastWidth);
    WindowPoint last{WindowStateInt("iWinLastPosX"), WindowStateInt("iWinLastPosY")};
    Pinning pinning = SystemInt("iPinAlarmWnd") != 0 ? Pinning::Pinned : Pinning::Cascade;
    WindowPoint position = PlaceAlarmWindow(last, pinning, view.Size(), view.DesktopWorkArea());
    StoreWindowPosition(position);
    view.MoveTo(position);

    m_actions.RunAlarmAction(ActionMode::LiveView, context, ActionCall::Window,
                             FreshnessOf(context.arrival, m_clock.NowMs()));
    bool program = context.settings && !context.settings->programPath.empty() &&
                   context.settings->programOnce == 0;
    if (program || postProcessing == PostProcessing::Yes)
        m_actions.RunAlarmAction(ActionMode::Program, context, ActionCall::Window,
                                 FreshnessOf(context.arrival, m_clock.NowMs()));
}

bool AlarmWindowManager::ConfirmAlarm(AlarmWindow& window)
{
    const AlarmContext& context = window.Context();
    std::string comment;
    if (context.settings && context.settings->requireComment == 1)
        comment = window.View().Comment();
    if (context.settings && context.settings->RequiresPhrase()) {
        std::optional<std::string> rest = CommentWithoutPhrase(comment, context.settings->phrase);
        if (!rest) {
            m_beeper.Beep(SystemBeep::Warning);
            window.View().ShowRefusal(
                Tr("Nicht bestaetigt: Die Bearbeitungsnotiz muss mit der vereinbarten Phrase "
                   "beginnen."));
            return false;
        }
        comment = std::move(*rest);
    }
    EndWindow(window, ConfirmKind::Confirm, comment);
    return true;
}

void AlarmWindowManager::PostponeAlarm(AlarmWindow& window)
{
    int64_t seconds = 0;
    {
        ConfigLock lock(m_tree);
        ConfigNode* node = Find(m_tree, kPostponeSeconds);
        seconds = node == nullptr ? 0 : std::max(0, node->GetInt());
    }
    if (seconds > 0)
        m_postponedUntil[window.Arrival()] = m_clock.NowMs() + seconds * 1000;
    EndWindow(window, ConfirmKind::Postpone, {});
}

bool AlarmWindowManager::IsPostponed(int64_t arrival, int64_t nowMs) const
{
    auto found = m_postponedUntil.find(arrival);
    return found != m_postponedUntil.end() && nowMs < found->second;
}

void AlarmWindowManager::EndWindow(AlarmWindow& window, ConfirmKind kind,
                                   const std::string& comment)
{
    ConfigLock lock(m_tree);
    int number = m_database.FindByArrival(std::to_string(window.Arrival()), window.RecordHint());
    AlarmRecord record;
    if (number < 0 || !m_database.Read(number, record)) {
        m_prompt.Show(Tr("Ein Fehler trat auf: Der zurueckzustellende Datensatz konnte nicht "
                         "gefunden werden!"),
                      kCaption, PromptIcon::Error, PromptButtons::Ok);
    } else {
        if (kind == ConfirmKind::Confirm)
            record.SetField(AlarmField::ConfirmComment, comment);
        ConfirmRecord(number, record, kind);
        if (m_database.IsFilterActive())
            m_database.ReevaluateRecord(number);
    }
    m_station.RefreshAlarmList();
    m_sound.UpdateAlarmSound(SoundSwitch::Off);
    m_sound.UpdateAlarmSound(SoundSwitch::On);
    if (m_presentation.Exists())
        m_presentation.Refresh();
    if (SystemInt("iSizeAlarmWnd") != 0 && window.ResizedWidth())
        SetWindowStateInt("iWinLastSizeX", *window.ResizedWidth());
    m_station.PostNextAlarmRequest();
    m_station.BringToFront();
    window.MarkClosed();
    window.View().Close();
    m_liveView.SetShownAlarm(ShownAlarmWithout(window.Arrival()));
}

bool AlarmWindowManager::ConfirmRecord(int recordNumber, AlarmRecord& record, ConfirmKind kind)
{
    ConfigLock lock(m_tree);
    std::string user = CurrentUserName(m_tree);
    int64_t now = m_clock.NowMs();
    ApplyConfirmation(record, kind, user, now);
    int64_t arrival = record.Number(AlarmField::TimeArrival);
    if (kind != ConfirmKind::Postpone)
        m_postponedUntil.erase(arrival);
    if (kind == ConfirmKind::Confirm && m_responses != nullptr)
        m_responses->Confirmed(arrival, now, user);
    bool written = m_database.Update(recordNumber, record);
    AnnounceConfirmed(record, kind);
    if (m_bulkRange != nullptr && written)
        m_bulkRange->Add(record.Number(AlarmField::TimeArrival));
    else if (m_audit != nullptr && written)
        m_audit->Record(kind == ConfirmKind::Postpone ? "alarm-postpone" : "alarm-confirm",
                        std::string(record.Field(AlarmField::Recorder)), AlarmDetails(record));
    return written;
}

void AlarmWindowManager::AnnounceConfirmed(const AlarmRecord& record, ConfirmKind kind)
{
    int64_t arrival = record.Number(AlarmField::TimeArrival);
    m_liveView.SetShownAlarm(ShownAlarmWithout(arrival));
    m_liveView.RemoveAlarm(arrival);
    m_liveView.Notify(kind == ConfirmKind::Postpone ? StationEvent::AlarmPostponed
                                                    : StationEvent::AlarmConfirmed);
}

AlarmContext AlarmWindowManager::ContextOfRecord(const AlarmRecord& record) const
{
    AlarmContext context;
    context.arrival = record.Number(AlarmField::TimeArrival);
    context.departure = record.Number(AlarmField::TimeDeparture);
    context.alarmType = record.Int(AlarmField::AlarmType);
    context.recorderAddress = std::string(record.Field(AlarmField::Recorder));
    context.addInfo = std::string(record.Field(AlarmField::AddInfo));
    context.camera = record.Int(AlarmField::CameraID);
    context.track = record.Int(AlarmField::TrackID);
    context.settings =
        LookupAlarmSettings(m_tree, context.alarmType, context.camera, context.recorderAddress);
    return context;
}

void AlarmWindowManager::NextAlarmWindow()
{
    if (AnyOpen())
        return;
    if (m_presentation.IsActive()) {
        m_presentation.ChooseNextAlarm();
        return;
    }
    ConfigLock lock(m_tree);
    // The first unconfirmed alarm of priority 0 from a known recorder; both
    // depend on recorder, type and camera only, so each combination is
    // looked up once however many records share it. Only a postponed alarm
    // costs a read of its record.
    int64_t now = m_clock.NowMs();
    AwaitingIndex::Accepted notPostponed;
    if (!m_postponedUntil.empty())
        notPostponed = [this, now](int number) {
            AlarmRecord record;
            return !m_database.Read(number, record) ||
                   !IsPostponed(record.Number(AlarmField::TimeArrival), now);
        };
    int number = m_database.FirstUnconfirmed(
        [this](const std::string& recorder, int32_t alarmType, int32_t cameraId) {
            if (!FindRecorderName(m_tree, recorder, 0))
                return false;
            std::optional<AlarmSettings> settings =
                LookupAlarmSettings(m_tree, alarmType, cameraId, recorder);
            return settings && settings->priority == 0;
        },
        notPostponed);
    if (number >= 0)
        OpenSelectedAlarm(number);
}

void AlarmWindowManager::OpenSelectedAlarm(int recordNumber)
{
    ConfigLock lock(m_tree);
    AlarmRecord record;
    if (!m_database.Read(recordNumber, record))
        return;
    AlarmContext context = ContextOfRecord(record);
    std::optional<std::string> name = FindRecorderName(m_tree, context.recorderAddress, 0);
    if (!name) {
        if (AnyOpen()) {
            m_beeper.Tone(kUnknownRecorderToneHz, kUnknownRecorderToneMs);
            return;
        }
        // In three parts: as one text it would not fit a line of a language
        // file.
        m_prompt.Show(Tr("Der angewaehlte Rekorder ist Wardex unbekannt.") + "\n\n" +
                          Tr("Um Alarme dieses Rekorders auf Kavex aufschalten zu koennen, ") +
                          "\n" +
                          Tr("muessen Sie diesen Rekorder im Konfigurations-Dialog in die\n"
                             "Liste der bekannten Rekorder eintragen!"),
                      kCaption, PromptIcon::Warning, PromptButtons::Ok);
        return;
    }
    context.recorderName = *name;
    Freshness freshness = FreshnessOf(context.arrival, m_clock.NowMs());
    if (IsConfirmed(record)) {
        bool requested =
            m_actions.RunAlarmAction(ActionMode::LiveView, context, ActionCall::Window, freshness);
        if (!requested && context.camera >= 0)
            m_liveView.ShowLive(context.recorderAddress, context.camera,
                                static_cast<uint8_t>(freshness), LiveViewLink::kNoIndex);
        return;
    }
    if (AlarmWindow* same = OpenWindowShowing(context.arrival)) {
        same->View().Raise();
        return;
    }
    for (AlarmWindow* other : OpenWindows())
        PostponeAlarm(*other);
    OpenAlarmWindow(context, recordNumber, PostProcessing::Yes);
}

BulkConfirmation AlarmWindowManager::ConfirmSelectedAlarms(std::span<const int> recordNumbers)
{
    BulkConfirmation result;
    if (recordNumbers.empty())
        return result;
    int selected = static_cast<int>(recordNumbers.size());
    if (selected > 1 &&
        m_prompt.Show(FormatTr(TrNoop("Die %d ausgewaehlten Alarme bestaetigen?"), selected),
                      kCaption, PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return result;
    ConfigLock lock(m_tree);
    AlarmRange range;
    m_bulkRange = &range;
    for (int number : recordNumbers) {
        AlarmRecord record;
        bool handled = false;
        if (m_database.Read(number, record) &&
            !IsShownInAlarmWindow(record.Number(AlarmField::TimeArrival))) {
            if (IsConfirmed(record)) {
                handled = true;
            } else {
                std::string recorder(record.Field(AlarmField::Recorder));
                std::optional<AlarmSettings> settings =
                    LookupAlarmSettings(m_tree, record.Int(AlarmField::AlarmType),
                                        record.Int(AlarmField::CameraID), recorder);
                bool known = FindRecorderName(m_tree, recorder, 0).has_value();
                if (known && !(settings && settings->RequiresPhrase()))
                    handled = ConfirmRecord(number, record, ConfirmKind::Confirm);
                if (handled && m_database.IsFilterActive())
                    m_database.ReevaluateRecord(number);
            }
        }
        if (!handled) {
            ++result.failed;
            continue;
        }
        ++result.done;
        if (result.firstHandled < 0)
            result.firstHandled = number;
    }
    m_bulkRange = nullptr;
    if (m_audit != nullptr && range.Count() > 0)
        m_audit->Record("alarms-confirm", "", range.Details());
    m_station.RefreshAlarmList();
    if (result.failed == 1) {
        std::string text = Tr("Alarm konnte nicht bestaetigt werden");
        m_prompt.Show(selected > 1 ? "1 " + text : text, kCaption, PromptIcon::Warning,
                      PromptButtons::Ok);
    } else if (result.failed > 1) {
        m_prompt.Show(FormatTr(TrNoop("%d Alarme konnten nicht bestaetigt werden"), result.failed),
                      kCaption, PromptIcon::Warning, PromptButtons::Ok);
    }
    m_sound.UpdateAlarmSound(SoundSwitch::On);
    return result;
}

void AlarmWindowManager::RaiseAlarm(int64_t arrival, int recordNumber)
{
    if (AlarmWindow* window = OpenWindowShowing(arrival)) {
        window->View().Unhide();
        window->View().Restore();
        window->View().Raise();
    } else if (!AnyOpen()) {
        OpenSelectedAlarm(recordNumber);
    }
    m_station.BringToFront();
}

void AlarmWindowManager::Tick()
{
    CollectClosed();
    // An alarm whose postpone time ran out is offered again.
    if (!m_postponedUntil.empty()) {
        int64_t now = m_clock.NowMs();
        size_t before = m_postponedUntil.size();
        std::erase_if(m_postponedUntil, [now](const auto& held) { return held.second <= now; });
        if (m_postponedUntil.size() != before)
            m_station.PostNextAlarmRequest();
    }
    bool select = m_presentation.IsActive();
    for (AlarmWindow* window : OpenWindows()) {
        window->Tick();
        if (select)
            m_presentation.SelectAlarm(window->Arrival());
    }
}

void AlarmWindowManager::MinimiseAll()
{
    for (AlarmWindow* window : OpenWindows())
        window->View().Minimise();
}

void AlarmWindowManager::RestoreAll()
{
    for (AlarmWindow* window : OpenWindows())
        window->View().Restore();
}

void AlarmWindowManager::HideAll()
{
    for (AlarmWindow* window : OpenWindows())
        window->View().Hide();
}

void AlarmWindowManager::ShowAll()
{
    for (AlarmWindow* window : OpenWindows())
        window->View().Unhide();
}
