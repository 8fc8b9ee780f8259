#include "alarm/SmtpMailSender.h"

#include "config/Clock.h"
#include "config/Translator.h"
#include "events/TextFormat.h"
#include "links/MailFormat.h"
#include "links/SmtpClient.h"
#include "net/SocketPump.h"

#include <algorithm>
#include <cstdio>
#include <utility>

struct SmtpMailSender::Flight {
    uint64_t id = 0;
    int64_t startedMs = 0;
    // Written by the client; an invalid port writes nothing.
    int status = SmtpClient::kUnreachable;
    bool delivered = false;
    std::unique_ptr<SmtpClient> client;
};

SmtpMailSender::SmtpMailSender(SocketPump& pump, Clock& clock, MailQueue queue,
                               int64_t firstRetryMs)
    : m_pump(pump), m_clock(clock), m_queue(std::move(queue)),
      m_firstRetryMs(std::max<int64_t>(firstRetryMs, 1))
{
    if (!m_queue.Load())
        std::fprintf(stderr, "Wardex: %s is not a mail queue; it is replaced by an empty one.\n",
                     MailQueue::kFileName);
    else if (!m_queue.Mails().empty())
        std::fprintf(stderr, "Wardex: %zu alarm mails of the last run are sent now.\n",
                     m_queue.Mails().size());
}

SmtpMailSender::~SmtpMailSender()
{
    for (const auto& flight : m_flights) {
        if (flight->client->MessageAccepted())
            m_queue.Remove(flight->id);
    }
    m_flights.clear();
    if (!m_queue.Save())
        std::fprintf(stderr, "Wardex: %s cannot be written.\n", MailQueue::kFileName);
}

bool SmtpMailSender::Send(const AlarmMail& mail)
{
    std::vector<std::string> recipients;
    SmtpClient::PrepareRecipients(mail.to, recipients);
    if (recipients.empty())
        return false;
    Timestamp now = m_clock.Now();
    QueuedMail queued;
    queued.mail = mail;
    queued.date = MailDate(now.ToCalendarSeconds());
    queued.messageId = NewMessageId(SmtpClient::HeaderValue(mail.from), now.ToMs());
    size_t dropped = m_queue.Add(std::move(queued));
    // On disk before anything else can end the station; the periodic save
    // syncs it to the disk and reports a file that cannot be written.
    [[maybe_unused]] bool kept = m_queue.Keep();
    if (dropped > 0 && !m_dropReported) {
        m_dropReported = true;
        std::fprintf(stderr,
                     "Wardex: the mail queue is full (%zu mails, %zu bytes at most); the oldest "
                     "alarm mails are dropped.\n",
                     MailQueue::kMaxMails, MailQueue::kMaxBytes);
    }
    StartDue(now.ToMs());
    return true;
}

void SmtpMailSender::Tick(int64_t nowMs)
{
    Poll(nowMs);
    StartDue(nowMs);
    if (m_queue.Unsaved() && nowMs - m_savedMs >= kSaveIntervalMs)
        SaveQueue(nowMs);
}

void SmtpMailSender::UseServer(const std::string& server, bool useAuth, const std::string& authUser,
                               const std::string& authPassword)
{
    for (QueuedMail& queued : m_queue.Mails()) {
        AlarmMail& mail = queued.mail;
        if (mail.server != server || mail.useAuth != useAuth || mail.authUser != authUser ||
            mail.authPassword != authPassword) {
            mail.server = server;
            mail.useAuth = useAuth;
            mail.authUser = authUser;
            mail.authPassword = authPassword;
            queued.notBeforeMs = 0;
            m_queue.Touched();
        }
    }
}

MailQueueState SmtpMailSender::State(int64_t nowMs) const
{
    MailQueueState state;
    state.queued = m_queue.Mails().size();
    for (const QueuedMail& queued : m_queue.Mails()) {
        if (queued.inFlight)
            ++state.sending;
        else if (queued.notBeforeMs > nowMs &&
                 (state.nextAttemptMs == 0 || queued.notBeforeMs < state.nextAttemptMs))
            state.nextAttemptMs = queued.notBeforeMs;
    }
    return state;
}

void SmtpMailSender::StartDue(int64_t nowMs)
{
    for (QueuedMail& queued : m_queue.Mails()) {
        if (m_flights.size() >= kMaxInFlight)
            return;
        if (!queued.inFlight && queued.notBeforeMs <= nowMs)
            Attempt(queued, nowMs);
    }
}

void SmtpMailSender::Attempt(QueuedMail& queued, int64_t nowMs)
{
    auto flight = std::make_unique<Flight>();
    flight->id = queued.id;
    flight->startedMs = nowMs;
    flight->client = std::make_unique<SmtpClient>();
    SmtpClient& client = *flight->client;
    client.SetAutoDelete(AutoDelete::No);
    client.SetMessageHeaders(queued.date, queued.messageId);
    const AlarmMail& mail = queued.mail;
    if (!client.Start(mail.to, mail.from, mail.server, mail.subject, mail.body, &flight->status,
                      mail.useAuth ? SmtpAuth::Yes : SmtpAuth::No, mail.authUser,
                      mail.authPassword))
        return Failed(queued.id, nowMs, flight->status);
    queued.inFlight = true;
    m_pump.Register(&client);
    m_flights.push_back(std::move(flight));
}

void SmtpMailSender::Poll(int64_t nowMs)
{
    for (auto it = m_flights.begin(); it != m_flights.end();) {
        Flight& flight = **it;
        // Delivered on the server's 250 after the data, even if the
        // connection then breaks before QUIT.
        if (!flight.delivered && flight.client->MessageAccepted()) {
            flight.delivered = true;
            Delivered(flight.id);
        }
        bool ended = !flight.client->IsOpen();
        if (!ended && nowMs - flight.startedMs > kAttemptLimitMs) {
            flight.client->Close(CloseMode::Force);
            ended = true;
        }
        if (!ended) {
            ++it;
            continue;
        }
        if (!flight.delivered)
            Failed(flight.id, nowMs, flight.status);
        // Leaves the pump as it goes.
        it = m_flights.erase(it);
    }
}

void SmtpMailSender::Delivered(uint64_t id)
{
    m_queue.Remove(id);
    if (m_queue.Mails().empty())
        m_dropReported = false;
    if (!m_failing)
        return;
    // The server is back: nobody waits for a doubled wait.
    m_failing = false;
    if (m_failureReported)
        std::fprintf(stderr, "Wardex: alarm mails are delivered again; %zu still queued.\n",
                     m_queue.Mails().size());
    m_failureReported = false;
    for (QueuedMail& queued : m_queue.Mails())
        queued.notBeforeMs = 0;
}

void SmtpMailSender::Failed(uint64_t id, int64_t nowMs, int status)
{
    QueuedMail* queued = m_queue.Find(id);
    if (queued == nullptr)
        return;
    queued->inFlight = false;
    ++queued->failures;
    int64_t wait = m_firstRetryMs * kMaxRetryFactor;
    if (queued->failures <= 4)
        wait = m_firstRetryMs << (queued->failures - 1);
    queued->notBeforeMs = nowMs + wait;
    m_failing = true;
    if (m_failureReported)
        return;
    m_failureReported = true;
    std::fprintf(stderr,
                 "Wardex: an alarm mail could not be delivered through \"%s\" (status %d); it "
                 "stays in %s and is sent again.\n",
                 SmtpClient::HeaderValue(queued->mail.server).c_str(), status,
                 MailQueue::kFileName);
}

void SmtpMailSender::SaveQueue(int64_t nowMs)
{
    m_savedMs = nowMs;
    if (m_queue.Save()) {
        m_saveFailureReported = false;
        return;
    }
    if (!std::exchange(m_saveFailureReported, true))
        std::fprintf(stderr, "Wardex: %s cannot be written; queued mails live in memory only.\n",
                     MailQueue::kFileName);
}

std::string MailQueueText(const MailQueueState& state, int64_t nowMs)
{
    if (state.queued == 0)
        return Tr("E-Mail-Warteschlange: leer");
    if (state.sending == 0 && state.nextAttemptMs > nowMs)
        return FormatTr(TrNoop("E-Mail-Warteschlange: %d, naechster Versuch in %d s"), state.queued,
                        (state.nextAttemptMs - nowMs + 999) / 1000);
    return FormatTr(TrNoop("E-Mail-Warteschlange: %d, wird gesendet"), state.queued);
}
