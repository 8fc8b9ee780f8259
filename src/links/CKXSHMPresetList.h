// The preset list "KXSHM_PRESETLIST_MAPOBJECT", written by the live-view
// program: a plain list of preset names. The station reads it into a copy
// when the live-view settings open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CKXSHMPresetList {
public:
    static constexpr const char* kMappingName = "KXSHM_PRESETLIST_MAPOBJECT";
    static constexpr const char* kMutexName = "KXSHM_PRESETLIST_MUTEX";

    // Raised by the steps of Read and caught there; it never leaves Read.
    class CErrorException {
    public:
        explicit CErrorException(const char* what) : m_what(what) {}
        const char* What() const { return m_what; }

    private:
        const char* m_what;
    };

    explicit CKXSHMPresetList(std::string namePrefix = {});

    // False when the list is missing, cannot be mapped, has another version
    // or is malformed; the names are then empty.
    [[nodiscard]] bool Read();
    size_t Count() const { return m_names.size(); }
    const std::string& At(size_t index) const { return m_names.at(index); }
    const std::vector<std::string>& Names() const { return m_names; }
    // Why the last Read failed.
    const std::string& LastError() const { return m_lastError; }

    // Version 1, a signed 8-bit count at 4 (0 or less: no names), then the
    // NUL-terminated names from 8. A name running past the end rejects the
    // list.
    static bool Parse(std::span<const uint8_t> view, std::vector<std::string>& names);
    // The live-view program's side; at most 127 names fit the count.
    static std::vector<uint8_t> Encode(const std::vector<std::string>& names);

private:
    std::string m_prefix;
    std::vector<std::string> m_names;
    std::string m_lastError;
};
