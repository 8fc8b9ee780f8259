// Fuzzes the forwarding message parser: it never reads outside its input,
// and whatever it accepts is self-consistent and encodes back to itself.
#include "net/ForwardMessage.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int version = 0;
    int count = 0;
    bool peeked = ForwardMessage::PeekHeader(data, size, version, count);

    ForwardMessage message;
    ForwardType type = message.Parse(data, size);
    if (message.Length() != size)
        std::abort();
    if (type == ForwardType::Invalid)
        return 0;
    if (!peeked || version != 1 || count != message.PayloadCount())
        std::abort();
    if ((type == ForwardType::Data) != (message.PayloadCount() > 0))
        std::abort();
    if (message.OriginIp().size() > ForwardMessage::kMaxIpLength ||
        message.Payload().size() != static_cast<size_t>(message.PayloadCount()) ||
        88 + message.Payload().size() > size)
        std::abort();

    // Encoding what was parsed gives a message that parses to the same.
    ForwardMessage rebuilt;
    if (type == ForwardType::Data)
        rebuilt.MakeData(message.Payload().data(), message.PayloadCount(), message.OriginIp());
    else if (type == ForwardType::Ackn)
        rebuilt.MakeAckn(message.OriginIp());
    else if (type == ForwardType::Shlo)
        rebuilt.MakeShlo(message.OriginIp());
    else
        rebuilt.MakeRhlo(message.OriginIp());
    std::span<const uint8_t> wire = rebuilt.Encode();
    ForwardMessage again;
    if (again.Parse(wire.data(), wire.size()) != type || again.OriginIp() != message.OriginIp() ||
        !std::ranges::equal(again.Payload(), message.Payload()))
        std::abort();
    return 0;
}
