// What the address page of the recorder sheet edits: the recorder's IP,
// Name and Hybrid flag, and whether the sheet makes a new recorder or edits
// one.
#pragma once

#include <cstdint>
#include <string>

enum class SheetMode { New, Edit };

struct RecorderAddress {
    std::string ip;
    std::string name;
    int32_t hybrid = 0;

    bool operator==(const RecorderAddress&) const = default;
};
