#include "links/ForwardingManager.h"

#include "audit/AuditTrail.h"
#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigTree.h"
#include "config/Translator.h"
#include "links/ForwardJournal.h"
#include "net/ForwardingClient.h"
#include "net/SocketPump.h"
#include "platform/Beeper.h"
#include "platform/BusyIndicator.h"
#include "platform/Prompt.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

namespace {

std::string Trimmed(std::string_view text)
{
    constexpr std::string_view kWhite = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(kWhite);
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(kWhite);
    return std::string(text.substr(first, last - first + 1));
}

// The German text (marked with TrNoop) translated, with its one conversion ("%d" or "%s") filled
// in; a translation that lost the conversion falls back to the German text.
std::string Filled(std::string_view german, std::string_view conversion, std::string_view value)
{
    std::string text = Tr(german);
    size_t at = text.find(conversion);
    if (at == std::string::npos) {
        text = german;
        at = text.find(conversion);
    }
    return text.replace(at, conversion.size(), value);
}

ConfigNode* HostList(ConfigTree& tree)
{
    return Find(tree, kForwardingHosts);
}

// Reports nothing: the client of a leftover replay never connects.
class SilentObserver final : public ForwardingObserver {
public:
    void OnLinkDown() override {}
    void OnLinkUp() override {}
    void OnHostAccepted() override {}
    void OnHostRefused() override {}
    void OnAlarmQueued() override {}
    void OnAlarmForwarded() override {}
};

void DrainLocally(ForwardingClient& client, TelegramSink& sink)
{
    // A replay stops after a telegram of an unknown recorder; that one is
    // gone, the rest must not be.
    while (!client.IsQueueEmpty())
        client.ProcessQueueLocally(sink);
}

} // namespace

// A second client with an empty queue that only greets; it never touches the
// active link or the sessions.
class ForwardingManager::Probe final : public ForwardingObserver {
public:
    Probe(SocketPump& pump, Clock& clock) : m_client(*this, pump, clock) {}

    ForwardingClient& Client() { return m_client; }
    // Whether the greeted host answered since the last call.
    bool TakeAccepted() { return std::exchange(m_accepted, false); }

    void OnLinkDown() override {}
    void OnLinkUp() override {}
    void OnHostAccepted() override { m_accepted = true; }
    void OnHostRefused() override {}
    void OnAlarmQueued() override {}
    void OnAlarmForwarded() override {}

private:
    ForwardingClient m_client;
    bool m_accepted = false;
};

ForwardingManager::ForwardingManager(ForwardingParts parts, ForwardingView& view)
    : m_parts(std::move(parts)), m_view(view)
{
    if (m_parts.retrySeconds > 0)
        m_retrySeconds = m_parts.retrySeconds;
}

ForwardingManager::~ForwardingManager()
{
    m_probe.reset();
    if (m_client != nullptr)
        m_client->SetJournal(nullptr);
    m_client.reset();
    SaveHosts();
}

void ForwardingManager::Open()
{
    if (m_client == nullptr) {
        m_client = std::make_unique<ForwardingClient>(*this, m_parts.pump, m_parts.clock,
                                                      m_parts.sessions);
        if (!m_parts.folder.empty()) {
            m_journal =
                std::make_unique<ForwardJournal>(m_parts.folder / ForwardJournal::kFileName);
            // What a killed relay still owed goes out first; it is in the
            // journal already.
            for (const ForwardQueueItem& item : m_journal->Open())
                m_client->Enqueue(item.count, item.bytes.data(), item.originIp);
            m_client->SetJournal(m_journal.get());
        }
    }
    LoadHosts();
    Refresh();
}

void ForwardingManager::SetHostText(std::string_view text)
{
    m_hostText = text;
    m_display.hostText = m_hostText;
}

void ForwardingManager::Start()
{
    std::string host = Trimmed(m_hostText);
    m_targets = SplitTargets(host);
    if (m_targets.empty()) {
        m_parts.prompt.Show(Tr("Der eingegebene Host ist ungültig!"), Tr("Achtung"),
                            PromptIcon::Warning, PromptButtons::Ok);
        return;
    }
    m_active = 0;
    if (m_parts.audit != nullptr)
        m_parts.audit->Record("forwarding-start", host);
    m_view.SetTimerRunning(true);
    ConnectAttempt();
}

void ForwardingManager::ConnectAttempt()
{
    m_client->SetHost(m_targets[m_active]);
    m_probeTick = Now();
    m_linkState = LinkState::Connecting;
    m_countdown = m_retrySeconds;
    BusyScope busy(m_parts.busy);
    Refresh();
    if (!m_client->Connect())
        OnLinkDown();
}

void ForwardingManager::Stop()
{
    StopProbe();
    m_client->Disconnect();
    m_linkState = LinkState::NoConnection;
    m_view.SetTimerRunning(false);
    m_countdown = -1;
    std::string host = Trimmed(m_hostText);
    if (m_parts.audit != nullptr)
        m_parts.audit->Record("forwarding-stop", host);
    if (!host.empty() && FindPrefix(host) < 0)
        m_hosts.push_back(host);
    Refresh();
    ApplyHosts();
}

void ForwardingManager::DeleteHost()
{
    std::string host = Trimmed(m_hostText);
    if (host.empty())
        return;
    int found = FindPrefix(host);
    if (found >= 0)
        m_hosts.erase(m_hosts.begin() + found);
    SetHostText("");
    Refresh();
    ApplyHosts();
}

void ForwardingManager::DeleteAllHosts()
{
    if (m_hosts.empty() && Trimmed(m_hostText).empty())
        return;
    if (m_parts.prompt.Show(Tr("Wollen Sie wirklich alle Hosts löschen?"), Tr("Frage"),
                            PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    m_hosts.clear();
    SetHostText("");
    Refresh();
    ApplyHosts();
}

void ForwardingManager::Tick()
{
    if (m_linkState == LinkState::HostRefused || m_linkState == LinkState::ConnectionLost ||
        m_linkState == LinkState::ConnectFailed) {
        if (m_countdown <= 0) {
            // Down for the whole countdown: the next target, if there is one.
            SwitchTo((m_active + 1) % m_targets.size());
            ConnectAttempt();
        } else if (Now() - m_countdownTick > 1000) {
            m_countdownTick = Now();
            --m_countdown;
        }
    }
    m_client->Work();
    WatchPreferred();
    Refresh();
}

void ForwardingManager::WatchPreferred()
{
    if (m_active == 0 || m_countdown == -1)
        return;
    if (m_probe == nullptr)
        m_probe = std::make_unique<Probe>(m_parts.pump, m_parts.clock);
    ForwardingClient& probe = m_probe->Client();
    probe.Work();
    if (m_probe->TakeAccepted()) {
        probe.Disconnect();
        m_returning = true;
        m_client->Hold(true);
    }
    if (m_returning) {
        // A telegram in flight now would be sent again to the first target.
        if (m_client->ProtocolState() == ForwardState::AwaitingAckn)
            return;
        m_client->Disconnect();
        SwitchTo(0);
        ConnectAttempt();
        return;
    }
    if (!probe.IsActive() && Now() - m_probeTick >= int64_t{m_retrySeconds} * 1000) {
        m_probeTick = Now();
        probe.SetHost(m_targets.front());
        // A failed start is tried again after the next countdown.
        (void)probe.Connect();
    }
}

void ForwardingManager::SwitchTo(size_t target)
{
    if (target == m_active)
        return;
    m_active = target;
    if (m_active == 0)
        StopProbe();
    if (m_parts.audit != nullptr)
        m_parts.audit->Record("forwarding-switch", m_targets[m_active]);
}

void ForwardingManager::StopProbe()
{
    if (m_probe != nullptr)
        m_probe->Client().Disconnect();
    m_returning = false;
    if (m_client != nullptr)
        m_client->Hold(false);
}

void ForwardingManager::Refresh()
{
    bool stopped = m_countdown == -1;
    m_display.stopped = stopped;
    switch (m_linkState) {
    case LinkState::Forwarding:
        m_display.link = LinkLook::Connected;
        break;
    case LinkState::Connecting:
    case LinkState::Greeting:
        m_display.link = LinkLook::Connecting;
        break;
    default:
        m_display.link = LinkLook::Error;
        break;
    }
    if (stopped) {
        m_display.animationFrame = -1;
    } else {
        if (Now() - m_animationTick >= kAnimationMs) {
            m_animationTick = Now();
            m_animationFrame = (m_animationFrame + 1) % 4;
        }
        m_display.animationFrame = m_animationFrame;
    }

    if (m_linkState == LinkState::Connecting || m_linkState == LinkState::Greeting ||
        m_linkState == LinkState::Forwarding)
        m_display.activityText = Tr("Weiterleitung: Aktiv.");
    else if (stopped)
        m_display.activityText = Tr("Weiterleitung: Inaktiv.");
    else
        m_display.activityText =
            Filled(TrNoop("Weiterleitung: Aktiv. Nächster Connect-Versuch in %d Sekunden"), "%d",
                   std::to_string(m_countdown));

    switch (m_linkState) {
    case LinkState::Connecting:
        m_display.hostStatusText = Filled(TrNoop("Host: Verbinde zu %s ..."), "%s",
                                          m_targets.size() > 1 ? m_targets[m_active] : m_hostText);
        break;
    case LinkState::Greeting:
        m_display.hostStatusText =
            Tr("Host: Verbunden, überprüfe Unterstützung der Weiterleitung des Hosts ...");
        break;
    case LinkState::Forwarding:
        m_display.hostStatusText = Tr("Host: Verbunden.");
        break;
    case LinkState::HostRefused:
        m_display.hostStatusText = Tr(
            "Fehler: Der Host unterstützt keine Weiterleitung oder leitet gerade selber weiter!");
        break;
    case LinkState::ConnectionLost:
        m_display.hostStatusText = Tr("Host: Verbindung verloren!");
        break;
    case LinkState::ConnectFailed:
        m_display.hostStatusText =
            Tr("Fehler: Verbindung zum Host fehlgeschlagen! (Richtige IP? Wardex aktiv?)");
        break;
    case LinkState::NoConnection:
        m_display.hostStatusText = Tr("Host: Keine Verbindung.");
        break;
    }
    m_display.targetText.clear();
    if (m_targets.size() > 1 && !stopped)
        m_display.targetText = Filled(TrNoop("Aktiver Host: %s"), "%s",
                                      m_targets[m_active] + " (" + std::to_string(m_active + 1) +
                                          "/" + std::to_string(m_targets.size()) + ")");
    UpdateCounterTexts();
    m_display.hosts = m_hosts;
    m_display.hostText = m_hostText;
    TraceLink();
    m_view.Show(m_display);
}

void ForwardingManager::UpdateCounterTexts()
{
    m_display.receivedText =
        Filled(TrNoop("Alarme eingegangen: %d"), "%d", std::to_string(m_received));
    m_display.forwardedText =
        Filled(TrNoop("Alarme weitergeleitet: %d"), "%d", std::to_string(m_forwarded));
    size_t queued = m_client != nullptr ? m_client->QueueLength() : 0;
    m_display.queueText = Filled(TrNoop("Alarme in Queue: %d"), "%d", std::to_string(queued));
}

void ForwardingManager::TraceLink()
{
    // A relay without a desktop shows its link in its output; once per
    // change, not per tick.
    std::string status = m_display.hostStatusText;
    if (!m_display.targetText.empty())
        status += " " + m_display.targetText;
    if (status == m_tracedStatus)
        return;
    m_tracedStatus = status;
    std::printf("%s %s\n", m_display.activityText.c_str(), m_tracedStatus.c_str());
    std::fflush(stdout);
}

bool ForwardingManager::CloseWithButton()
{
    if (m_countdown != -1)
        return false;
    ProcessQueueLocally();
    return true;
}

bool ForwardingManager::CloseWithBox()
{
    if (m_client != nullptr && m_client->IsActive()) {
        m_parts.beeper.Beep(SystemBeep::Default);
        return false;
    }
    ProcessQueueLocally();
    m_view.SetTimerRunning(false);
    return true;
}

void ForwardingManager::EndForwarding()
{
    StopProbe();
    if (m_client != nullptr)
        m_client->Disconnect();
    m_view.SetTimerRunning(false);
    m_countdown = -1;
    m_linkState = LinkState::NoConnection;
    ProcessQueueLocally();
}

void ForwardingManager::ProcessQueueLocally()
{
    if (m_client == nullptr || m_client->IsQueueEmpty())
        return;
    // The journal keeps every item until all are stored: a kill in between
    // stores some twice at the next start rather than none.
    m_client->SetJournal(nullptr);
    DrainLocally(*m_client, m_parts.localSink);
    // Under /sync, stored means durable.
    m_parts.pump.SyncStore();
    if (m_journal != nullptr)
        m_journal->Clear();
    m_client->SetJournal(m_journal.get());
}

std::vector<std::string> ForwardingManager::SplitTargets(std::string_view text)
{
    std::vector<std::string> targets;
    for (size_t begin = 0; begin <= text.size();) {
        size_t comma = std::min(text.find(',', begin), text.size());
        std::string target = Trimmed(text.substr(begin, comma - begin));
        if (!target.empty())
            targets.push_back(std::move(target));
        begin = comma + 1;
    }
    return targets;
}

size_t ForwardingManager::StoreLeftoversLocally(const std::filesystem::path& folder,
                                                SocketPump& pump, Clock& clock, TelegramSink& sink)
{
    std::filesystem::path path = folder / ForwardJournal::kFileName;
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return 0;
    ForwardJournal journal(path);
    std::vector<ForwardQueueItem> items = journal.Open();
    if (items.empty())
        return 0;
    SilentObserver observer;
    ForwardingClient client(observer, pump, clock);
    for (const ForwardQueueItem& item : items)
        client.Enqueue(item.count, item.bytes.data(), item.originIp);
    DrainLocally(client, sink);
    pump.SyncStore();
    journal.Clear();
    return items.size();
}

void ForwardingManager::OnLinkDown()
{
    if (m_linkState == LinkState::Connecting)
        m_linkState = LinkState::ConnectFailed;
    else if (m_linkState != LinkState::HostRefused)
        m_linkState = LinkState::ConnectionLost;
    m_parts.beeper.Beep(SystemBeep::Warning);
    m_countdown = m_retrySeconds;
    m_countdownTick = Now();
    Refresh();
}

void ForwardingManager::OnLinkUp()
{
    m_linkState = LinkState::Greeting;
    Refresh();
}

void ForwardingManager::OnHostAccepted()
{
    m_linkState = LinkState::Forwarding;
    Refresh();
}

void ForwardingManager::OnHostRefused()
{
    m_linkState = LinkState::HostRefused;
}

// Per alarm only the counts: laying out and painting the window for every
// alarm cost a relay many times what forwarding it does.
void ForwardingManager::OnAlarmQueued()
{
    ++m_received;
    m_view.CountsChanged();
}

void ForwardingManager::OnAlarmForwarded()
{
    ++m_forwarded;
    m_view.CountsChanged();
}

int64_t ForwardingManager::Now() const
{
    return m_parts.clock.NowMs();
}

int ForwardingManager::FindPrefix(std::string_view text) const
{
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    for (size_t i = 0; i < m_hosts.size(); ++i) {
        const std::string& item = m_hosts[i];
        if (item.size() < text.size())
            continue;
        bool match = true;
        for (size_t k = 0; k < text.size() && match; ++k)
            match = lower(item[k]) == lower(text[k]);
        if (match)
            return static_cast<int>(i);
    }
    return -1;
}

void ForwardingManager::LoadHosts()
{
    ConfigLock lock(m_parts.tree);
    ConfigNode* list = HostList(m_parts.tree);
    m_hosts.clear();
    for (int i = 0; i < list->ChildCount(); ++i) {
        ConfigNode* entry = list->ChildAt(i);
        m_hosts.push_back(Get(*entry, kForwardingHost));
        if (Get(*entry, kForwardingHostSelected) == 1)
            SetHostText(m_hosts.back());
    }
}

void ForwardingManager::ApplyHosts()
{
    SaveHosts();
    if (m_parts.hostsApplied)
        m_parts.hostsApplied();
}

void ForwardingManager::SaveHosts()
{
    ConfigLock lock(m_parts.tree);
    ConfigNode* list = HostList(m_parts.tree);
    list->RemoveAllChildren();
    std::string host = Trimmed(m_hostText);
    auto add = [list](const std::string& text, bool selected) {
        ConfigNode* entry = list->NewEntry(0);
        Set(*entry, kForwardingHost, text);
        Set(*entry, kForwardingHostSelected, selected ? 1 : 0);
    };
    for (const std::string& item : m_hosts)
        add(item, item == host);
    if (!host.empty() && FindPrefix(host) < 0)
        add(host, true);
}
