// Fuzzes the SMTP reply buffer with server output cut into receives of
// varying size: the buffer never holds more than 1023 bytes, always has room
// for the next receive, and reports exactly the code the scanner finds in the
// bytes held at that moment.
#include "links/SmtpReplyReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the receive sizes.
    uint8_t pattern = data[0];
    ++data;
    --size;

    std::vector<uint8_t> exact(data, data + size);
    int whole = SmtpReplyReader::FindReplyCode(exact);
    if (whole < -1 || whole > 999)
        std::abort();

    SmtpReplyReader reader;
    size_t pos = 0;
    int step = 0;
    while (pos < size) {
        size_t want = 1 + ((pattern >> (step++ % 8)) & 1 ? 7 : 300);
        size_t room = reader.FreeBytes();
        if (room == 0 || reader.Held() > SmtpReplyReader::kMaxHeld)
            std::abort();
        size_t n = std::min({want, room, size - pos});
        std::memcpy(reader.FreeSpace(), data + pos, n);
        // What the buffer holds once the receive is taken, before Commit.
        int expected =
            SmtpReplyReader::FindReplyCode({reader.HeldBytes().data(), reader.Held() + n});
        int code = reader.Commit(n);
        pos += n;
        if (code != expected)
            std::abort();
        if (code != -1 && (code < 0 || code > 999 || reader.Held() != 0))
            std::abort();
    }
    return 0;
}
