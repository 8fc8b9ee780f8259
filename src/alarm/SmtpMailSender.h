// Alarm mails over the station's own SMTP client, through a queue that keeps
// every mail until the server accepted its end of data. A new mail is tried
// at once; one that fails waits, doubling its wait with each failure, and
// every waiting mail is tried again as soon as another one goes through. At
// most a few connections are open at a time. Everything runs from the alarm
// path (queueing) and the main window's tick (outcomes, retries, the file).
// A failure and a full queue are reported once on standard error, not per
// mail.
#pragma once

#include "alarm/MailQueue.h"
#include "alarm/MailSender.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Clock;
class SmtpClient;
class SocketPump;

struct MailQueueState {
    size_t queued = 0;
    size_t sending = 0;
    // When the next waiting mail is tried again; 0 when none waits.
    int64_t nextAttemptMs = 0;
};

class SmtpMailSender final : public MailSender {
public:
    static constexpr int64_t kFirstRetryMs = 15'000;
    // The wait stops doubling at this multiple of the first.
    static constexpr int64_t kMaxRetryFactor = 16;
    static constexpr size_t kMaxInFlight = 4;
    // A dialogue that has not ended by then is given up (and the mail kept
    // unless the server accepted it).
    static constexpr int64_t kAttemptLimitMs = 120'000;
    // The queue file is rewritten at most this often.
    static constexpr int64_t kSaveIntervalMs = 1'000;

    // Loads what the queue's file still holds; it is sent from the first tick.
    SmtpMailSender(SocketPump& pump, Clock& clock, MailQueue queue,
                   int64_t firstRetryMs = kFirstRetryMs);
    // Writes the queue; mails still in flight stay in it.
    ~SmtpMailSender() override;
    SmtpMailSender(const SmtpMailSender&) = delete;
    SmtpMailSender& operator=(const SmtpMailSender&) = delete;

    // Queues the mail and tries it at once when a connection is free. False
    // only when the mail has no recipient.
    bool Send(const AlarmMail& mail) override;
    void Tick(int64_t nowMs);
    // The server settings changed: the queued mails go there, from now.
    void UseServer(const std::string& server, bool useAuth, const std::string& authUser,
                   const std::string& authPassword);

    MailQueueState State(int64_t nowMs) const;
    const MailQueue& Queue() const { return m_queue; }

private:
    struct Flight;

    void StartDue(int64_t nowMs);
    void Attempt(QueuedMail& mail, int64_t nowMs);
    void Poll(int64_t nowMs);
    void Delivered(uint64_t id);
    void Failed(uint64_t id, int64_t nowMs, int status);
    void SaveQueue(int64_t nowMs);

    SocketPump& m_pump;
    Clock& m_clock;
    MailQueue m_queue;
    int64_t m_firstRetryMs;
    std::vector<std::unique_ptr<Flight>> m_flights;
    int64_t m_savedMs = 0;
    // A failure since the last delivery: the next delivery makes every
    // waiting mail due.
    bool m_failing = false;
    bool m_failureReported = false;
    bool m_dropReported = false;
    bool m_saveFailureReported = false;
};

// The queue's state for the status bar and the system page.
std::string MailQueueText(const MailQueueState& state, int64_t nowMs);
