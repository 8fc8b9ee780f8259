// Fuzzes the audit trail's reader and verifier: any bytes as a trail file and
// as system log text must be judged without a crash, and a line that reads
// must compose back into a line whose hash holds.
#include "audit/AuditLine.h"
#include "audit/AuditVerifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    AuditChainCheck check(AuditChainCheck::Start::Anywhere, FindAuditHeads(text));
    check.AddFile("Audit.log", text);
    AuditCheck result = check.Finish();
    if (!result.intact && result.brokenLine < 1)
        std::abort();
    std::string_view first = text.substr(0, text.find('\n'));
    if (std::optional<ParsedAuditLine> parsed = ParseAuditLine(first)) {
        AuditLine line = parsed->line;
        std::string again = ComposeAuditLine(line);
        std::optional<ParsedAuditLine> reread = ParseAuditLine(again);
        if (!reread || !reread->hashHolds) {
            std::fprintf(stderr, "a composed line does not read back\n");
            std::abort();
        }
    }
    return 0;
}
