// The trail read back for the viewer: every line of every file of the chain,
// then what is appended as the station writes on, and the viewer's filter.
#pragma once

#include "audit/AuditLine.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class AuditLog {
public:
    explicit AuditLog(std::filesystem::path folder);

    enum class Change { None, Appended, Reloaded };
    // The first call reads all files; later ones what was appended since,
    // or everything again after the file was rotated.
    Change Refresh();

    const std::vector<AuditLine>& Lines() const { return m_lines; }

private:
    std::filesystem::path m_folder;
    std::vector<AuditLine> m_lines;
    bool m_loaded = false;
    int64_t m_offset = 0;
};

struct AuditFilter {
    // Local times "YYYY-MM-DDThh:mm:ss", compared with the start of a line's
    // time; empty for no bound.
    std::string from;
    std::string to;
    std::string user;
    std::string kind;
    // Found in any field, ignoring case.
    std::string text;

    bool Matches(const AuditLine& line) const;
};
