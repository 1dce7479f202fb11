// What the two system halves of the TCP link (tcp_posix.cpp, tcp_win32.cpp) and its
// portable part (tcp_socket.cpp) share: the system's socket headers, the socket address of
// an endpoint, and the time-out call each half makes in its own way.
#pragma once
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "link/tcp_socket.h"

namespace tv::net {

// The IPv4 socket address of an endpoint.
sockaddr_in socket_address(const Endpoint& to);
// Sets the socket option SO_SNDTIMEO to ms milliseconds.
void set_timeout(unsigned int sock, int option, int ms);

}  // namespace tv::net
