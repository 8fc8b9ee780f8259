// The stations allowed to forward telegrams to this one: host names or
// dotted addresses separated by ";". An empty list allows every station.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ForwardingAllowList {
public:
    // Takes the list text; names are resolved here, once per change of the
    // text, never per message.
    void Update(std::string_view text);
    bool Allows(std::string_view peerAddress) const;
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    bool m_updated = false;
    std::vector<std::string> m_addresses;
};
