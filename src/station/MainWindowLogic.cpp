#include "station/MainWindowLogic.h"

#include "alarm/AlarmHandling.h"
#include "alarm/AlarmSettingsLookup.h"
#include "alarm/BarDiagram.h"
#include "alarm/RecordConfirmation.h"
#include "alarm/SharedLiveViewLink.h"
#include "alarm/SmtpMailSender.h"
#include "alarm/TrendView.h"
#include "audit/AuditTrail.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "db/AlarmDatabase.h"
#include "db/DatabaseMaintenance.h"
#include "events/RecorderStateBoard.h"
#include "events/RecorderSupervision.h"
#include "events/TextFormat.h"
#include "filters/AlarmSettingsSource.h"
#include "filters/SettingsSortKeys.h"
#include "links/AlarmTable.h"
#include "links/CommandMailbox.h"
#include "links/LiveViewMessages.h"
#include "links/ViewerRequestQueue.h"
#include "links/WindowMessageReceiver.h"
#include "net/StationPump.h"
#include "net/TcpSocket.h"
#include "platform/Beeper.h"
#include "platform/FileTimes.h"
#include "platform/Prompt.h"
#include "platform/SharedAccess.h"
#include "platform/ShellLauncher.h"
#include "platform/WindowMessages.h"
#include "station/ConfigurationUpgrade.h"
#include "station/Station.h"
#include "station/StationDesktop.h"
#include "users/UserSession.h"

#include <algorithm>
#include <cstdio>
#include <utility>

std::string SharedMemoryNotice(const std::string& refusedObject)
{
    // Two texts: as one, its line in a language file would pass the limit.
    std::string cause =
        refusedObject.empty()
            ? Tr("Die Versionen der Programme die auf das shared memory\nzugreifen stimmen "
                 "nicht überein!")
            : FormatTr(TrNoop("Der Zugriff auf das shared memory \"%s\"\nwurde verweigert!"),
                       refusedObject);
    return cause + "\n" +
           Tr("Sie können das Programm weiter betreiben, aber es kann\nnicht mit den "
              "anderen Softwaren nicht kommunizieren.");
}

// The sort keys of the alarm list look the settings up as dispatch does.
class MainWindowLogic::SettingsForSortKeys final : public AlarmSettingsSource {
public:
    explicit SettingsForSortKeys(ConfigTree& tree) : m_tree(tree) {}

    const ConfigNode* FindAlarmSettings(int32_t alarmType, int32_t cameraId,
                                        std::string_view recorder) override
    {
        return ::FindAlarmSettings(m_tree, alarmType, cameraId, recorder);
    }

private:
    ConfigTree& m_tree;
};

MainWindowLogic::MainWindowLogic(Station& station, MainWindowView& view, UserSession& users)
    : m_station(station), m_view(view), m_users(users)
{
    ConfigTree& tree = station.Tree();
    AlarmDatabase& database = *station.Database();
    StationDesktop& desktop = station.Desktop();

    m_maintenance = std::make_unique<DatabaseMaintenance>(database, tree, station.StationClock(),
                                                          station.ProgramFolder(),
                                                          SystemFileTimes(), desktop.Busy());
    m_settingsSource = std::make_unique<SettingsForSortKeys>(tree);
    m_sortKeys = std::make_unique<SettingsSortKeys>(tree, *m_settingsSource);
    database.SetSortKeySource(m_sortKeys.get());

    std::string prefix = station.Options().Value("shmprefix").value_or("");
    m_alarmTable = std::make_unique<AlarmTable>(prefix);
    m_requests = std::make_unique<ViewerRequestQueue>(prefix);
    m_mailbox = std::make_unique<CommandMailbox>(prefix);
    m_liveView = std::make_unique<SharedLiveViewLink>(*m_alarmTable, *m_requests, *m_mailbox);
    m_mail = std::make_unique<SmtpMailSender>(
        *station.Pump(), station.StationClock(),
        MailQueue(station.ProgramFolder() / MailQueue::kFileName),
        station.Options().IntValue("mailretry", static_cast<int>(SmtpMailSender::kFirstRetryMs)));
    m_presentation = std::make_unique<PresentationWindowLogic>(
        tree, database,
        [this](PresentationWindowLogic& logic) { return m_view.CreatePresentationView(logic); });

    m_alarms = std::make_unique<AlarmHandling>(AlarmHandlingParts{
        tree, database, *station.Intake(), station.StationClock(), *m_liveView, *m_mail,
        SystemShellLauncher(), desktop.Sound(), desktop.Speaker(), desktop.Messages(), *this,
        *m_presentation, view.AlarmWindowViews(), NoTrendView(), NoBarDiagram(),
        station.ProgramFolder().string(), station.ProgramFolder().string()});
    m_presentation->SetAlarmWindows(&m_alarms->Windows());
    m_alarms->Windows().SetAudit(station.Audit());
    m_maintenance->SetAudit(station.Audit());
    m_presentation->SetModeHandlers(
        {[this] {
             RecordPresentationMode("on");
             m_view.PresentationEntered();
         },
         // Left from the loop: the window is still inside its close handler.
         [this] {
             Post([this] {
                 if (m_presentation->Exists())
                     LeavePresentationMode();
             });
         }});
    m_maintenance->SetOpenAlarmWindows(&m_alarms->Windows());
    // Questions answered before the index was complete are asked again.
    database.BuildIndexInSlices([this](bool groupsAsked, bool unconfirmedAsked) {
        if (groupsAsked)
            Post([this] { m_alarms->Sound().UpdateAlarmSound(SoundSwitch::On); });
        if (unconfirmedAsked)
            PostNextAlarmRequest();
    });
}

MainWindowLogic::~MainWindowLogic()
{
    if (m_messages != nullptr && m_station.Pump() != nullptr)
        m_station.Pump()->Unregister(m_messages.get());
    m_requests->Unregister();
    // Alarm handling stops observing the database before the parts it
    // uses go away.
    m_alarms.reset();
    if (AlarmDatabase* database = m_station.Database()) {
        database->SetSortKeySource(nullptr);
        database->BuildIndexInSlices(nullptr);
    }
}

AlarmWindowManager& MainWindowLogic::AlarmWindows()
{
    return m_alarms->Windows();
}

void MainWindowLogic::Initialise()
{
    UpgradeConfiguration(m_station.Tree(), VersionNumber(ProductVersion()));
    m_maintenance->ScheduleFirstBackup();

    uint32_t window = OwnWindowHandle();
    m_messages = std::make_unique<WindowMessageReceiver>(
        [this](const WindowMessage& message) { OnWindowMessage(message); });
    m_messages->SetAutoDelete(AutoDelete::No);
    if (m_messages->Open(window))
        m_station.Pump()->Register(m_messages.get());
    bool tableOk = m_alarmTable->Attach();
    bool requestsOk = m_requests->Register(window);
    bool mailboxOk = m_mailbox->Open();
    // The notices of the initialisation come from the loop, once the window
    // is on the screen and the port is served, in their order.
    if (!tableOk || !requestsOk || !mailboxOk)
        Post([this, refused = TakeRefusedSharedObject()] {
            m_station.Desktop().Messages().Show(SharedMemoryNotice(refused), Tr("Fehler"),
                                                PromptIcon::Error, PromptButtons::Ok);
        });

    const CommandLine& options = m_station.Options();
    if (options.WantsPresentationMode())
        EnterPresentationMode(true);
    else if (options.Has("present"))
        EnterPresentationMode(false);
    Post([this] { CheckMailConfiguration(); });
    // A database of fewer records than a slice is indexed before the check.
    PostIndexSlice();
    PostPendingAlarmCheck();
}

void MainWindowLogic::PostIndexSlice()
{
    // A few milliseconds of reading per round.
    constexpr int kSliceRecords = 16'384;
    Post([this] {
        if (!m_station.Database()->BuildIndexSlice(kSliceRecords))
            PostIndexSlice();
    });
}

void MainWindowLogic::ConfigurationAccepted()
{
    SettingsApplied();
    {
        ConfigTree& tree = m_station.Tree();
        ConfigLock lock(tree);
        m_mail->UseServer(Get(tree, kMailServer), Get(tree, kMailDoAuth) == 1,
                          Get(tree, kMailAuthUser), Get(tree, kMailAuthPassword));
    }
    CheckMailConfiguration();
    PostPendingAlarmCheck();
}

void MainWindowLogic::SettingsApplied()
{
    if (!m_station.SaveConfiguration())
        std::fprintf(stderr, "Wardex: the configuration could not be saved.\n");
}

void MainWindowLogic::CheckMailConfiguration()
{
    ConfigTree& tree = m_station.Tree();
    ConfigLock lock(tree);
    if (!Get(tree, kMailServer).empty())
        return;
    ConfigNode* recorders = Find(tree, kRecorderList);
    for (int r = 0; r < recorders->ChildCount(); ++r) {
        ConfigNode* settings = Find(*recorders->ChildAt(r), kRecorderAlarmSettings);
        for (int e = 0; e < settings->ChildCount(); ++e) {
            if (Get(*settings->ChildAt(e), kSettingSendMail) != 1)
                continue;
            m_station.Desktop().Messages().Show(
                Tr("E-Mail Benachrichtigung nicht moeglich, bitte konfigurieren Sie den SMTP "
                   "Server!"),
                Tr("Hinweis"), PromptIcon::Information, PromptButtons::Ok);
            return;
        }
    }
}

void MainWindowLogic::Tick()
{
    m_frontThisTick = false;
    if (std::exchange(m_frontDue, false))
        BringToFront();
    if (++m_ticksSinceLayoutSave >= kLayoutSaveTicks) {
        m_ticksSinceLayoutSave = 0;
        if (m_view.StoreWindowLayout())
            SettingsApplied();
    }
    if (++m_tick >= kTicksPerCycle) {
        m_tick = 0;
        if (AuditTrail* audit = m_station.Audit())
            audit->Tick();
        UpdateOldestUnconfirmed();
        return;
    }
    m_alarms->Windows().Tick();
    m_alarms->Tick(m_station.StationClock().NowMs());
    m_mail->Tick(m_station.StationClock().NowMs());
    SystemShellLauncher().Reap();
    m_liveView->RetryPending();
    DebouncePresentation();
    {
        ConfigLock lock(m_station.Tree());
        m_station.Supervision()->CheckRecorderSignals(m_station.StationClock().NowMs());
    }
    if (++m_ticksSinceRecorderStates >= kRecorderStateTicks) {
        m_ticksSinceRecorderStates = 0;
        if (m_station.UpdateRecorderStates(m_station.StationClock().NowMs()))
            m_view.RecorderStatesChanged();
    }
    m_maintenance->RunBackupIfDue();
    if (m_maintenance->RunAgeLimitIfDue() > 0)
        RefreshAlarmList();
    ApplyCountLimitIfDue();
    UpdateHousekeepingNotice();
}

void MainWindowLogic::UpdateHousekeepingNotice()
{
    std::string text;
    if (int64_t kept = m_maintenance->KeptOverCountLimit(); kept > 0)
        text =
            FormatTr(TrNoop("%d unquittierte Alarme ueber der Hoechstzahl werden behalten"), kept);
    else if (int64_t old = m_maintenance->KeptOverAgeLimit(); old > 0)
        text =
            FormatTr(TrNoop("%d unquittierte Alarme ueber dem Hoechstalter werden behalten"), old);
    if (AuditTrail* audit = m_station.Audit(); audit != nullptr && audit->Failing())
        text = Tr("Das Protokoll (Audit.log) kann nicht geschrieben werden") +
               (text.empty() ? std::string() : "; " + text);
    if (text == m_housekeepingNotice)
        return;
    m_housekeepingNotice = text;
    m_view.ShowHousekeepingNotice(text);
}

void MainWindowLogic::UpdateOldestUnconfirmed()
{
    AlarmDatabase* database = m_station.Database();
    std::string text;
    AlarmRecord record;
    // Record numbers follow the order of arrival, so the first is the oldest.
    if (database != nullptr && !database->UnconfirmedRecords().empty() &&
        database->Read(database->UnconfirmedRecords().front(), record)) {
        int64_t seconds = std::max<int64_t>(
            0, (m_station.StationClock().NowMs() - record.Number(AlarmField::TimeArrival)) / 1000);
        char age[32];
        std::snprintf(age, sizeof age, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60),
                      static_cast<long long>(seconds % 60));
        text = FormatTr(TrNoop("Aeltester unbestaetigter Alarm wartet seit %s"), age);
    }
    m_view.ShowOldestUnconfirmed(text);
}

std::string MainWindowLogic::MailQueueStatus() const
{
    int64_t now = m_station.StationClock().NowMs();
    return MailQueueText(m_mail->State(now), now);
}

bool MainWindowLogic::MailQueueEmpty() const
{
    return m_mail->Queue().Mails().empty();
}

void MainWindowLogic::ApplyCountLimitIfDue()
{
    if (++m_ticksSinceCountLimit < kTicksPerCycle || !m_countLimitDue)
        return;
    m_countLimitDue = false;
    m_ticksSinceCountLimit = 0;
    int deleted = 0;
    {
        ConfigLock lock(m_station.Tree());
        deleted = m_maintenance->PruneAlarms(PruneBy::Count);
    }
    if (deleted > 0)
        m_view.RefreshAlarmList();
}

void MainWindowLogic::DebouncePresentation()
{
    if (!m_presentation->Exists() || !m_presentation->RefreshPending()) {
        m_quietSinceMs = 0;
        return;
    }
    for (const TcpSocket* socket : m_station.Pump()->Sockets()) {
        if (socket->BytesAvailable() > 0) {
            m_quietSinceMs = 0;
            return;
        }
    }
    int64_t now = m_station.StationClock().NowMs();
    if (m_quietSinceMs == 0) {
        m_quietSinceMs = now;
        return;
    }
    if (now - m_quietSinceMs > kQuietMs) {
        m_presentation->Refresh();
        m_quietSinceMs = 0;
    }
}

bool MainWindowLogic::RequestExit()
{
    if (m_alarms->Windows().AnyOpen()) {
        m_station.Desktop().Speaker().Beep(SystemBeep::Information);
        return false;
    }
    int64_t unconfirmed = 0;
    if (AlarmDatabase* database = m_station.Database())
        unconfirmed = static_cast<int64_t>(database->UnconfirmedRecords().size());
    if (m_users.ConfirmExit(m_busy, unconfirmed) != ExitAnswer::Exit)
        return false;
    m_liveView->Notify(StationEvent::StationEnding);
    m_station.RequestQuit();
    return true;
}

bool MainWindowLogic::RefusedWhileAlarmOpen()
{
    if (!m_alarms->Windows().AnyOpen())
        return false;
    m_station.Desktop().Messages().Show(
        Tr("Operation waehrend der Bearbeitung eines Alarms nicht moeglich.\nBitte schliessen Sie "
           "vorher das Alarmfenster!"),
        Tr("Wardex"), PromptIcon::Warning, PromptButtons::Ok);
    return true;
}

void MainWindowLogic::EnterPresentationMode(bool returnToNormalWhenEmpty)
{
    m_presentation->Enter(returnToNormalWhenEmpty);
    PostNextAlarmRequest();
}

void MainWindowLogic::LeavePresentationMode()
{
    RecordPresentationMode("off");
    m_presentation->Leave();
    m_view.RestoreMainWindow();
}

void MainWindowLogic::RecordPresentationMode(const char* state)
{
    if (AuditTrail* audit = m_station.Audit())
        audit->Record("mode-presentation", state,
                      {{"alarm stack", m_presentation->StackMode() ? "yes" : "no"}});
}

void MainWindowLogic::Post(std::function<void()> message)
{
    m_posted.push_back(std::move(message));
}

void MainWindowLogic::RunPosted()
{
    // Messages posted while these run wait for the next round.
    for (size_t n = m_posted.size(); n > 0 && !m_posted.empty(); --n) {
        std::function<void()> message = std::move(m_posted.front());
        m_posted.pop_front();
        message();
    }
}

void MainWindowLogic::PostPendingAlarmCheck()
{
    Post([this] { PendingAlarmCheck(); });
}

void MainWindowLogic::PendingAlarmCheck()
{
    AlarmWindowManager& windows = m_alarms->Windows();
    if (windows.AnyOpen())
        return;
    if (m_presentation->Exists() && m_presentation->StackMode()) {
        if (m_presentation->Empty()) {
            if (m_presentation->ReturnsToNormalWhenEmpty())
                LeavePresentationMode();
            return;
        }
        AlarmDatabase& database = *m_station.Database();
        if (m_presentation->FirstPriority() <= 1 && database.ViewCount() > 0)
            windows.OpenSelectedAlarm(database.ViewRecord(0));
        return;
    }
    windows.NextAlarmWindow();
}

void MainWindowLogic::RefreshAlarmList()
{
    m_countLimitDue = true;
    // The presentation window's own list follows, once the sockets are quiet.
    if (m_presentation->Exists())
        m_presentation->RequestRefresh();
    m_view.RefreshAlarmList();
}

void MainWindowLogic::MarkViewedRecords()
{
    {
        ConfigLock lock(m_station.Tree());
        int marked = ::MarkViewedRecords(*m_station.Database());
        if (AuditTrail* audit = m_station.Audit(); audit != nullptr && marked > 0)
            audit->Record("alarms-mark-viewed", "", {{"count", std::to_string(marked)}});
    }
    // Marked alarms no longer wait for an operator: the looping sound
    // follows the most urgent one that still does.
    m_alarms->Sound().UpdateAlarmSound(SoundSwitch::Off);
    m_alarms->Sound().UpdateAlarmSound(SoundSwitch::On);
    m_view.RefreshAlarmList();
}

void MainWindowLogic::BringToFront()
{
    // Raising and activating the window asks the window system each time;
    // a burst of alarms needs it once, and a steady stream once per tick.
    if (m_frontPosted)
        return;
    if (m_frontThisTick) {
        m_frontDue = true;
        return;
    }
    m_frontThisTick = true;
    m_frontPosted = true;
    Post([this] {
        m_frontPosted = false;
        m_view.BringToFront();
    });
}

void MainWindowLogic::PostNextAlarmRequest()
{
    Post([this] { m_alarms->Windows().NextAlarmWindow(); });
}

void MainWindowLogic::OnWindowMessage(const WindowMessage& message)
{
    if (message.name == kViewerNotificationMessage) {
        m_view.BringToFront();
        return;
    }
    if (message.name == kStationCommandMessage) {
        m_mailbox->ProcessCommands([this] {
            int record = m_view.SelectedAlarmRecord();
            if (record >= 0)
                m_alarms->Windows().OpenSelectedAlarm(record);
        });
    }
}
