// The recorder list "KXRL", written by the live-view program: its recorders
// with their preset names. The station only reads it, into a copy that lives
// as long as this object.
#pragma once

#include "links/SharedRecorder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class SharedRecorderList {
public:
    static constexpr const char* kMappingName = "KXRL";
    static constexpr const char* kMutexName = "KXRLM";

    explicit SharedRecorderList(std::string namePrefix = {});

    // False when the list is missing (the live-view program does not run),
    // cannot be mapped, has another version or is malformed; the copy is
    // then empty.
    [[nodiscard]] bool Read();
    size_t Count() const { return m_recorders.size(); }
    const SharedRecorder& At(size_t index) const { return m_recorders.at(index); }
    const std::vector<SharedRecorder>& Recorders() const { return m_recorders; }

    // The whole mapping: version 1, a count and that many records of
    // NUL-terminated texts (name, address, items, an empty text). Anything
    // running past the end or a negative count rejects the whole list.
    static bool Parse(std::span<const uint8_t> view, std::vector<SharedRecorder>& recorders);
    // The live-view program's side.
    static std::vector<uint8_t> Encode(const std::vector<SharedRecorder>& recorders);

private:
    std::string m_prefix;
    std::vector<SharedRecorder> m_recorders;
};
