// One recorder as the live-view program lists it in the recorder list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SharedRecorder {
    std::string name; // "$$" in it marks a hybrid recorder
    std::string address;
    std::vector<std::string> presets;
    // The top 8 and the low 24 bits of the number of the last "##" item.
    int32_t topBits = 0;
    int32_t lowBits = 0;

    bool operator==(const SharedRecorder&) const = default;
};
