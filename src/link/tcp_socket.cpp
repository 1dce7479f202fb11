// The portable half of the TCP link's socket calls: name resolution and connect read the
// same over POSIX sockets and Winsock once their headers are in.
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

namespace {
#ifdef _WIN32
SOCKET native(unsigned int sock) { return sock == kNoSocket ? INVALID_SOCKET : static_cast<SOCKET>(sock); }
#else
int native(unsigned int sock) { return static_cast<int>(sock); }
#endif
}  // namespace

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

bool connect(unsigned int sock, const Endpoint& to) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(to.port);
    a.sin_addr.s_addr = to.addr;
    // With a send time-out set, Linux gives up connecting after it as well.
    return ::connect(native(sock), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

}  // namespace tv::net
