// Parsing the simulator's options and building its telegrams.
#include "recorder-sim/SimOptions.h"

#include "recorder-sim/TypePresets.h"
#include "telegram/PayloadSpec.h"
#include "telegram/TelegramEncoder.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint16_t kTestMessageType = 10042;
constexpr uint8_t kFlagSwitchedOff = 4;
constexpr uint8_t kFlagTestOnly = 8;

class ArgumentReader {
public:
    ArgumentReader(int argc, const char* const* argv, std::string& error)
        : m_argc(argc), m_argv(argv), m_error(error)
    {
    }

    bool AtEnd() const { return m_next >= m_argc; }
    std::string_view Take() { return m_argv[m_next++]; }

    bool Value(std::string_view option, std::string& value)
    {
        if (AtEnd())
            return Fail(std::string(option) + " needs a value");
        value = Take();
        return true;
    }

    bool Number(std::string_view option, int64_t min, int64_t max, int64_t& value)
    {
        std::string text;
        if (!Value(option, text))
            return false;
        std::optional<int64_t> number = ParseNumber(text, min, max);
        if (!number)
            return Fail(std::string(option) + ": \"" + text + "\" is not a number from " +
                        std::to_string(min) + " to " + std::to_string(max));
        value = *number;
        return true;
    }

    bool Fail(std::string message)
    {
        m_error = std::move(message);
        return false;
    }

private:
    int m_argc;
    const char* const* m_argv;
    int m_next = 1;
    std::string& m_error;
};

bool ParseMode(std::string_view word, SimMode& mode)
{
    if (word == "send")
        mode = SimMode::Send;
    else if (word == "heartbeat")
        mode = SimMode::Heartbeat;
    else if (word == "burst")
        mode = SimMode::Burst;
    else if (word == "relay")
        mode = SimMode::Relay;
    else if (word == "types")
        mode = SimMode::Types;
    else if (word == "help" || word == "--help" || word == "-h")
        mode = SimMode::Help;
    else
        return false;
    return true;
}

bool NeedsType(SimMode mode)
{
    return mode == SimMode::Send || mode == SimMode::Burst || mode == SimMode::Relay;
}

EntryListWriter CommonEntries(const SimOptions& options, const StampFields& now)
{
    EntryListWriter entries;
    if (options.departure == DepartureChoice::Now)
        entries.Departure(now);
    else if (options.departure == DepartureChoice::Fixed)
        entries.Departure(options.fixedDeparture);
    if (options.version)
        entries.SoftwareVersion(*options.version);
    if (options.hybrid)
        entries.Hybrid(*options.hybrid);
    return entries;
}

std::vector<uint8_t> Encode(const SimOptions& options, uint16_t typeCode, uint32_t detail,
                            const EntryListWriter& payload)
{
    TelegramFields fields;
    fields.kind = options.kind;
    fields.word2 = options.word2;
    fields.word4 = options.word4;
    fields.typeCode = typeCode;
    fields.detail = detail;
    std::vector<uint8_t> telegram = EncodeTelegram(fields, payload.Bytes());
    if (options.badChecksum)
        telegram[16] = static_cast<uint8_t>(telegram[16] + 1);
    return telegram;
}

} // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error)
{
    ArgumentReader args(argc, argv, error);
    bool modeSeen = false;
    bool typeSeen = false;
    while (!args.AtEnd()) {
        std::string_view arg = args.Take();
        int64_t number = 0;
        std::string text;
        if (!modeSeen && ParseMode(arg, options.mode)) {
            modeSeen = true;
            if (options.mode == SimMode::Help)
                return true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.mode = SimMode::Help;
            return true;
        }
        if (modeSeen && NeedsType(options.mode) && !typeSeen && !arg.starts_with("-")) {
            std::optional<int64_t> code = ParseNumber(arg, 0, 0xFFFF);
            if (!code)
                return args.Fail("\"" + std::string(arg) + "\" is no alarm type code");
            options.typeCode = static_cast<uint16_t>(*code);
            typeSeen = true;
            continue;
        }
        if (arg == "--host") {
            if (!args.Value(arg, options.host))
                return false;
        } else if (arg == "--port") {
            if (!args.Number(arg, 1, 65535, number))
                return false;
            options.port = static_cast<int>(number);
        } else if (arg == "--bind") {
            if (!args.Value(arg, options.bindAddress))
                return false;
        } else if (arg == "--detail") {
            if (!args.Number(arg, INT32_MIN, UINT32_MAX, number))
                return false;
            options.detail = static_cast<uint32_t>(number);
        } else if (arg == "--version") {
            if (!args.Value(arg, text))
                return false;
            if (text == "none") {
                options.version.reset();
                continue;
            }
            std::optional<int64_t> version = ParseNumber(text, INT32_MIN, INT32_MAX);
            if (!version)
                return args.Fail("--version: \"" + text + "\" is neither a number nor none");
            // Version 0 is what a recorder without a version entry is taken for.
            if (*version == 0)
                options.version.reset();
            else
                options.version = static_cast<int32_t>(*version);
        } else if (arg == "--hybrid") {
            if (!args.Number(arg, INT32_MIN, INT32_MAX, number))
                return false;
            options.hybrid = static_cast<int32_t>(number);
        } else if (arg == "--departure") {
            if (!args.Value(arg, text))
                return false;
            if (text == "now") {
                options.departure = DepartureChoice::Now;
            } else if (text == "none") {
                options.departure = DepartureChoice::None;
            } else if (std::optional<StampFields> stamp = ParseStampText(text)) {
                options.departure = DepartureChoice::Fixed;
                options.fixedDeparture = *stamp;
            } else {
                return args.Fail("--departure: \"" + text +
                                 "\" is none of now, none, YYYY-MM-DDThh:mm:ss[.mmm]");
            }
        } else if (arg == "--payload") {
            if (!args.Value(arg, text))
                return false;
            options.payload = text;
        } else if (arg == "--add") {
            if (!args.Value(arg, text))
                return false;
            options.additions.push_back(text);
        } else if (arg == "--kind" || arg == "--word2" || arg == "--word4") {
            if (!args.Number(arg, 0, 0xFFFF, number))
                return false;
            uint16_t& field = arg == "--kind"    ? options.kind
                              : arg == "--word2" ? options.word2
                                                 : options.word4;
            field = static_cast<uint16_t>(number);
        } else if (arg == "--bad-checksum") {
            options.badChecksum = true;
        } else if (arg == "--out") {
            if (!args.Value(arg, options.outFile))
                return false;
        } else if (arg == "--show") {
            options.show = true;
        } else if (arg == "--every") {
            if (!args.Number(arg, 1, 86400, number))
                return false;
            options.everySeconds = static_cast<int>(number);
        } else if (arg == "--interval") {
            if (!args.Number(arg, INT32_MIN, INT32_MAX, number))
                return false;
            options.intervalSeconds = static_cast<int>(number);
        } else if (arg == "--off") {
            options.switchedOff = true;
        } else if (arg == "--test-only") {
            options.testOnly = true;
        } else if (arg == "--count") {
            if (!args.Number(arg, 0, 100'000'000, number))
                return false;
            options.count = static_cast<long>(number);
        } else if (arg == "--rate") {
            if (!args.Number(arg, 0, 1'000'000, number))
                return false;
            options.rate = static_cast<double>(number);
        } else if (arg == "--numbered") {
            options.numbered = true;
        } else if (arg == "--origin") {
            if (!args.Value(arg, options.origin))
                return false;
        } else if (arg == "--connections") {
            if (!args.Number(arg, 1, 10'000, number))
                return false;
            options.connections = static_cast<int>(number);
        } else {
            return args.Fail("unknown option \"" + std::string(arg) + "\" (see --help)");
        }
    }
    if (!modeSeen)
        return args.Fail(
            "no mode given: send, heartbeat, burst, relay, types or help (see --help)");
    if (NeedsType(options.mode) && !typeSeen)
        return args.Fail("which alarm type? for example: recorder-sim send 10025");
    if (options.switchedOff && options.testOnly)
        return args.Fail("--off and --test-only exclude each other");
    // Check the payload texts now rather than at the first telegram.
    std::optional<std::vector<uint8_t>> telegram = BuildTelegram(options, StampFields{}, error);
    return telegram.has_value();
}

std::optional<std::vector<uint8_t>> BuildTelegram(const SimOptions& options, const StampFields& now,
                                                  std::string& error)
{
    if (options.mode == SimMode::Heartbeat)
        return BuildTestMessage(options, now);
    const TypePreset* preset = FindTypePreset(options.typeCode);
    EntryListWriter payload = CommonEntries(options, now);
    std::string_view text = options.payload     ? std::string_view(*options.payload)
                            : preset != nullptr ? preset->payload
                                                : std::string_view();
    if (!ParsePayloadSpec(text, payload, error)) {
        error = "payload: " + error;
        return std::nullopt;
    }
    for (const std::string& addition : options.additions) {
        if (!ParsePayloadSpec(addition, payload, error)) {
            error = "--add: " + error;
            return std::nullopt;
        }
    }
    if (!payload.IsValid()) {
        error = "payload: an entry is longer than 65535 bytes";
        return std::nullopt;
    }
    uint32_t detail = options.detail.value_or(preset != nullptr ? preset->detail : 0);
    return Encode(options, options.typeCode, detail, payload);
}

std::vector<uint8_t> BuildTestMessage(const SimOptions& options, const StampFields& now)
{
    EntryListWriter payload = CommonEntries(options, now);
    payload.Value32(1,
                    static_cast<uint32_t>(options.intervalSeconds.value_or(options.everySeconds)));
    if (options.switchedOff)
        payload.Flags(1, kFlagSwitchedOff);
    if (options.testOnly)
        payload.Flags(1, kFlagTestOnly);
    payload.Text(1, "recorder-sim");
    return Encode(options, kTestMessageType, options.detail.value_or(0), payload);
}

std::string HelpText()
{
    std::string text = R"(recorder-sim: plays a recorder against a Wardex station.

Usage:
  recorder-sim send TYPE [options]       send one alarm telegram
  recorder-sim heartbeat [options]       send test messages until stopped
  recorder-sim burst TYPE [options]      send many telegrams and report the rate
  recorder-sim relay TYPE [options]      send many as a forwarding station would
  recorder-sim types                     list the alarm types and their examples
  recorder-sim --help

The station only raises alarms for recorders in its recorder list: enter the
address this simulator connects from (127.0.0.1, or the --bind address).

Connection:
  --host HOST          station address or name (default 127.0.0.1)
  --port PORT          station port (default 30000)
  --bind ADDRESS       local address to connect from, e.g. 127.0.0.2, so one
                       machine can play several recorders on loopback

Telegram:
  --detail VALUE       the detail word (decimal or 0x...; bit 31 is the error flag)
  --version N|none     software version entry (default 31303: entry layout;
                       none or 0: detail-word layout of older recorders)
  --hybrid N           hybrid value entry
  --departure WHEN     now (default), none, or YYYY-MM-DDThh:mm:ss[.mmm] (local)
  --payload TEXT       replace the example payload of the type (see below)
  --add TEXT           append entries to the payload (repeatable)
  --kind N --word2 N --word4 N    header fields (kind 255 = alarm)
  --bad-checksum       corrupt the header checksum (the station then closes)
  --out FILE           write the telegram to FILE instead of connecting
  --show               print the header fields and the bytes

Heartbeat:
  --every SECONDS      time between test messages (default 60)
  --interval SECONDS   interval announced in each message (default: --every)
  --off                announce that the recorder is switched off
  --test-only          mark the messages as tests (no supervision)
  --count N            stop after N messages (default: until Ctrl+C)

Burst:
  --count N            telegrams in all (default 1000)
  --rate R             telegrams per second (default 0: as fast as possible)
  --connections C      spread them over C connections (default 1)
  --numbered           the n-th telegram (from 0) carries n as its detail word

Relay (--count and --numbered as for a burst):
  --origin ADDRESS     the recorder address the DATA messages name (default
                       127.0.0.1); each waits for its ACKN, and a lost
                       connection is made again and the telegram sent again

Payload text: entries separated by blanks or commas, nested lists in braces:
  track:N:NAME camera:N code:V board:N:TYPE status:V pair:K:V value:K:V (u32)
  value16:K:V stamp:K:DATE flags:K:BYTE input:K:V text:K:TEXT raw:TAG:HEX
  version:N hybrid:N departure:DATE      (texts with blanks in "double quotes")

Examples, one per alarm type (the payload shown is the built-in one):
)";
    for (const TypePreset& preset : TypePresets()) {
        std::string line = "  recorder-sim send " + std::to_string(preset.code);
        if (preset.detail != 0) {
            char detail[16];
            std::snprintf(detail, sizeof detail, preset.detailIsMask ? "0x%X" : "%u",
                          preset.detail);
            line += std::string(" --detail ") + detail;
        }
        if (!preset.payload.empty())
            line += " --payload '" + std::string(preset.payload) + "'";
        text += line + "\n      " + std::string(preset.description);
        if (!preset.variants.empty())
            text += "; try also " + std::string(preset.variants);
        text += "\n";
    }
    text += R"(  recorder-sim send 10008
      any other code: the station shows "Unbekannter Alarm"

More:
  recorder-sim heartbeat --every 10 --interval 60
  recorder-sim heartbeat --off --count 1
  recorder-sim --bind 127.0.0.2 send 10016 --detail 0x5
  recorder-sim burst 10020 --count 5000 --rate 500 --connections 4
  recorder-sim send 10025 --version none --out telegram.bin --show
)";
    return text;
}

std::string TypesText()
{
    std::string text;
    for (const TypePreset& preset : TypePresets()) {
        char line[160];
        std::snprintf(line, sizeof line, "%5u  %-42.*s %.*s\n", preset.code,
                      static_cast<int>(preset.description.size()), preset.description.data(),
                      static_cast<int>(preset.payload.size()), preset.payload.data());
        text += line;
    }
    return text;
}
