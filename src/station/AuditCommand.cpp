#include "station/AuditCommand.h"

#include "audit/AuditTrail.h"
#include "audit/AuditVerifier.h"
#include "platform/SystemLog.h"
#include "station/CommandLine.h"
#include "station/StationFolders.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadWhole(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The heads the station wrote for the trail in `folder`: from the log file
// given with /auditlog, else from the journal.
std::vector<AuditHead> HeadsFor(const CommandLine& options, const fs::path& folder)
{
    std::optional<std::string> logText;
    if (std::optional<std::string> logFile = options.Value("auditlog")) {
        logText = ReadWhole(*logFile);
        if (!logText)
            std::printf("The system log %s cannot be read; only the chain is checked.\n",
                        logFile->c_str());
    } else {
        logText = ReadJournalNotices();
        if (!logText)
            std::printf("journalctl is not available; only the chain is checked "
                        "(/auditlog:FILE reads the heads from a log file).\n");
    }
    std::vector<AuditHead> heads;
    std::error_code error;
    fs::path trail = fs::weakly_canonical(folder / AuditTrail::kFileName, error);
    for (AuditHead& head : FindAuditHeads(logText.value_or(std::string())))
        if (fs::weakly_canonical(head.file, error) == trail)
            heads.push_back(std::move(head));
    if (logText)
        std::printf("%zu chain heads of this trail found in the system log.\n", heads.size());
    return heads;
}

} // namespace

int VerifyAuditCommand(const CommandLine& options)
{
    std::string given = options.Value("verifyaudit").value_or(std::string());
    std::vector<fs::path> files;
    fs::path folder;
    if (given.empty()) {
        folder = ChooseStationFolders(CurrentFolderSources(options)).data;
        files = AuditFiles(folder);
    } else {
        files.emplace_back(given);
        std::error_code error;
        folder = fs::absolute(files.front(), error).parent_path();
    }
    if (files.empty()) {
        std::printf("No audit trail in %s.\n", folder.c_str());
        return 1;
    }
    AuditChainCheck chain(given.empty() ? AuditChainCheck::Start::Beginning
                                        : AuditChainCheck::Start::Anywhere,
                          HeadsFor(options, folder));
    for (const fs::path& file : files) {
        std::optional<std::string> text = ReadWhole(file);
        if (!text) {
            std::printf("%s cannot be read.\n", file.c_str());
            return 1;
        }
        if (!chain.AddFile(file.string(), *text))
            break;
    }
    bool newest = files.back().filename() == AuditTrail::kFileName;
    AuditCheck check =
        chain.Finish(newest ? AuditChainCheck::Last::EndOfTrail : AuditChainCheck::Last::Rotated);
    if (!check.intact) {
        std::printf("BROKEN: %s line %lld: %s.\n", check.brokenFile.c_str(),
                    static_cast<long long>(check.brokenLine), check.reason.c_str());
        return 1;
    }
    if (check.incompleteLastLine)
        std::printf("The last line is incomplete (the station ended while writing it); "
                    "everything before it was checked.\n");
    std::printf("Intact: %lld lines in %zu files, %lld of them confirmed by the system log.\n",
                static_cast<long long>(check.lines), files.size(),
                static_cast<long long>(check.headsMatched));
    return 0;
}
