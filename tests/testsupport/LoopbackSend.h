// Connects to a port on the loopback address, sends the bytes and closes:
// one short-lived recorder connection for tests of the station.
#pragma once

#include <cstdint>
#include <span>

bool SendToLoopback(int port, std::span<const uint8_t> bytes);
