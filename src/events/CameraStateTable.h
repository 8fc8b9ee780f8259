// The last camera mask each recorder reported for one kind of camera state
// (failure, or sensor-card signal), so that a report can be compared with
// the one before. Lives as long as the process; a restart forgets it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class CameraStateTable {
public:
    // Bits 0..23, camera 1 in bit 0.
    static constexpr uint32_t kCameraMask = 0xFFFFFF;

    // The recorder's stored mask; an unknown recorder gets an empty one.
    uint32_t& MaskOf(std::string_view recorder);

    size_t RecorderCount() const { return m_masks.size(); }

private:
    std::map<std::string, uint32_t, std::less<>> m_masks;
};
