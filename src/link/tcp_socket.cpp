// The portable part of the TCP link's socket calls: name resolution reads the same over
// POSIX sockets and Winsock once their headers are in.
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

bool resolve(const char* host, std::uint16_t port, Endpoint& out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return false;
    const auto* in = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    out.addr = in->sin_addr.s_addr;
    out.port = port;
    freeaddrinfo(list);
    return true;
}

}  // namespace tv::net
