// Appends whatever a socket holds right now to `pending`, without waiting.
#pragma once

#include <string>

#include <sys/socket.h>

inline void DrainSocket(int peer, std::string& pending)
{
    char chunk[4096];
    for (;;) {
        ssize_t n = ::recv(peer, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n <= 0)
            break;
        pending.append(chunk, static_cast<size_t>(n));
    }
}
