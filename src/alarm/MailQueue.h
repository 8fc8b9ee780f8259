// The alarm mails not yet accepted by the mail server, kept in
// "MailQueue.journal" in the program folder (owner only: the server's
// password is in it, as in the configuration image) so that they survive a
// restart. The file is replaced as a whole; an empty queue is an empty file.
// The queue is bounded by count and bytes: a mail beyond either pushes the
// oldest out.
#pragma once

#include "alarm/MailSender.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct QueuedMail {
    AlarmMail mail;
    // Kept from the first attempt, so that a mail sent again is the same mail.
    std::string date;
    std::string messageId;

    // Not stored: the state of its delivery in this run.
    uint64_t id = 0;
    int failures = 0;
    int64_t notBeforeMs = 0;
    bool inFlight = false;
};

class MailQueue {
public:
    static constexpr const char* kFileName = "MailQueue.journal";
    static constexpr size_t kMaxMails = 1000;
    static constexpr size_t kMaxBytes = 2 << 20;

    explicit MailQueue(std::filesystem::path path, size_t maxMails = kMaxMails,
                       size_t maxBytes = kMaxBytes);

    // Reads the file; a record cut short is dropped. False when the file
    // exists but is not a mail queue: the queue then starts empty.
    [[nodiscard]] bool Load();
    // Writes the file when its content changed since the last write.
    [[nodiscard]] bool Save();
    // Writes the file at once without waiting for the disk: what is queued
    // survives a kill of the station; the next Save makes it survive a power
    // loss too.
    [[nodiscard]] bool Keep();
    bool Unsaved() const { return m_unsaved; }

    // Appends and returns how many of the oldest mails had to go.
    size_t Add(QueuedMail mail);
    void Remove(uint64_t id);
    QueuedMail* Find(uint64_t id);
    // A change to a mail's stored fields.
    void Touched() { m_unsaved = true; }

    std::deque<QueuedMail>& Mails() { return m_mails; }
    const std::deque<QueuedMail>& Mails() const { return m_mails; }
    size_t Bytes() const { return m_bytes; }

    static std::string Serialize(const std::deque<QueuedMail>& mails);
    // The mails of a file's bytes, oldest first; nothing when the bytes are
    // not a mail queue.
    static std::optional<std::vector<QueuedMail>> Parse(std::string_view bytes);
    static size_t SizeOf(const QueuedMail& mail);

private:
    std::filesystem::path m_path;
    size_t m_maxMails;
    size_t m_maxBytes;
    std::deque<QueuedMail> m_mails;
    size_t m_bytes = 0;
    uint64_t m_nextId = 1;
    bool m_unsaved = false;
    std::string m_written;
};
