// The reply buffer of the SMTP client: received bytes are collected until a
// complete final reply line ("250 ..." ending in LF; continuation lines
// "250-..." are skipped) is there, whose code then drives one step. The
// buffer holds at most 1023 bytes; when it fills without a final line, the
// complete lines it holds are dropped (they cannot be final), or of one
// over-long line its first four bytes are kept, so an over-long reply never
// stalls the dialogue.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class SmtpReplyReader {
public:
    static constexpr size_t kBufferSize = 1024;
    static constexpr size_t kMaxHeld = kBufferSize - 1;
    // A reply code and the blank or hyphen after it.
    static constexpr size_t kLineStartKept = 4;

    // Where the next receive goes, and how much fits there.
    uint8_t* FreeSpace() { return m_buffer.data() + m_length; }
    size_t FreeBytes() const { return kMaxHeld - m_length; }
    // Takes n bytes received into FreeSpace. Returns the code of a complete
    // reply, which empties the buffer, or -1 while more must come.
    int Commit(size_t n);
    size_t Held() const { return m_length; }
    std::span<const uint8_t> HeldBytes() const { return {m_buffer.data(), m_length}; }
    void Clear() { m_length = 0; }

    // The code of the last complete line (ending in LF) in bytes that starts
    // with three digits and a blank, at the beginning of bytes or after an
    // LF; -1 when there is none.
    static int FindReplyCode(std::span<const uint8_t> bytes);

private:
    std::array<uint8_t, kBufferSize> m_buffer{};
    size_t m_length = 0;
};
