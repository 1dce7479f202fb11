// The portable part of the TCP link's socket calls: what reads the same over POSIX
// sockets and Winsock once their headers are in.
#include "link/tcp_platform.h"

namespace tv::net {

sockaddr_in socket_address(const Endpoint& to) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(to.port);
    a.sin_addr.s_addr = to.addr;
    return a;
}

void set_send_timeout(unsigned int sock, int ms) { set_timeout(sock, SO_SNDTIMEO, ms); }

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
