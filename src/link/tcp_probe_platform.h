// The operating system's half of the scan's parallel connects (tcp_probe_posix.cpp,
// tcp_probe_win32.cpp); tcp_probe.cpp keeps the attempts in flight, their time-outs and the
// stop, the same on both.
#pragma once
#include <cstdint>
#include <vector>

#include "link/tcp_socket.h"

namespace tv::net::probe {

// A socket as the system numbers it (a descriptor, or a Winsock SOCKET); kNone for none.
using Handle = std::intptr_t;
constexpr Handle kNone = -1;

// Starts a non-blocking connect: kNone when it settled at once, with `open` set when it
// succeeded at once (the socket is then already closed).
Handle start(const Endpoint& to, bool& open);
// Waits at most wait_ms for any of the sockets to settle (connected, refused or
// unreachable); settled[i] says which did. False when the wait itself failed.
bool wait(const std::vector<Handle>& sockets, int wait_ms, std::vector<char>& settled);
// Whether a settled connect succeeded.
bool connected(Handle s);
void close(Handle s);

}  // namespace tv::net::probe
