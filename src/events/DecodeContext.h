// What a type decoder works on: the telegram's header fields and payload, the
// recorder software version found in it, and the event being built.
#pragma once

#include "events/EntryTags.h"
#include "events/GuardEvent.h"
#include "events/TagReader.h"

#include <cstdint>
#include <optional>
#include <span>

// Whether a decoded event is handed on to alarm dispatch.
enum class Dispatch { No, Yes };

struct DecodeContext {
    static constexpr uint32_t kErrorFlag = 0x80000000u;

    uint16_t typeCode = 0;
    uint32_t detail = 0;
    std::span<const uint8_t> payload;
    int32_t version = 0;
    GuardEvent event;
    // A second alarm the telegram gives rise to, raised after `event` with
    // the next arrival time.
    std::optional<GuardEvent> following;

    bool HasErrorFlag() const { return (detail & kErrorFlag) != 0; }
    // The recorder sends tagged entries (decoders that go by the version alone).
    bool IsEntryRecorder() const { return version >= kEntryLayoutVersion; }
    // The layout of the shared builders: the detail word whenever the error
    // flag is set.
    bool UsesEntryLayout() const { return IsEntryRecorder() && !HasErrorFlag(); }
    std::optional<TagReader> OpenPayload() const { return TagReader::Open(payload); }
};
