#include "station/Station.h"

#include "alarm/AlarmAudit.h"
#include "alarm/AlarmIntake.h"
#include "alarm/AlarmSettingsLookup.h"
#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "config/Timestamp.h"
#include "config/Translator.h"
#include "config/Version.h"
#include "db/AlarmDatabase.h"
#include "events/AlarmDefaults.h"
#include "events/EventDecoder.h"
#include "events/RecorderLookup.h"
#include "events/RecorderStateBoard.h"
#include "events/RecorderSupervision.h"
#include "events/TextFormat.h"
#include "links/ForwardingManager.h"
#include "net/DescriptorLimit.h"
#include "net/ForwardingClient.h"
#include "net/RecorderListener.h"
#include "net/SessionHub.h"
#include "net/StationPump.h"
#include "platform/Profile.h"
#include "platform/Prompt.h"
#include "platform/ServiceNotifier.h"
#include "platform/SharedAccess.h"
#include "platform/StopSignals.h"
#include "platform/SystemLog.h"
#include "station/ConfigurationUpgrade.h"
#include "station/PrivateFiles.h"
#include "station/RecorderStateLog.h"
#include "station/ServiceStatus.h"
#include "station/StationDesktop.h"
#include "station/StationFolders.h"
#include "station/StationMetrics.h"
#include "users/UserAccounts.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

namespace {

constexpr const char* kTreeImage = "programdata.bin";
constexpr const char* kDatabaseFile = "AlarmDB.txt";
constexpr int kFirstSubId = 41;

} // namespace

Station::Station(const CommandLine& options, StationDesktop& desktop, ConfigTree& tree,
                 ClockSource& clockSource)
    : m_options(options), m_desktop(desktop), m_tree(tree), m_clock(clockSource)
{
    StationFolders folders = ChooseStationFolders(CurrentFolderSources(options));
    m_folder = folders.data;
    m_languages = folders.languages;
    m_port = options.IntValue("port", kDefaultPort);
}

Station::~Station()
{
    // What hooks into the pump goes before it.
    if (m_intake != nullptr)
        m_intake->SetCounts(nullptr);
    m_metrics.reset();
    m_service.reset();
    // The pump first: it deletes the sockets, which hand telegrams to the
    // decoder; then the database.
    m_pump.reset();
    m_supervision.reset();
    m_decoder.reset();
    if (m_intake != nullptr && m_supervisionAudit != nullptr)
        m_intake->RemoveListener(m_supervisionAudit.get());
    m_database.reset();
}

int Station::KeepAliveMinutes() const
{
    return m_options.IntValue("keepalive", kDefaultKeepAliveMinutes);
}

StationExit Station::Run()
{
    InstallStopSignals();
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error || !std::filesystem::is_directory(m_folder)) {
        std::fprintf(stderr, "Wardex: the program folder %s cannot be created: %s\n",
                     m_folder.c_str(), error ? error.message().c_str() : "not a folder");
        return StationExit::FolderFailed;
    }
    bool resetAdmin = m_options.Has("resetadmin");
    if (!m_lock.TryAcquire(m_folder, ExecutableName())) {
        if (m_lock.HeldElsewhere() && resetAdmin) {
            // The running station would write its own accounts over ours at its end.
            std::fprintf(stderr,
                         "Wardex: the station in %s is running; end it, then repeat "
                         "/resetadmin.\n",
                         m_folder.c_str());
            return StationExit::ResetRefused;
        }
        if (m_lock.HeldElsewhere())
            return StationExit::AlreadyRunning;
        std::fprintf(stderr, "Wardex: the program folder %s cannot be written.\n",
                     m_folder.c_str());
        return StationExit::FolderFailed;
    }
    std::filesystem::current_path(m_folder, error);
    TightenPrivateFiles(m_folder);
    if (std::optional<std::string> group = m_options.Value("shmgroup");
        group && !SetSharedGroup(*group))
        std::printf("Group \"%s\" not found; shared memory stays private.\n", group->c_str());

    if (!LoadConfiguration())
        return StationExit::InitFailed;
    OpenAuditTrail();
    if (resetAdmin) {
        StationExit exit = ResetAdministratorAndEnd();
        EndAuditTrail();
        return exit;
    }

    m_desktop.ShowStartupProgress(0);
    if (!OpenDatabase()) {
        m_desktop.ShowStartupProgress(100);
        EndAuditTrail();
        return StationExit::DatabaseFailed;
    }
    m_desktop.ShowStartupProgress(50);

    m_intake = std::make_unique<AlarmIntake>(m_tree, m_clock);
    m_intake->SetStore(m_database.get());
    m_supervisionAudit = std::make_unique<SupervisionAudit>(*m_audit);
    m_intake->AddListener(m_supervisionAudit.get());
    m_decoder = std::make_unique<EventDecoder>(m_tree, m_clock, *m_intake);
    m_supervision = std::make_unique<RecorderSupervision>(m_tree, m_decoder->Arrivals(), *m_intake,
                                                          KeepAliveMinutes());
    m_recorderStates = std::make_unique<RecorderStateBoard>(m_tree, KeepAliveMinutes());
    m_stateLog = std::make_unique<RecorderStateLog>(FileInFolder(RecorderStateLog::kFileName));
    m_stateLog->Open(m_clock.NowMs());
    m_recorderStates->SetListener(m_stateLog.get());
    m_pump = std::make_unique<StationPump>([this] {
        m_desktop.DrainEvents();
        if (StopSignalReceived())
            RequestQuit();
    });
    m_sessions = std::make_unique<SessionHub>(*m_pump);
    if (m_quitRequested)
        m_pump->RequestQuit();
    // Durable before an ACKN or a cleared forwarding journal counts a record
    // as stored: one sync per round, not per record.
    if (m_options.Has("sync"))
        m_pump->SetStoreSync([this] { SyncDatabase(); });
    GuardConnections();
    StartListening();
    StartMonitoring();
    m_desktop.ShowStartupProgress(100);

    m_desktop.CreateMainWindow(*this);
    m_mainWindowCreated = true;
    // What a killed relay still owed: a relay started again forwards it (its
    // forwarding window queued it first), any other start stores it here.
    if (!m_options.ForwardHost())
        ForwardingManager::StoreLeftoversLocally(m_folder, *m_pump, m_clock, *m_decoder);
    if (!m_startupNotice.empty() && !m_quitRequested)
        m_desktop.Messages().Show(std::exchange(m_startupNotice, {}), "Wardex", PromptIcon::Warning,
                                  PromptButtons::Ok);
    if (m_firstStart && !m_quitRequested)
        ShowFirstStartNotice();
    m_pump->Run(PumpLoop::UntilStopped, PumpWait::Interval);
    m_desktop.LoopEnded();

    Shutdown();
    return StationExit::Normal;
}

bool Station::LoadConfiguration()
{
    if (!m_tree.LoadDefaults(DefaultScript(), m_desktop.Messages())) {
        m_desktop.Messages().Show(Tr("Programminit schlug fehl!"), Tr("Fehler!"), PromptIcon::Error,
                                  PromptButtons::Ok);
        return false;
    }
    ConfigNode* language = Find(m_tree, kLanguage);
    ConfigNode* nextLanguage = Find(m_tree, kLanguageForNextStart);

    if (m_tree.LoadImage(FileInFolder(kTreeImage).string())) {
        if (nextLanguage->GetString() != language->GetString())
            language->SetString(nextLanguage->GetString());
        LoadTranslation();
        RebuildAlarmDefaults(m_tree);
        CompleteRecorderSettings(m_tree);
    } else {
        Set(m_tree, kNextSubId, kFirstSubId);
        std::string chosen = ChooseFirstStartLanguage(m_desktop.InterfaceLanguage(), m_languages);
        language->SetString(chosen);
        nextLanguage->SetString(chosen);
        LoadTranslation();
        // New stations confirm test messages on their own; stored ones keep
        // what they had.
        Set(m_tree, kQuietTestMessages, 1);
        RebuildAlarmDefaults(m_tree);
        CreateBuiltInAccount(m_tree);
        m_firstStart = true;
    }
    MarkDefaultLoggedIn(m_tree);
    return true;
}

StationExit Station::ResetAdministratorAndEnd()
{
    if (!ResetAdministrator(m_tree) || !SaveConfiguration()) {
        std::fprintf(stderr, "Wardex: the administrator account in %s could not be reset.\n",
                     m_folder.c_str());
        return StationExit::ResetRefused;
    }
    m_audit->Record("admin-reset", std::string(kAdministratorName));
    std::printf("Wardex: \"%s\" in %s has the built-in password and every right again. "
                "Log in with it and change the password.\n",
                std::string(kAdministratorName).c_str(), m_folder.c_str());
    return StationExit::AdminReset;
}

void Station::ShowFirstStartNotice()
{
    // Nobody reads the built-in password anywhere else in the program; without
    // it a station whose default user is limited cannot be configured or ended.
    std::string text =
        Tr("Wardex wurde zum ersten Mal gestartet.") + "\n\n" +
        FormatTr(TrNoop("Das Konto \"%s\" hat alle Rechte und das Passwort \"%s\"."),
                 kAdministratorName, kBuiltInPassword) +
        "\n" + Tr("Bitte melden Sie sich an und aendern Sie das Passwort auf der Seite Benutzer.") +
        "\n\n" + Tr("Ein vergessenes Passwort setzt \"wardex /resetadmin\" zurueck.");
    m_desktop.Messages().Show(text, Tr("Hinweis"), PromptIcon::Information, PromptButtons::Ok);
}

void Station::LoadTranslation()
{
    const std::filesystem::path& languages = m_languages;
    std::string language = Get(m_tree, kLanguage);
    Translator& translator = Translator::Global();
    // A missing file leaves the texts German; the station starts anyway.
    if (!translator.LoadLanguage(LanguageFile(languages, language), languages / "English.txt"))
        m_startupNotice = translator.LastError();
}

bool Station::OpenDatabase()
{
    m_database =
        std::make_unique<AlarmDatabase>(m_tree, m_folder, m_desktop.Keys(), m_desktop.Busy());
    std::string path = FileInFolder(kDatabaseFile).string();
    if (!m_database->Open(path)) {
        ReportNoDatabaseAccess();
        m_database.reset();
        return false;
    }
    // Without the copy in memory every read goes to the file, as without
    // the option: slower, nothing lost.
    if (m_options.Has("dbmem") && !m_database->LoadIntoMemory())
        std::fprintf(stderr, "Wardex: %s could not be read into memory; it is read from disk.\n",
                     kDatabaseFile);
    m_desktop.UserProfile().SetString("Database", "FlatFilePath", path);
    return true;
}

void Station::SyncDatabase()
{
    if (m_database == nullptr)
        return;
    bool synced = m_database->SyncWrites();
    // Once per failing spell, not once per round.
    if (!synced && !m_syncFailing)
        std::fprintf(stderr, "Wardex: %s could not be written to disk: %s\n", kDatabaseFile,
                     std::strerror(errno));
    m_syncFailing = !synced;
}

void Station::ReportNoDatabaseAccess()
{
    m_desktop.Messages().Show(
        // Two texts: as one, its line in German.txt would pass the limit.
        Tr("Auf die Datenbank kann nicht zugegriffen werden!") + "\n\n" +
            Tr("Bitte pruefen Sie, ob Sie Schreib- und Leserechte fuer das\nArbeitsverzeichnis "
               "besitzen und starten Sie Wardex neu!"),
        Tr("Fehler!"), PromptIcon::Error, PromptButtons::Ok);
}

void Station::GuardConnections()
{
    long descriptors = RaiseDescriptorLimit();
    std::printf("Up to %ld descriptors.\n", descriptors);
    ConnectionGuard& guard = m_sessions->Guard();
    guard.SetListedTest([this](std::string_view address) {
        return FindRecorderName(m_tree, address, 0).has_value() ||
               FindRecorderName(m_tree, address, 1).has_value();
    });
    guard.SetIntervalSource([this] {
        ConfigLock lock(m_tree);
        ConfigNode* recorders = Find(m_tree, kRecorderList);
        int64_t longest = 0;
        for (int i = 0; recorders != nullptr && i < recorders->ChildCount(); ++i) {
            const ConfigNode* entry = recorders->ChildAt(i);
            int64_t last = Get(*entry, kLastSignal);
            if (last > 0)
                longest = std::max(longest, Get(*entry, kNextSignal) - last);
        }
        return longest;
    });
}

void Station::StartListening()
{
    auto listener = std::make_unique<RecorderListener>(*m_decoder, *m_sessions);
    // Without the port the station still runs, it only receives nothing.
    if (!listener->Create() || !listener->Listen(m_port))
        return;
    m_listener = listener.release();
    m_pump->Register(m_listener);
    if (m_port == 0)
        m_port = m_listener->LocalPort();
    std::printf("Wardex listening on port %d\n", m_port);
    std::fflush(stdout);
}

void Station::StartMonitoring()
{
    if (std::optional<MetricsAddress> address = m_options.Metrics()) {
        m_metrics = std::make_unique<StationMetrics>(*this, m_clock);
        if (m_metrics->Start(*address)) {
            m_intake->SetCounts(&m_metrics->Counts());
            std::printf("Metrics on %s:%d\n", address->host.c_str(), m_metrics->Port());
        } else {
            std::fprintf(stderr, "Wardex: metrics cannot be served on %s:%d: %s\n",
                         address->host.c_str(), address->port, std::strerror(errno));
            m_metrics.reset();
        }
        std::fflush(stdout);
    }
    m_service = std::make_unique<ServiceStatus>(SystemServiceNotifier(), m_clock,
                                                [this] { return StatusSummary(); });
    m_service->Attach(*m_pump);
}

std::string Station::StatusSummary()
{
    std::string text = m_listener != nullptr ? "Port " + std::to_string(m_port) : "No port";
    if (m_recorderStates != nullptr) {
        std::array<int, kRecorderStateCount> counts = m_recorderStates->Counts();
        int total = 0;
        for (int count : counts)
            total += count;
        text += "; " + std::to_string(total) + " recorders, " +
                std::to_string(counts[static_cast<int>(RecorderState::Online)]) + " online, " +
                std::to_string(counts[static_cast<int>(RecorderState::Late)]) + " late, " +
                std::to_string(counts[static_cast<int>(RecorderState::Missed)]) + " missed";
    }
    if (m_database != nullptr && m_database->IsOpen())
        text +=
            "; " + std::to_string(m_database->UnconfirmedRecords().size()) + " alarms unconfirmed";
    if (ForwardingClient* client = m_sessions != nullptr ? m_sessions->Forwarding() : nullptr)
        text +=
            "; forwarding to " + client->Host() +
            (client->State() == SocketState::Connected ? ", connected, " : ", not connected, ") +
            std::to_string(client->QueueLength()) + " queued";
    return text;
}

void Station::OpenAuditTrail()
{
    m_audit = std::make_unique<AuditTrail>(m_folder, m_clock, PosixSystemLog(), HostName());
    m_audit->SetUserSource([this] { return CurrentUserName(m_tree); });
    AuditTrail::Previous previous = m_audit->Open();
    AuditDetails details = {{"version", std::string(ProductVersion())},
                            {"options", m_options.Raw()}};
    if (!previous.endedInOrder)
        details.emplace_back("previous end", "not orderly");
    if (previous.cutBytes > 0)
        details.emplace_back("incomplete last line cut", std::to_string(previous.cutBytes));
    m_audit->Record("station-start", m_folder.string(), std::move(details));
    m_audit->PublishHead("start");
}

void Station::EndAuditTrail()
{
    m_audit->Record("station-end", m_folder.string());
    m_audit->PublishHead("end");
}

void Station::RequestQuit()
{
    m_quitRequested = true;
    if (m_pump != nullptr)
        m_pump->RequestQuit();
}

void Station::ServeFromNestedLoop()
{
    if (StopSignalReceived())
        RequestQuit();
    if (m_quitRequested) {
        m_desktop.CancelModalDialogs();
        return;
    }
    if (m_pump != nullptr && !m_sessionEnded)
        m_pump->ServeNestedRound();
}

void Station::EndSession()
{
    if (m_sessionEnded)
        return;
    m_sessionEnded = true;
    if (m_pump != nullptr)
        m_pump->SetSessionEnding();
    if (m_intake != nullptr)
        m_intake->SetStore(nullptr);
    if (m_database != nullptr)
        m_database->Close();
    // Nothing kills the process after the session here: it ends in order,
    // with the configuration saved.
    RequestQuit();
}

bool Station::SaveConfiguration()
{
    return m_tree.SaveImage(FileInFolder(kTreeImage).string()) == 0;
}

bool Station::UpdateRecorderStates(int64_t nowMs)
{
    if (m_recorderStates == nullptr)
        return false;
    bool changed = m_recorderStates->Update(nowMs);
    m_stateLog->Heartbeat(nowMs);
    return changed;
}

void Station::Shutdown()
{
    if (m_service != nullptr)
        m_service->Stopping();
    if (m_mainWindowCreated)
        m_desktop.EndMainWindow();
    if (m_stateLog != nullptr)
        m_stateLog->Close(m_clock.NowMs());
    if (m_intake != nullptr)
        m_intake->SetStore(nullptr);
    m_tree.SaveImage(FileInFolder(kTreeImage).string());
    EndAuditTrail();
    m_lock.Release();
    m_pump.reset();
    if (m_mainWindowCreated) {
        m_desktop.DestroyMainWindow();
        m_mainWindowCreated = false;
    }
    if (m_database != nullptr && !m_sessionEnded)
        m_database->Close();
}
