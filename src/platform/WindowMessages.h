// Registered window messages between programs on the same machine. A window
// handle is a 32-bit number (by default the owning process's id); posting a
// message to it sends one datagram to the abstract Unix socket
// "@wardex-window-<handle>", which the window binds and polls in its loop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct WindowMessage {
    std::string name;
    int64_t first = 0;
    int64_t second = 0;
    // The sending process's user, from the kernel (received messages only).
    uint32_t senderUid = 0;
};

// 64 bytes of name, NUL-padded, then the two parameters as little-endian
// signed 64-bit numbers.
inline constexpr size_t kWindowMessageNameBytes = 64;
inline constexpr size_t kWindowMessageBytes = kWindowMessageNameBytes + 16;

enum class PostResult {
    Posted,
    NoWindow, // nothing is bound to the handle: the window no longer exists
    Failed,   // the window's queue is full, or another error
};

enum class ReceiveResult {
    Message,
    Nothing,   // the queue is empty
    Malformed, // a datagram that is no window message was dropped
    Refused,   // a message from another user (its senderUid is set) was dropped
    Failed,
};

// The handle of this process's window.
uint32_t OwnWindowHandle();

// A name of 64 bytes or more cannot be posted: it is cut to 63.
std::array<uint8_t, kWindowMessageBytes> EncodeWindowMessage(const WindowMessage& message);
// False unless the datagram has exactly the message size and its name field
// holds a NUL.
bool DecodeWindowMessage(std::span<const uint8_t> datagram, WindowMessage& message);

// Never waits: a full queue drops the message.
PostResult PostWindowMessage(uint32_t handle, std::string_view name, int64_t first, int64_t second);

// Binds the window's socket, which takes messages only from senders
// IsTrustedLocalUser accepts; returns a non-blocking handle the caller owns,
// or -1 (for example when another window holds the handle).
int OpenWindowEndpoint(uint32_t handle);
ReceiveResult ReceiveWindowMessage(int endpoint, WindowMessage& message);
