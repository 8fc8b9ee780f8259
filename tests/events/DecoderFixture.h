// A station's decoding side for tests: the default configuration with known
// recorders, a clock that moves only when told, the decoder, and a sink that
// records every event it raises.
#pragma once

#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "events/EventDecoder.h"
#include "events/GuardEvent.h"
#include "telegram/EntryListWriter.h"
#include "telegram/TelegramEncoder.h"
#include "testsupport/FakeClockSource.h"
#include "testsupport/ScopedTimeZone.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

inline constexpr std::string_view kRecorderIp = "192.168.10.20";
inline constexpr std::string_view kRecorderName = "Lager Nord";

class GuardEventRecorder final : public GuardEventSink {
public:
    void Raise(const GuardEvent& event) override { events.push_back(event); }

    std::vector<GuardEvent> events;
};

// Readable failure messages.
void PrintTo(const GuardEvent& event, std::ostream* out);

// 2023-11-14 22:13:20 UTC.
inline constexpr int64_t kStartRealtimeUs = 1'700'000'000'000'000;

class DecoderFixture : public ::testing::Test {
protected:
    DecoderFixture();
    ~DecoderFixture() override;

    ConfigNode& RecorderList();
    ConfigNode& AddRecorder(std::string_view ip, std::string_view name, int32_t hybrid = 0);

    // Decodes one telegram and returns the events it dispatched.
    std::vector<GuardEvent> Decode(uint16_t typeCode, uint32_t detail,
                                   const EntryListWriter& payload = {},
                                   std::string_view ip = kRecorderIp);
    TelegramOutcome DecodeBytes(const std::vector<uint8_t>& telegram,
                                std::string_view ip = kRecorderIp);
    // The one event a telegram dispatched; fails the test otherwise.
    GuardEvent DecodeOne(uint16_t typeCode, uint32_t detail, const EntryListWriter& payload = {},
                         std::string_view ip = kRecorderIp);
    // The AddInfo of the one dispatched event.
    std::string AddInfoOf(uint16_t typeCode, uint32_t detail, const EntryListWriter& payload = {});

    int64_t NowMs() { return m_clock.NowMs(); }

    ScopedTimeZone m_zone{"Europe/Berlin"};
    FakeClockSource m_source{kStartRealtimeUs};
    Clock m_clock{m_source};
    ConfigTree m_tree;
    GuardEventRecorder m_recorder;
    EventDecoder m_decoder{m_tree, m_clock, m_recorder};
};

// A payload in the entry layout: the version entry first, then `entries`.
EntryListWriter EntryLayout(const EntryListWriter& entries = {});
// A payload with a nested list holding `inner`.
EntryListWriter Nest(const EntryListWriter& inner);
