// The scan's parallel connects and the interface list over Winsock: non-blocking
// connects watched with select (the set sized for the most attempts in flight),
// GetAdaptersAddresses.
#define FD_SETSIZE 256  // tv::net::kMaxInFlight; before the first Winsock header
#include <winsock2.h>
#include <ws2tcpip.h>
// After the Winsock headers, which it needs first.
#include <iphlpapi.h>

#include <algorithm>

#include "link/tcp_platform.h"
#include "link/tcp_probe.h"
#include "link/tcp_probe_platform.h"

namespace tv::net {

static_assert(FD_SETSIZE >= kMaxInFlight, "the readiness sets must hold every attempt in flight");

namespace probe {

Handle start(const Endpoint& to, bool& open) {
    open = false;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNone;
    u_long nonblocking = 1;
    const sockaddr_in a = socket_address(to);
    if (ioctlsocket(s, FIONBIO, &nonblocking) == 0) {
        if (::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
            open = true;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            return static_cast<Handle>(s);
        }
    }
    closesocket(s);
    return kNone;
}

bool wait(const std::vector<Handle>& sockets, int wait_ms, std::vector<char>& settled) {
    // Writable: connected. In the exception set: refused or unreachable.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (const Handle s : sockets) {
        FD_SET(static_cast<SOCKET>(s), &writable);
        FD_SET(static_cast<SOCKET>(s), &failed);
    }
    timeval limit{0, static_cast<long>(wait_ms) * 1000};
    const bool broken = select(0, nullptr, &writable, &failed, &limit) == SOCKET_ERROR;
    settled.assign(sockets.size(), 0);
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        const SOCKET s = static_cast<SOCKET>(sockets[i]);
        settled[i] = FD_ISSET(s, &writable) != 0 || FD_ISSET(s, &failed) != 0;
    }
    return !broken;
}

bool connected(Handle s) {
    int err = 0;
    int len = sizeof err;
    return getsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) ==
               0 &&
           err == 0;
}

void close(Handle s) { closesocket(static_cast<SOCKET>(s)); }

}  // namespace probe

std::vector<Ipv4Interface> ipv4_interfaces() {
    std::vector<Ipv4Interface> list;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG r = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < 3 && r == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.resize(size);
        r = GetAdaptersAddresses(AF_INET,
                                 GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                 nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (r != NO_ERROR) return list;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
            if (!u->Address.lpSockaddr || u->Address.lpSockaddr->sa_family != AF_INET) continue;
            Ipv4Interface e;
            e.name = a->AdapterName ? a->AdapterName : "";
            e.addr = reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr;
            const unsigned prefix = std::min<unsigned>(u->OnLinkPrefixLength, 32);
            e.mask = prefix == 0 ? 0 : htonl(0xFFFFFFFFu << (32 - prefix));
            e.loopback = a->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            e.up = a->OperStatus == IfOperStatusUp;
            list.push_back(e);
        }
    }
    return list;
}

}  // namespace tv::net
