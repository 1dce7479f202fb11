// The operating-system side of the TCP link: an IPv4 stream socket, held as an unsigned
// 32-bit handle, with the few calls the link makes on it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tv::net {

// A handle that names no socket.
constexpr unsigned int kNoSocket = 0xFFFFFFFFu;

struct Endpoint {
    std::uint32_t addr = 0;  // IPv4 address, network byte order
    std::uint16_t port = 0;  // host byte order
};

// Socket library start (version 1.1 where there is a library to start) and stop.
bool startup();
void cleanup();

bool create(unsigned int& sock);
// Host name or dotted IPv4 address; the first IPv4 address found.
bool resolve(const char* host, std::uint16_t port, Endpoint& out);
void set_send_timeout(unsigned int sock, int ms);
// Connects, waiting at most timeout_ms for the peer to answer (the system's own limit is
// minutes on some systems). The socket is blocking again afterwards.
bool connect(unsigned int sock, const Endpoint& to, int timeout_ms);
// Bytes sent, or -1.
long send(unsigned int sock, const void* p, std::size_t n);
// What recv returns when its time-out passed with nothing received.
constexpr long kTimedOut = -2;
// Waits at most timeout_ms for bytes, then receives: bytes received (up to n), 0 when the
// peer closed the connection, kTimedOut when nothing came in time, -1 on any other error
// (a reset connection, for one). The wait is the system's readiness wait, not a receive
// time-out on the socket: Windows leaves a socket whose receive timed out in an undefined
// state, and the link goes on reading after a time-out when the user asks it to.
long recv(unsigned int sock, void* p, std::size_t n, int timeout_ms);
bool close(unsigned int sock);
// The system's text for the last failure.
std::string error_text();

}  // namespace tv::net
