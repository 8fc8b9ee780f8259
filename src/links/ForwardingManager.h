// Forwarding mode: the manager behind the window "Wardex - Alarmweiterleitung".
// It owns the forwarding client for as long as the window exists (so every
// alarm telegram received meanwhile is queued), keeps the list of known
// hosts, starts and stops forwarding, reconnects 30 seconds after a failure,
// counts, and hands what is still queued to local decoding when the mode
// ends. The queue is mirrored in a journal, so a killed relay loses nothing.
//
// The host text may name several stations, "HOST1[:PORT],HOST2[:PORT],...",
// in order of preference. A link down for the whole reconnect countdown moves
// to the next one; while another than the first is active, the first is
// greeted beside the active link once per countdown, and once it answers the
// queue goes back to it. One queue serves all of them, so the order holds.
#pragma once

#include "links/ForwardingView.h"
#include "net/ForwardingObserver.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class AuditTrail;
class Beeper;
class BusyIndicator;
class ConfigTree;
class ForwardJournal;
class Clock;
class ForwardingClient;
class Prompt;
class SessionHub;
class SocketPump;
class TelegramSink;

// The link states, numbered as the manager's state table numbers them.
enum class LinkState {
    NoConnection = 0,
    Connecting = 1,
    Greeting = 2,
    Forwarding = 3,
    HostRefused = 4,
    ConnectionLost = 5,
    ConnectFailed = 6,
};

struct ForwardingParts {
    ConfigTree& tree;
    SocketPump& pump;
    // Where queued telegrams are decoded when forwarding mode ends.
    TelegramSink& localSink;
    Prompt& prompt;
    Beeper& beeper;
    BusyIndicator& busy;
    Clock& clock;
    // The program folder for the journal; empty for none.
    std::filesystem::path folder;
    // The host list in the configuration changed: the station saves it, so
    // that a kill does not lose it.
    std::function<void()> hostsApplied = {};
    // The recorder sessions whose telegrams the client takes while it
    // exists; null for none.
    SessionHub* sessions = nullptr;
    // Where starting and stopping are recorded; none when null.
    AuditTrail* audit = nullptr;
    // The reconnect countdown in seconds; 0 for the manager's default.
    int retrySeconds = 0;
};

class ForwardingManager final : public ForwardingObserver {
public:
    static constexpr int kTimerMs = 100;
    static constexpr int kRetrySeconds = 30;
    static constexpr int64_t kAnimationMs = 76;

    ForwardingManager(ForwardingParts parts, ForwardingView& view);
    // Destroys the client (later telegrams are decoded locally again) and
    // writes the host list back.
    ~ForwardingManager() override;
    ForwardingManager(const ForwardingManager&) = delete;
    ForwardingManager& operator=(const ForwardingManager&) = delete;

    // Window initialisation: the client, the journal's leftovers queued
    // first, the host list.
    void Open();

    // The text of the host box as the operator edits or picks it.
    void SetHostText(std::string_view text);
    void Start();
    void Stop();
    // "Loeschen" and "Alle Loeschen".
    void DeleteHost();
    void DeleteAllHosts();
    void Tick();
    void Refresh();

    // "Schliessen": false while forwarding runs (the button is disabled then).
    bool CloseWithButton();
    // The close box: beeps and refuses while forwarding runs.
    bool CloseWithBox();
    // The station ends: forwarding stops and the queue is decoded here.
    void EndForwarding();

    // "HOST1[:PORT],HOST2[:PORT],..." split at the commas, blanks trimmed
    // and empty items left out.
    static std::vector<std::string> SplitTargets(std::string_view text);

    // Decodes what a killed relay left in the program folder's journal;
    // the number of telegrams.
    static size_t StoreLeftoversLocally(const std::filesystem::path& folder, SocketPump& pump,
                                        Clock& clock, TelegramSink& sink);

    // ForwardingObserver
    void OnLinkDown() override;
    void OnLinkUp() override;
    void OnHostAccepted() override;
    void OnHostRefused() override;
    void OnAlarmQueued() override;
    void OnAlarmForwarded() override;

    LinkState State() const { return m_linkState; }
    int Countdown() const { return m_countdown; }
    int ReceivedCount() const { return m_received; }
    int ForwardedCount() const { return m_forwarded; }
    ForwardingClient* Client() { return m_client.get(); }
    const ForwardingDisplay& Display() const { return m_display; }
    const std::vector<std::string>& Hosts() const { return m_hosts; }
    const std::string& HostText() const { return m_hostText; }
    // The stations the host text names, in order of preference, and the
    // index of the one forwarded to.
    const std::vector<std::string>& Targets() const { return m_targets; }
    size_t ActiveTarget() const { return m_active; }
    // The first target answered; the queue goes back to it once the telegram
    // in flight is acknowledged.
    bool Returning() const { return m_returning; }

private:
    class Probe;

    int64_t Now() const;
    void ConnectAttempt();
    // Forwards to another of the targets from the next attempt on.
    void SwitchTo(size_t target);
    // Greets the first target beside the active link and returns to it
    // once it answers.
    void WatchPreferred();
    void StopProbe();
    void ProcessQueueLocally();
    void UpdateCounterTexts();
    void TraceLink();
    // The combo box's own search: the first item that begins with text,
    // compared without case; -1 for none.
    int FindPrefix(std::string_view text) const;
    void LoadHosts();
    void SaveHosts();
    void ApplyHosts();

    ForwardingParts m_parts;
    ForwardingView& m_view;
    std::unique_ptr<ForwardJournal> m_journal;
    std::unique_ptr<ForwardingClient> m_client;
    std::unique_ptr<Probe> m_probe;
    std::vector<std::string> m_targets;
    size_t m_active = 0;
    int64_t m_probeTick = 0;
    bool m_returning = false;
    int m_retrySeconds = kRetrySeconds;
    std::vector<std::string> m_hosts;
    std::string m_hostText;
    int m_received = 0;
    int m_forwarded = 0;
    int m_countdown = -1;
    int64_t m_countdownTick = 0;
    LinkState m_linkState = LinkState::NoConnection;
    int m_animationFrame = 0;
    int64_t m_animationTick = 0;
    ForwardingDisplay m_display;
    std::string m_tracedStatus;
};
