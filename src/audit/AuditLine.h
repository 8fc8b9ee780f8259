// One line of the audit trail: a flat JSON object that a person and grep can
// read, ending in the hash that chains it to the line before. The hash covers
// the line's text up to the "hash" member, and that text holds the previous
// line's hash, so changing, removing or inserting a line breaks every hash
// comparison after it.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using AuditDetails = std::vector<std::pair<std::string, std::string>>;

// What happened, as the code that saw it tells it.
struct AuditEvent {
    std::string kind;
    std::string subject;
    AuditDetails details;
};

struct AuditLine {
    // Counts every line since the trail began, across rotated files.
    int64_t seq = 0;
    // ISO 8601 local time with its offset, from the station clock.
    std::string time;
    std::string station;
    std::string user;
    AuditEvent event;
    std::string prev;
    std::string hash;
};

// The previous hash of the trail's first line.
inline const std::string kAuditGenesis(64, '0');

// SHA-256 of the bytes, as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

// The line's text without a line feed; fills line.hash from line.prev and
// the other fields.
std::string ComposeAuditLine(AuditLine& line);

// Reads a line as ComposeAuditLine writes it (members in any order, "hash"
// last); nothing for anything else. hashHolds tells whether the stored hash
// is the one of the text before it.
struct ParsedAuditLine {
    AuditLine line;
    bool hashHolds = false;
};
std::optional<ParsedAuditLine> ParseAuditLine(std::string_view text);

// A detail's value as the trail may show it: the values of keys that name a
// password or secret are masked whatever they hold.
bool IsSecretKey(std::string_view key);
inline constexpr std::string_view kMasked = "***";

// The count and the first and last arrival of the alarms of one operation.
class AlarmRange {
public:
    void Add(int64_t arrivalMs);
    int Count() const { return m_count; }
    AuditDetails Details() const;

private:
    int m_count = 0;
    int64_t m_first = std::numeric_limits<int64_t>::max();
    int64_t m_last = std::numeric_limits<int64_t>::min();
};
