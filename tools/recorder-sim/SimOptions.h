// The simulator's command line: the mode, where to connect, and how the
// telegrams are built; and building a telegram from them.
#pragma once

#include "telegram/EntryListWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class SimMode { Help, Types, Send, Heartbeat, Burst, Relay };

enum class DepartureChoice { Now, None, Fixed };

struct SimOptions {
    static constexpr int kDefaultPort = 30000;

    SimMode mode = SimMode::Help;
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
    std::string bindAddress;

    // The telegram.
    uint16_t typeCode = 0;
    std::optional<uint32_t> detail;
    std::optional<int32_t> version = wire::kEntryLayoutVersion; // nothing: no version entry
    std::optional<int32_t> hybrid;
    DepartureChoice departure = DepartureChoice::Now;
    StampFields fixedDeparture;
    std::optional<std::string> payload; // replaces the type's example payload
    std::vector<std::string> additions; // appended to the payload
    uint16_t kind = 255;
    uint16_t word2 = 0;
    uint16_t word4 = 0;
    bool badChecksum = false;
    std::string outFile;
    bool show = false;

    // Heartbeat: a test message every `everySeconds`, announcing
    // `intervalSeconds` (default: the same), `count` times (0: until stopped).
    int everySeconds = 60;
    std::optional<int> intervalSeconds;
    bool switchedOff = false;
    bool testOnly = false;

    // Burst: `count` telegrams over `connections` connections at `rate`
    // telegrams per second (0: as fast as possible).
    long count = -1;
    double rate = 0;
    int connections = 1;
    // The n-th telegram of a burst or relay carries n as its detail word.
    bool numbered = false;

    // Relay: the recorder address the DATA messages name.
    std::string origin = "127.0.0.1";
};

// False with a message for the user when the command line is wrong.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error);

// The telegram the options describe, with `now` as the departure stamp when
// asked for; nothing (and a message) when a payload text is wrong.
std::optional<std::vector<uint8_t>> BuildTelegram(const SimOptions& options, const StampFields& now,
                                                  std::string& error);

// The test message of the heartbeat mode.
std::vector<uint8_t> BuildTestMessage(const SimOptions& options, const StampFields& now);

std::string HelpText();
std::string TypesText();
