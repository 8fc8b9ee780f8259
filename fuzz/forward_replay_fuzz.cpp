// Fuzzes what a start does with the leftovers of a killed relay: the
// telegrams of "ForwardQueue.journal" decoded on this station, in order.
// The journal's records carry checksums, so the input describes records
// (which the target writes whole) and a tail of raw bytes; every queued
// record is replayed once, events name only recorders the records came
// from, and the journal is empty afterwards.
//
// Input: records, each a flags byte (bit 0: done, bits 1-2: origin: the
// known recorder, an unknown one, an empty address, or a length byte and
// that many bytes), the origin, a 16-bit little-endian telegram length and
// the telegram; what is left when a record does not fit is the raw tail.
#include "DecoderStation.h"
#include "FuzzScratch.h"
#include "config/Clock.h"
#include "config/ConfigTree.h"
#include "config/DefaultScript.h"
#include "events/EventDecoder.h"
#include "events/GuardEvent.h"
#include "links/ForwardJournal.h"
#include "links/ForwardingManager.h"
#include "links/LittleEndian.h"
#include "net/SocketPump.h"
#include "platform/ClockSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kKnownIp[] = "10.0.0.1";

uint32_t Checksum(const uint8_t* bytes, size_t n)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

// Mark, count, address length, address, telegram, checksum: the journal's
// record layout.
void AppendRecord(std::vector<uint8_t>& file, bool done, const std::string& ip,
                  const uint8_t* telegram, size_t count)
{
    size_t start = file.size();
    file.resize(start + 1 + 4 + 1 + ip.size() + count + 4);
    uint8_t* record = file.data() + start;
    record[0] = done ? 'D' : 'Q';
    StoreI32(record + 1, static_cast<int32_t>(count));
    record[5] = static_cast<uint8_t>(ip.size());
    std::copy(ip.begin(), ip.end(), record + 6);
    std::copy(telegram, telegram + count, record + 6 + ip.size());
    size_t size = file.size() - start;
    StoreI32(record + size - 4, static_cast<int32_t>(Checksum(record + 1, size - 5)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DecoderStation station(kKnownIp);
    std::vector<uint8_t> file;
    std::set<std::string> origins;
    size_t queued = 0;
    size_t at = 0;
    while (at + 3 <= size) {
        uint8_t flags = data[at];
        size_t next = at + 1;
        std::string ip;
        switch ((flags >> 1) & 3) {
        case 0:
            ip = kKnownIp;
            break;
        case 1:
            ip = "10.0.0.9";
            break;
        case 2:
            break;
        default: {
            size_t length = data[next++];
            if (next + length > size)
                next = size + 1;
            else
                ip.assign(reinterpret_cast<const char*>(data + next), length);
            next += length;
        }
        }
        if (next + 2 > size)
            break;
        size_t count = data[next] | size_t{data[next + 1]} << 8;
        next += 2;
        if (next + count > size)
            break;
        AppendRecord(file, (flags & 1) != 0, ip, data + next, count);
        if ((flags & 1) == 0) {
            ++queued;
            origins.insert(ip);
        }
        at = next + count;
    }
    // A tail cut short by the kill.
    file.insert(file.end(), data + at, data + size);

    const std::filesystem::path& folder = FuzzScratch();
    std::filesystem::path path = folder / ForwardJournal::kFileName;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    }
    station.events.events.clear();
    EventDecoder decoder(station.tree, station.clock, station.events);
    SocketPump pump;
    size_t replayed =
        ForwardingManager::StoreLeftoversLocally(folder, pump, station.clock, decoder);
    // The raw tail may hold more whole records.
    if (replayed < queued)
        std::abort();
    for (const GuardEvent& event : station.events.events) {
        if (replayed == queued && origins.count(event.recorder) == 0)
            std::abort();
    }
    ForwardJournal after(path);
    if (!after.Open().empty())
        std::abort();
    return 0;
}
