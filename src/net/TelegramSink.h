// Where a session delivers each complete alarm telegram for decoding. The
// event decoder implements it; the session only frames.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class TelegramOutcome {
    Decoded,
    // The recorder is not known: the session takes no further telegram until
    // its next receive event (or, when replaying a queue, stops there).
    UnknownRecorder,
};

class TelegramSink {
public:
    virtual ~TelegramSink() = default;

    // telegram is the header and the payload; originIp is the dotted address
    // of the recorder that produced it.
    virtual TelegramOutcome DecodeTelegram(std::span<const uint8_t> telegram,
                                           std::string_view originIp) = 0;

    // Whether the station at `peerAddress` may forward telegrams to this
    // one; a refused station gets no answer at all.
    virtual bool AcceptsForwardingFrom(std::string_view /*peerAddress*/) { return true; }
};
