// A blocking TCP connection to a station, optionally from a chosen local
// address, that writes whole telegrams and reads whole replies.
#pragma once

#include <cstdint>
#include <span>
#include <string>

class StationConnection {
public:
    StationConnection() = default;
    ~StationConnection();
    StationConnection(StationConnection&& other) noexcept;
    StationConnection& operator=(StationConnection&& other) noexcept;
    StationConnection(const StationConnection&) = delete;
    StationConnection& operator=(const StationConnection&) = delete;

    // False with a message naming the address and the system's reason.
    bool Connect(const std::string& host, int port, const std::string& bindAddress,
                 std::string& error);
    // Writes all bytes; false with a message when the station went away.
    bool SendAll(std::span<const uint8_t> bytes, std::string& error);
    // Reads exactly bytes.size() bytes; false with a message when the
    // station went away.
    bool ReceiveAll(std::span<uint8_t> bytes, std::string& error);
    bool IsOpen() const { return m_handle >= 0; }
    void Close();

private:
    int m_handle = -1;
};
