#include "audit/AuditVerifier.h"

#include "audit/AuditLine.h"
#include "audit/AuditTrail.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The value after "key=" up to the next blank, or nothing.
std::optional<std::string_view> Field(std::string_view line, std::string_view key)
{
    size_t at = line.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(at + key.size());
    return rest.substr(0, rest.find(' '));
}

} // namespace

std::vector<AuditHead> FindAuditHeads(std::string_view logText)
{
    std::vector<AuditHead> heads;
    while (!logText.empty()) {
        size_t end = logText.find('\n');
        std::string_view line = logText.substr(0, end);
        logText = end == std::string_view::npos ? std::string_view() : logText.substr(end + 1);
        size_t marker = line.find("audit head file=");
        if (marker == std::string_view::npos)
            continue;
        line = line.substr(marker);
        std::optional<std::string_view> seqText = Field(line, " seq=");
        std::optional<std::string_view> hash = Field(line, " hash=");
        // The file name may hold blanks: it runs up to " seq=".
        size_t seqAt = line.find(" seq=");
        if (!seqText || !hash || hash->size() != 64)
            continue;
        AuditHead head;
        head.file = std::string(line.substr(16, seqAt - 16));
        auto [ptr, error] =
            std::from_chars(seqText->data(), seqText->data() + seqText->size(), head.seq);
        if (error != std::errc() || ptr != seqText->data() + seqText->size() || head.seq < 0)
            continue;
        head.hash = std::string(*hash);
        heads.push_back(std::move(head));
    }
    return heads;
}

AuditChainCheck::AuditChainCheck(Start start, const std::vector<AuditHead>& heads) : m_start(start)
{
    for (const AuditHead& head : heads)
        if (head.seq > 0)
            m_heads[head.seq] = head.hash;
}

bool AuditChainCheck::Broken(std::string_view name, int64_t line, std::string reason)
{
    m_check.intact = false;
    m_check.brokenFile = std::string(name);
    m_check.brokenLine = line;
    m_check.reason = std::move(reason);
    return false;
}

bool AuditChainCheck::CheckLine(std::string_view name, int64_t number, std::string_view text)
{
    std::optional<ParsedAuditLine> parsed = ParseAuditLine(text);
    if (!parsed)
        return Broken(name, number, "not a line of the trail");
    const AuditLine& line = parsed->line;
    if (!parsed->hashHolds)
        return Broken(name, number, "its hash does not match its text (changed)");
    if (m_haveLine) {
        if (line.seq != m_lastSeq + 1)
            return Broken(name, number,
                          "line " + std::to_string(m_lastSeq + 1) + " expected, found " +
                              std::to_string(line.seq) + " (removed or inserted lines)");
        if (line.prev != m_lastHash)
            return Broken(name, number, "it does not follow the line before (inserted or changed)");
    } else if (m_start == Start::Beginning || line.seq == 1) {
        if (line.seq != 1)
            return Broken(name, number, "the trail's first lines are missing");
        if (line.prev != kAuditGenesis)
            return Broken(name, number, "the first line names a line before it");
    }
    if (auto head = m_heads.find(line.seq); head != m_heads.end()) {
        if (head->second != line.hash)
            return Broken(name, number,
                          "its hash differs from the head in the system log (rewritten)");
        ++m_check.headsMatched;
    }
    m_haveLine = true;
    m_lastSeq = line.seq;
    m_lastHash = line.hash;
    ++m_check.lines;
    return true;
}

bool AuditChainCheck::AddFile(std::string_view name, std::string_view text)
{
    if (!m_check.intact)
        return false;
    m_lastFile = std::string(name);
    m_lastFileLines = 0;
    m_check.incompleteLastLine = false;
    while (!text.empty()) {
        size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            m_check.incompleteLastLine = true;
            break;
        }
        if (!CheckLine(name, ++m_lastFileLines, text.substr(0, end)))
            return false;
        text.remove_prefix(end + 1);
    }
    return true;
}

AuditCheck AuditChainCheck::Finish(Last last)
{
    if (last == Last::EndOfTrail && m_check.intact && !m_heads.empty() &&
        m_heads.rbegin()->first > m_lastSeq)
        Broken(m_lastFile, m_lastFileLines + 1,
               "the system log knows line " + std::to_string(m_heads.rbegin()->first) +
                   ", the trail ends at " + std::to_string(m_lastSeq) + " (lines removed)");
    return m_check;
}

std::vector<fs::path> AuditFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.starts_with("Audit-") && name.ends_with(".log"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    if (fs::exists(folder / AuditTrail::kFileName, error))
        files.push_back(folder / AuditTrail::kFileName);
    return files;
}
