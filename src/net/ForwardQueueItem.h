// One raw recorder telegram waiting to be forwarded, with the address of the
// recorder that produced it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ForwardQueueItem {
    int32_t count = 0;
    std::vector<uint8_t> bytes; // the complete telegram, header included
    std::string originIp;
};
