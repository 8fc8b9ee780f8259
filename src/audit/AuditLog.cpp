#include "audit/AuditLog.h"

#include "audit/AuditTrail.h"
#include "audit/AuditVerifier.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Whole lines from `offset` on; the offset moves past them.
void ReadLines(const fs::path& file, int64_t& offset, std::vector<AuditLine>& into)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return;
    in.seekg(offset);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t whole = text.rfind('\n');
    if (whole == std::string::npos)
        return;
    std::string_view rest(text.data(), whole + 1);
    offset += static_cast<int64_t>(whole + 1);
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        if (std::optional<ParsedAuditLine> parsed = ParseAuditLine(rest.substr(0, end)))
            into.push_back(std::move(parsed->line));
        rest.remove_prefix(end + 1);
    }
}

} // namespace

AuditLog::AuditLog(fs::path folder) : m_folder(std::move(folder)) {}

AuditLog::Change AuditLog::Refresh()
{
    fs::path current = m_folder / AuditTrail::kFileName;
    std::error_code error;
    auto size = static_cast<int64_t>(fs::file_size(current, error));
    if (error)
        size = 0;
    if (m_loaded && size == m_offset)
        return Change::None;
    // A smaller file is a new one after rotation.
    if (m_loaded && size > m_offset) {
        size_t before = m_lines.size();
        ReadLines(current, m_offset, m_lines);
        return m_lines.size() == before ? Change::None : Change::Appended;
    }
    m_lines.clear();
    m_offset = 0;
    for (const fs::path& file : AuditFiles(m_folder)) {
        int64_t offset = 0;
        ReadLines(file, offset, m_lines);
        if (file == current)
            m_offset = offset;
    }
    m_loaded = true;
    return Change::Reloaded;
}

bool AuditFilter::Matches(const AuditLine& line) const
{
    std::string_view time = std::string_view(line.time).substr(0, 19);
    if (!from.empty() && time < from)
        return false;
    if (!to.empty() && time > to)
        return false;
    if (!user.empty() && line.user != user)
        return false;
    if (!kind.empty() && line.event.kind != kind)
        return false;
    if (text.empty())
        return true;
    std::string needle = Lower(text);
    auto holds = [&needle](std::string_view field) {
        return Lower(field).find(needle) != std::string::npos;
    };
    if (holds(line.user) || holds(line.event.kind) || holds(line.event.subject) ||
        holds(line.station))
        return true;
    return std::any_of(
        line.event.details.begin(), line.event.details.end(),
        [&holds](const auto& detail) { return holds(detail.first) || holds(detail.second); });
}
