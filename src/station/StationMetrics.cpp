#include "station/StationMetrics.h"

#include "config/Clock.h"
#include "db/AlarmDatabase.h"
#include "db/AlarmRecord.h"
#include "events/RecorderStateBoard.h"
#include "net/ForwardingClient.h"
#include "net/MetricsServer.h"
#include "net/SessionHub.h"
#include "net/StationPump.h"
#include "station/Station.h"

#include <array>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// Round bounds from 50 µs to 10 s: an idle round is a few microseconds, a
// round that reaches seconds is what the watchdog would catch.
const std::vector<int64_t> kRoundBoundsUs = {
    50,     100,     250,     500,     1'000,     2'500,     5'000,     10'000,    25'000,
    50'000, 100'000, 250'000, 500'000, 1'000'000, 2'500'000, 5'000'000, 10'000'000};

constexpr std::array<std::string_view, kRecorderStateCount> kStateLabels = {
    "never_seen", "online", "late", "missed", "switched_off", "maintenance"};

} // namespace

StationMetrics::StationMetrics(Station& station, Clock& clock)
    : m_station(station), m_clock(clock), m_rounds(kRoundBoundsUs)
{
    m_registry.AddSource([this](MetricsText& out) { m_counts.Write(out); });
    m_registry.AddSource([this](MetricsText& out) { WriteStation(out); });
    m_registry.AddSource([this](MetricsText& out) { WriteRecorders(out); });
    m_registry.AddSource([this](MetricsText& out) { WriteDatabase(out); });
    m_registry.AddSource([this](MetricsText& out) { WriteForwarding(out); });
    m_registry.AddSource([this](MetricsText& out) {
        m_rounds.Write(out, "wardex_pump_round_seconds",
                       "Work of one round of the station's loop, its wait for readiness left "
                       "out.");
    });
}

StationMetrics::~StationMetrics()
{
    StationPump* pump = m_station.Pump();
    if (pump == nullptr)
        return;
    pump->SetRoundTimer(nullptr);
    pump->RemoveHook(m_hook);
    if (m_server != nullptr)
        m_server->Close(CloseMode::Force);
}

bool StationMetrics::Start(const MetricsAddress& address)
{
    StationPump* pump = m_station.Pump();
    if (pump == nullptr)
        return false;
    auto server = std::make_unique<MetricsServer>(m_registry, m_clock, [this] {
        return m_station.ServesPort() && m_station.Database() != nullptr &&
               m_station.Database()->IsOpen();
    });
    if (!server->Start(*pump, address.host, address.port))
        return false;
    m_server = server.release();
    // The pump deletes the server with the sockets; from then on it is gone.
    m_hook = pump->AddHook({.round = {}, .gone = [this] { m_server = nullptr; }});
    pump->SetRoundTimer(this);
    return true;
}

int StationMetrics::Port() const
{
    return m_server != nullptr ? m_server->LocalPort() : -1;
}

void StationMetrics::WorkBegins()
{
    m_workBeganUs = m_clock.SteadyUs();
}

void StationMetrics::RoundEnds()
{
    m_rounds.Add(m_clock.SteadyUs() - m_workBeganUs);
}

void StationMetrics::WriteStation(MetricsText& out)
{
    SessionHub* hub = m_station.Sessions();
    if (hub == nullptr)
        return;
    const RefusedTelegrams& refused = hub->Refused();
    out.Family("wardex_telegrams_refused_total", MetricsText::Kind::Counter,
               "Telegrams turned away: from no listed recorder, unusable bytes (bad checksum, "
               "counted once per connection closed for them), forwarding from a station not "
               "allowed to.");
    out.Sample("wardex_telegrams_refused_total", "reason=\"unknown_recorder\"",
               refused.unknownRecorder);
    out.Sample("wardex_telegrams_refused_total", "reason=\"bad_checksum\"", refused.badChecksum);
    out.Sample("wardex_telegrams_refused_total", "reason=\"forwarding_not_allowed\"",
               refused.forwardingNotAllowed);
    out.Family("wardex_connections_open", MetricsText::Kind::Gauge,
               "Recorder and forwarding connections open on the station's port.");
    out.Sample("wardex_connections_open", "",
               static_cast<uint64_t>(hub->Guard().OpenSessionCount()));
    if (m_server != nullptr) {
        out.Family("wardex_metrics_connections_refused_total", MetricsText::Kind::Counter,
                   "Metrics connections closed at once: too many open, or past their deadline.");
        out.Sample("wardex_metrics_connections_refused_total", "reason=\"too_many\"",
                   m_server->Refused());
        out.Sample("wardex_metrics_connections_refused_total", "reason=\"deadline\"",
                   m_server->Expired());
    }
}

void StationMetrics::WriteRecorders(MetricsText& out)
{
    RecorderStateBoard* board = m_station.RecorderStates();
    if (board == nullptr)
        return;
    std::array<int, kRecorderStateCount> counts = board->Counts();
    out.Family("wardex_recorders", MetricsText::Kind::Gauge,
               "Listed recorders by supervision state, as of the last second's update.");
    for (size_t i = 0; i < counts.size(); ++i)
        out.Sample("wardex_recorders", MetricsText::Label("state", kStateLabels[i]),
                   static_cast<uint64_t>(counts[i]));
}

void StationMetrics::WriteDatabase(MetricsText& out)
{
    AlarmDatabase* database = m_station.Database();
    if (database == nullptr || !database->IsOpen())
        return;
    const std::vector<int>& unconfirmed = database->UnconfirmedRecords();
    double oldestSeconds = 0;
    AlarmRecord record;
    // Record numbers follow arrival: the first unconfirmed is the oldest.
    if (!unconfirmed.empty() && database->Read(unconfirmed.front(), record))
        oldestSeconds = static_cast<double>(std::max<int64_t>(
                            0, m_clock.NowMs() - record.Number(AlarmField::TimeArrival))) /
                        1000.0;
    out.Family("wardex_alarms_unconfirmed", MetricsText::Kind::Gauge,
               "Alarms that wait for an operator's confirmation.");
    out.Sample("wardex_alarms_unconfirmed", "", static_cast<uint64_t>(unconfirmed.size()));
    out.Family("wardex_alarm_oldest_unconfirmed_age_seconds", MetricsText::Kind::Gauge,
               "How long the oldest unconfirmed alarm has waited; 0 when none waits.");
    out.Sample("wardex_alarm_oldest_unconfirmed_age_seconds", "", oldestSeconds);
    out.Family("wardex_database_records", MetricsText::Kind::Gauge,
               "Records in the alarm database.");
    out.Sample("wardex_database_records", "", static_cast<uint64_t>(database->RecordCount()));
    std::error_code error;
    uintmax_t bytes = std::filesystem::file_size(m_station.FileInFolder("AlarmDB.txt"), error);
    out.Family("wardex_database_size_bytes", MetricsText::Kind::Gauge,
               "Size of the alarm database file.");
    out.Sample("wardex_database_size_bytes", "", static_cast<uint64_t>(error ? 0 : bytes));
}

void StationMetrics::WriteForwarding(MetricsText& out)
{
    SessionHub* hub = m_station.Sessions();
    ForwardingClient* client = hub != nullptr ? hub->Forwarding() : nullptr;
    out.Family("wardex_forwarding_active", MetricsText::Kind::Gauge,
               "1 while the station forwards its telegrams to another station.");
    out.Sample("wardex_forwarding_active", "", uint64_t{client != nullptr});
    out.Family("wardex_forwarding_queue_length", MetricsText::Kind::Gauge,
               "Telegrams waiting to be forwarded.");
    out.Sample("wardex_forwarding_queue_length", "",
               static_cast<uint64_t>(client != nullptr ? client->QueueLength() : 0));
    out.Family("wardex_forwarding_link_up", MetricsText::Kind::Gauge,
               "1 while the connection to the receiving station stands.");
    out.Sample("wardex_forwarding_link_up", "",
               uint64_t{client != nullptr && client->State() == SocketState::Connected});
}
