// One example per alarm type a recorder sends.
#include "recorder-sim/TypePresets.h"

namespace {

constexpr std::string_view kGenericPayload = "track:1:Eingang camera:0 value:2:0x8 value:1:0x1";

constexpr TypePreset kPresets[] = {
    {10000, "track full", 3, false, "", ""},
    {10001, "disk usage above the mark", 0, false, "", ""},
    {10002, "disk usage below the mark", 0, false, "", ""},
    {10003, "standard track backed up", 0, false, "{pair:1:0 flags:1:0}",
     "--version 0 --detail 0x0001FFFF"},
    {10004, "camera group contact", 0, false, kGenericPayload, "--detail 0x89000005 (error flag)"},
    {10005, "camera contact", 0, false, kGenericPayload, ""},
    {10006, "contact recordings stopped", 0, false, "{value:2:0x8 value:1:0x3}", ""},
    {10007, "player report", 2004, false, "", "--detail 0"},
    {10011, "contact recording started", 0, false, kGenericPayload, "--detail 0x80000001"},
    {10012, "camera recording stopped in all tracks", 0, false, "{value:1:0x3}", ""},
    {10013, "contact recording stopped in a track", 0, false, "{value:2:0x9 value:1:0x1}", ""},
    {10014, "alarm start", 1, false, kGenericPayload, "--detail 0 (alarm end)"},
    {10015, "image comparison event", 0, false, kGenericPayload, ""},
    {10016, "camera failure (mask of failed cameras)", 0x1, true, "", "--detail 0 (camera 1 back)"},
    {10017, "contact recording DTP, network, serial", 0, false, kGenericPayload, ""},
    {10018, "contact input", 0x8002, true, "", "--version 0"},
    {10019, "deleted track", 0, false, "{value:1:2 flags:1:0}", "--version 0 --detail 0xFFFF"},
    {10020, "hard disk error", 0, false, "", ""},
    {10021, "sensor contact", 0, false, kGenericPayload, ""},
    {10022, "sensor card camera signal (mask)", 0x2, true, "", "--detail 0"},
    {10023, "sensor contact end", 0, false, "{value:2:0x11 value:1:0x4}", ""},
    {10024, "recording stopped for cameras", 0, false, "{value:1:0x4}", ""},
    {10025, "sensor board input", 0, false, "{code:6 {code:1 input:1:3 input:2:0}}", ""},
    {10026, "UPS command", 0, false, "{code:7 pair:1:4 pair:1:5}", ""},
    {10027, "fault report (RAID)", 0, false, "{code:18 value:1:0x100}",
     "--payload '{code:5 {board:1:2 status:0x8000 value16:11:3}}' or "
     "--payload '{code:8 value16:1:12}'"},
    {10028, "recorder restart", 0, false, kGenericPayload, ""},
    {10029, "analysis alarm", 0, false, "{code:2 value16:1:1 value16:2:0 text:10:\"Zone 1\"}", ""},
    {10030, "housekeeping", 0, false, "{code:1 value16:1:1 value16:2:45}",
     "--payload '{code:3 value16:1:32}' or --payload '{code:2 value16:1:3}'"},
    {10037, "ignored by the station", 0, false, "", ""},
    {10039, "sensor object", 0, false, "{value16:1:3 value16:2:1 value16:3:42 text:1:Person}", ""},
    {10040, "system error (disks, power supplies)", 0, false,
     "{pair:1:101 {{code:1 pair:1:1} {code:2 pair:1:2}}}", ""},
    {10042, "test message (next in 600 s)", 0, false, "value:1:600",
     "--add flags:1:4 (switched off), see also: heartbeat"},
};

} // namespace

std::span<const TypePreset> TypePresets()
{
    return kPresets;
}

const TypePreset* FindTypePreset(uint16_t code)
{
    for (const TypePreset& preset : kPresets) {
        if (preset.code == code)
            return &preset;
    }
    return nullptr;
}
