// One message of the station-to-station forwarding protocol: an 88-byte
// ASCII header ("WARDEXFORWARD V0001 Recorder-IP: ...") and, for DATA, the
// raw recorder telegram it carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class ForwardType { Invalid = 0, Data = 1, Ackn = 2, Shlo = 3, Rhlo = 4 };

class ForwardMessage {
public:
    static constexpr int kVersion = 1;
    static constexpr size_t kHeaderSize = 88;
    // A DATA message carries one telegram: its header and at most the largest
    // payload a session accepts.
    static constexpr int kMaxCount = 18 + 65536;
    static constexpr size_t kMaxIpLength = 15;

    // Each resets the message. A version above kVersion fails.
    bool MakeData(const uint8_t* bytes, int count, std::string_view ip, int version = kVersion);
    bool MakeAckn(std::string_view ip, int version = kVersion);
    bool MakeShlo(std::string_view ip, int version = kVersion);
    bool MakeRhlo(std::string_view ip, int version = kVersion);

    // The wire bytes; empty unless the version is kVersion and the type valid.
    std::span<const uint8_t> Encode();

    // kHeaderSize for version 1, -1 for any other.
    static int HeaderSize(int version);

    // Cheap test on a possibly incomplete message: false for fewer than
    // kHeaderSize bytes or a missing literal. count becomes -1 when the count
    // field is negative, not a number or does not fit in 32 bits.
    static bool PeekHeader(const uint8_t* bytes, size_t n, int& version, int& count);

    // Keeps a copy of the n bytes; Length() becomes n. Returns Invalid for
    // anything that breaks the format.
    ForwardType Parse(const uint8_t* bytes, size_t n);

    ForwardType Type() const { return m_type; }
    bool IsInvalid() const { return m_type == ForwardType::Invalid; }
    bool IsData() const { return m_type == ForwardType::Data; }
    bool IsAckn() const { return m_type == ForwardType::Ackn; }
    bool IsShlo() const { return m_type == ForwardType::Shlo; }
    bool IsRhlo() const { return m_type == ForwardType::Rhlo; }

    int Version() const { return m_version; }
    size_t Length() const { return m_bytes.size(); }
    std::span<const uint8_t> Bytes() const { return m_bytes; }
    std::span<const uint8_t> Payload() const { return m_payload; }
    int PayloadCount() const { return m_count; }
    const std::string& OriginIp() const { return m_originIp; }

private:
    bool Make(ForwardType type, std::string_view ip, int version);

    ForwardType m_type = ForwardType::Invalid;
    int m_version = kVersion;
    int m_count = 0;
    std::vector<uint8_t> m_payload;
    std::string m_originIp;
    std::vector<uint8_t> m_bytes;
};
