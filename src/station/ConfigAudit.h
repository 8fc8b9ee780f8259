// What the configuration sheet changed, for the audit trail: copies of the
// subtrees the sheet edits, taken when it opens and compared with the live
// tree when it closes with OK. Accounts are told as users added, deleted,
// changed and rights changed; everything else as one line per key with its
// old and new value, secrets masked.
#pragma once

#include "audit/AuditLine.h"

#include <memory>
#include <string>
#include <vector>

class AuditTrail;
class ConfigNode;
class ConfigTree;

class ConfigAudit {
public:
    explicit ConfigAudit(ConfigTree& tree);
    ~ConfigAudit();
    ConfigAudit(const ConfigAudit&) = delete;
    ConfigAudit& operator=(const ConfigAudit&) = delete;

    // The changes since construction; each is recorded as well when a trail
    // is given.
    std::vector<AuditEvent> Changes() const;
    void Record(AuditTrail& trail) const;

private:
    struct Watched {
        std::string path;
        std::unique_ptr<ConfigNode> before;
    };
    ConfigTree& m_tree;
    std::vector<Watched> m_watched;
};

// A leaf's value as text: numbers in decimal, raw bytes by their count.
std::string ConfigValueText(const ConfigNode& leaf);
