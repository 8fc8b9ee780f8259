// Fuzzes the metrics endpoint's request reader: whatever the bytes, the
// verdict is the same whether they arrive at once or in pieces, and a head
// without its end is never taken in beyond the bound.
#include "net/HttpRequest.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte sets the size of the pieces.
    size_t piece = data[0] % 16 + 1;
    std::span<const char> bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    HttpRequestReader whole;
    HttpVerdict once = whole.Feed(bytes);
    HttpRequestReader pieces;
    HttpVerdict inPieces = HttpVerdict::Incomplete;
    for (size_t at = 0; at < bytes.size(); at += piece)
        inPieces = pieces.Feed(bytes.subspan(at, std::min(piece, bytes.size() - at)));
    if (once != inPieces)
        std::abort();
    if (once == HttpVerdict::Serve && whole.Target() != pieces.Target())
        std::abort();
    if (once == HttpVerdict::Incomplete && bytes.size() > HttpRequestReader::kMaxHeadBytes)
        std::abort();
    if (once != HttpVerdict::Incomplete && HttpRequestReader::Reason(once).empty())
        std::abort();
    return 0;
}
