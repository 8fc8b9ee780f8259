// Fuzzes base64: any bytes encode and decode back to themselves, and any
// text decodes to bytes that survive the same round trip.
#include "links/Base64.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string encoded = Base64Encode(input);
    if (encoded.size() % 4 != 0 || Base64Decode(encoded) != input)
        std::abort();
    std::string decoded = Base64Decode(input);
    if (decoded.size() > size || Base64Decode(Base64Encode(decoded)) != decoded)
        std::abort();
    return 0;
}
