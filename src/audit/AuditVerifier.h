// Checks an audit trail: every line's own hash, each line's link to the one
// before, the unbroken count of lines, and the chain heads that the station
// wrote to the system log. Names the first line where any of it fails.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One "audit head" notice found in the system log.
struct AuditHead {
    std::string file;
    int64_t seq = 0;
    std::string hash;
};

// The heads of every "audit head file=... seq=N hash=H" notice in a log's
// text, in the order they appear.
std::vector<AuditHead> FindAuditHeads(std::string_view logText);

struct AuditCheck {
    bool intact = true;
    // Where the chain first fails: the file's name and its line, from 1.
    std::string brokenFile;
    int64_t brokenLine = 0;
    std::string reason;
    int64_t lines = 0;
    int64_t headsMatched = 0;
    // The last file ends in a line without its line feed (a kill mid-write);
    // everything before it was checked.
    bool incompleteLastLine = false;
};

// Feed the files in chain order (rotated files by name, "Audit.log" last).
class AuditChainCheck {
public:
    enum class Start {
        // The first line must be the trail's first (seq 1, no previous hash).
        Beginning,
        // The first line may continue a file that is not given.
        Anywhere,
    };

    AuditChainCheck(Start start, const std::vector<AuditHead>& heads);

    // False once the chain is broken; later files are then not read.
    bool AddFile(std::string_view name, std::string_view text);
    // With EndOfTrail the last file is the newest: a head past its last line
    // means lines were removed from its end.
    enum class Last { EndOfTrail, Rotated };
    AuditCheck Finish(Last last = Last::EndOfTrail);

private:
    bool Broken(std::string_view name, int64_t line, std::string reason);
    bool CheckLine(std::string_view name, int64_t number, std::string_view text);

    Start m_start;
    std::map<int64_t, std::string> m_heads;
    AuditCheck m_check;
    bool m_haveLine = false;
    int64_t m_lastSeq = 0;
    std::string m_lastHash;
    std::string m_lastFile;
    int64_t m_lastFileLines = 0;
};

// The files of the trail in `folder`, in chain order.
std::vector<std::filesystem::path> AuditFiles(const std::filesystem::path& folder);
