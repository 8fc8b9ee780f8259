// The station's audit trail, "Audit.log" in the program folder: one line per
// operator or station action (see AuditLine), appended and never rewritten.
//
// Writing never holds up an alarm: a line is chained in memory at once and
// written when the file takes it; a failing write is told once on standard
// error, Failing() says so for the status bar, and Tick retries. Past
// kMaxPending waiting lines further events are only counted, and a "trail-gap"
// line names the count once writing works again. A file grown past the
// rotation size is renamed to "Audit-<first seq>.log" and the new file's
// first line chains to the old file's last.
//
// The head of the chain (last written seq and hash) goes to the system log at
// start, every hour, at a shift handover and at the end, so that a rewritten
// file no longer matches what the system log kept.
#pragma once

#include "audit/AuditLine.h"
#include "platform/posix/FileHandle.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>

class Clock;
class SystemLog;

class AuditTrail {
public:
    static constexpr const char* kFileName = "Audit.log";
    static constexpr int64_t kDefaultRotationBytes = 16 * 1024 * 1024;
    static constexpr size_t kMaxPending = 10'000;
    static constexpr int64_t kHeadIntervalMs = 3'600'000;

    AuditTrail(std::filesystem::path folder, Clock& clock, SystemLog& log, std::string station);
    AuditTrail(const AuditTrail&) = delete;
    AuditTrail& operator=(const AuditTrail&) = delete;

    struct Previous {
        // The last line was a "station-end" (or there was no trail yet).
        bool endedInOrder = true;
        // Bytes of an incomplete last line, cut off (a kill mid-write).
        int64_t cutBytes = 0;
    };
    // Finds where the existing trail ends, cutting an incomplete last line.
    Previous Open();

    // Who is logged in when an event is recorded.
    void SetUserSource(std::function<std::string()> user) { m_user = std::move(user); }
    void SetRotationBytes(int64_t bytes) { m_rotationBytes = bytes; }

    void Record(AuditEvent event);
    void Record(std::string kind, std::string subject, AuditDetails details = {});

    // Writes the head of what is on disk to the system log.
    void PublishHead(std::string_view reason);
    // Once a second or so: retries a failed write, publishes the hourly head.
    void Tick();

    // Tries to write what waits; true when nothing waits any more.
    bool Flush();
    bool Failing() const { return m_failing; }
    size_t PendingCount() const { return m_pending.size(); }

    int64_t WrittenSeq() const { return m_writtenSeq; }
    const std::string& WrittenHash() const { return m_writtenHash; }
    const std::filesystem::path& File() const { return m_file; }
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    struct Pending {
        int64_t seq;
        std::string hash;
        std::string text;
    };

    bool WriteOne(const Pending& line);
    bool RotateIfDue();
    bool EnsureOpen();
    void ReportFailure(const char* what);

    std::filesystem::path m_folder;
    std::filesystem::path m_file;
    Clock& m_clock;
    SystemLog& m_log;
    std::string m_station;
    std::function<std::string()> m_user;
    int64_t m_rotationBytes = kDefaultRotationBytes;
    FileHandle m_handle;
    // The size of the whole lines on disk; a failed write is cut back to it.
    int64_t m_size = -1;
    int64_t m_seq = 0;
    std::string m_hash = kAuditGenesis;
    int64_t m_writtenSeq = 0;
    std::string m_writtenHash = kAuditGenesis;
    std::deque<Pending> m_pending;
    int64_t m_lost = 0;
    bool m_failing = false;
    int64_t m_lastHeadMs = 0;
};

// "2026-03-29T03:30:00.000+02:00": the station clock's local time.
std::string IsoLocalTime(int64_t msSince1601);
