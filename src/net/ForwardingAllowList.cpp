#include "net/ForwardingAllowList.h"

#include <algorithm>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace {

std::string_view Trimmed(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last + 1 - first);
}

void AddResolved(const std::string& name, std::vector<std::string>& addresses)
{
    in_addr numeric{};
    if (inet_pton(AF_INET, name.c_str(), &numeric) == 1) {
        addresses.push_back(name);
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr)
            addresses.emplace_back(text);
    }
    freeaddrinfo(found);
}

} // namespace

void ForwardingAllowList::Update(std::string_view text)
{
    if (m_updated && text == m_text)
        return;
    m_updated = true;
    m_text = text;
    m_addresses.clear();
    for (size_t start = 0; start <= text.size();) {
        size_t end = std::min(text.find(';', start), text.size());
        std::string_view entry = Trimmed(text.substr(start, end - start));
        if (!entry.empty())
            AddResolved(std::string(entry), m_addresses);
        start = end + 1;
    }
}

bool ForwardingAllowList::Allows(std::string_view peerAddress) const
{
    if (Trimmed(m_text).find_first_not_of(';') == std::string_view::npos)
        return true;
    return std::find(m_addresses.begin(), m_addresses.end(), peerAddress) != m_addresses.end();
}
