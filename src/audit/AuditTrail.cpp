#include "audit/AuditTrail.h"

#include "config/Clock.h"
#include "config/Timestamp.h"
#include "platform/SystemLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Enough to hold the longest line the station writes several times over.
constexpr int64_t kTailBytes = 256 * 1024;

std::string RotatedName(int64_t firstSeq)
{
    char name[48];
    std::snprintf(name, sizeof name, "Audit-%012lld.log", static_cast<long long>(firstSeq));
    return name;
}

} // namespace

std::string IsoLocalTime(int64_t msSince1601)
{
    Timestamp stamp = Timestamp::FromMs(msSince1601);
    SystemTime local = stamp.ToLocalFields();
    std::optional<Timestamp> asUtc =
        Timestamp::FromLocalFields(local.day, local.month, local.year, local.hour, local.minute,
                                   local.second, local.milliseconds, FieldsAre::Utc);
    int64_t offsetMinutes =
        asUtc ? (asUtc->ToMs() - Timestamp::FromMs(msSince1601).ToMs()) / 60'000 : 0;
    char sign = offsetMinutes < 0 ? '-' : '+';
    int64_t magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.year,
                  local.month, local.day, local.hour, local.minute, local.second,
                  local.milliseconds, sign, static_cast<int>(magnitude / 60),
                  static_cast<int>(magnitude % 60));
    return text;
}

AuditTrail::AuditTrail(fs::path folder, Clock& clock, SystemLog& log, std::string station)
    : m_folder(std::move(folder)), m_file(m_folder / kFileName), m_clock(clock), m_log(log),
      m_station(std::move(station))
{
}

AuditTrail::Previous AuditTrail::Open()
{
    Previous previous;
    m_handle = FileHandle::OpenReadWrite(m_file.string());
    if (!m_handle.IsOpen()) {
        ReportFailure("opened");
        return previous;
    }
    int64_t size = m_handle.Size();
    int64_t start = size > kTailBytes ? size - kTailBytes : 0;
    std::string tail(static_cast<size_t>(size - start), '\0');
    if (size < 0 ||
        m_handle.ReadAt(start, tail.data(), tail.size()) != static_cast<int64_t>(tail.size())) {
        ReportFailure("read");
        m_handle = FileHandle();
        return previous;
    }
    size_t end = tail.rfind('\n');
    size_t whole = end == std::string::npos ? 0 : end + 1;
    if (whole < tail.size() && (start == 0 || end != std::string::npos)) {
        previous.cutBytes = static_cast<int64_t>(tail.size() - whole);
        if (!m_handle.Truncate(start + static_cast<int64_t>(whole))) {
            ReportFailure("cut back to its last whole line");
            m_handle = FileHandle();
            return previous;
        }
    }
    m_size = start + static_cast<int64_t>(whole);
    if (whole < 2)
        return previous;
    size_t lineStart = tail.rfind('\n', whole - 2);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    std::optional<ParsedAuditLine> last =
        ParseAuditLine(std::string_view(tail).substr(lineStart, whole - 1 - lineStart));
    previous.endedInOrder = last && last->line.event.kind == "station-end";
    if (last) {
        m_seq = m_writtenSeq = last->line.seq;
        m_hash = m_writtenHash = last->line.hash;
    }
    return previous;
}

void AuditTrail::Record(std::string kind, std::string subject, AuditDetails details)
{
    Record(AuditEvent{std::move(kind), std::move(subject), std::move(details)});
}

void AuditTrail::Record(AuditEvent event)
{
    if (m_pending.size() >= kMaxPending) {
        ++m_lost;
        return;
    }
    AuditLine line;
    line.seq = m_seq + 1;
    line.time = IsoLocalTime(m_clock.NowMs());
    line.station = m_station;
    line.user = m_user ? m_user() : std::string();
    line.event = std::move(event);
    line.prev = m_hash;
    std::string text = ComposeAuditLine(line);
    text.push_back('\n');
    m_seq = line.seq;
    m_hash = line.hash;
    m_pending.push_back(Pending{line.seq, line.hash, std::move(text)});
    Flush();
}

bool AuditTrail::EnsureOpen()
{
    if (m_handle.IsOpen() && m_size >= 0)
        return true;
    m_handle = FileHandle::OpenReadWrite(m_file.string());
    if (!m_handle.IsOpen())
        return false;
    m_size = m_handle.Size();
    return m_size >= 0;
}

bool AuditTrail::RotateIfDue()
{
    if (m_size < m_rotationBytes || m_size == 0)
        return true;
    // The first line's seq names the file, so the names sort in chain order.
    std::string first(64 * 1024, '\0');
    int64_t got = m_handle.ReadAt(0, first.data(), first.size());
    if (got <= 0)
        return false;
    first.resize(static_cast<size_t>(got));
    std::optional<ParsedAuditLine> parsed = ParseAuditLine(first.substr(0, first.find('\n')));
    int64_t firstSeq = parsed ? parsed->line.seq : m_writtenSeq;
    std::error_code error;
    fs::rename(m_file, m_folder / RotatedName(firstSeq), error);
    if (error)
        return false;
    m_handle = FileHandle();
    m_size = -1;
    return EnsureOpen();
}

bool AuditTrail::WriteOne(const Pending& line)
{
    if (!EnsureOpen() || !RotateIfDue())
        return false;
    if (!m_handle.WriteAt(m_size, line.text.data(), line.text.size())) {
        // A half-written line would sit inside the chain once a retry succeeds.
        if (!m_handle.Truncate(m_size))
            m_handle = FileHandle();
        return false;
    }
    m_size += static_cast<int64_t>(line.text.size());
    m_writtenSeq = line.seq;
    m_writtenHash = line.hash;
    return true;
}

bool AuditTrail::Flush()
{
    while (!m_pending.empty()) {
        if (!WriteOne(m_pending.front())) {
            ReportFailure("written");
            return false;
        }
        m_pending.pop_front();
        if (m_pending.empty() && m_lost > 0)
            Record("trail-gap", "", {{"lost", std::to_string(std::exchange(m_lost, 0))}});
    }
    if (m_failing) {
        m_failing = false;
        std::fprintf(stderr, "Wardex: %s is written again.\n", m_file.c_str());
    }
    return true;
}

void AuditTrail::ReportFailure(const char* what)
{
    if (m_failing)
        return;
    m_failing = true;
    std::fprintf(stderr, "Wardex: %s could not be %s: %s; retrying.\n", m_file.c_str(), what,
                 std::strerror(errno));
}

void AuditTrail::PublishHead(std::string_view reason)
{
    m_lastHeadMs = m_clock.NowMs();
    m_log.Notice("audit head file=" + m_file.string() + " seq=" + std::to_string(m_writtenSeq) +
                 " hash=" + m_writtenHash + " reason=" + std::string(reason));
}

void AuditTrail::Tick()
{
    if (!m_pending.empty())
        Flush();
    if (m_clock.NowMs() - m_lastHeadMs >= kHeadIntervalMs)
        PublishHead("hourly");
}

void AlarmRange::Add(int64_t arrivalMs)
{
    ++m_count;
    m_first = std::min(m_first, arrivalMs);
    m_last = std::max(m_last, arrivalMs);
}

AuditDetails AlarmRange::Details() const
{
    if (m_count == 0)
        return {{"count", "0"}};
    return {{"count", std::to_string(m_count)},
            {"first", IsoLocalTime(m_first)},
            {"last", IsoLocalTime(m_last)}};
}
