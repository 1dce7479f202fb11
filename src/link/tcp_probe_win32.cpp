// The scan's parallel connects and the interface list over Winsock: non-blocking
// connects watched with select (the set sized for the most attempts in flight),
// GetAdaptersAddresses.
#define FD_SETSIZE 256  // tv::net::kMaxInFlight; before the first Winsock header
#include <winsock2.h>
#include <ws2tcpip.h>
// After the Winsock headers, which it needs first.
#include <iphlpapi.h>

#include <algorithm>
#include <chrono>

#include "link/tcp_platform.h"
#include "link/tcp_probe.h"

namespace tv::net {

namespace {

using Clock = std::chrono::steady_clock;
static_assert(FD_SETSIZE >= kMaxInFlight, "the readiness sets must hold every attempt in flight");

struct Attempt {
    SOCKET s = INVALID_SOCKET;
    std::size_t target = 0;
    Clock::time_point deadline;
};

SOCKET start_connect(const Endpoint& to, bool& open) {
    open = false;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    u_long nonblocking = 1;
    const sockaddr_in a = socket_address(to);
    if (ioctlsocket(s, FIONBIO, &nonblocking) == 0) {
        if (::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
            open = true;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            return s;
        }
    }
    closesocket(s);
    return INVALID_SOCKET;
}

bool connected(SOCKET s) {
    int err = 0;
    int len = sizeof err;
    return getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) == 0 && err == 0;
}

}  // namespace

bool probe_connect(const std::vector<Endpoint>& targets, int in_flight, int timeout_ms,
                   const std::function<bool()>& stop, const std::function<void(std::size_t, bool)>& done) {
    const std::size_t limit = static_cast<std::size_t>(std::clamp(in_flight, 1, kMaxInFlight));
    std::vector<Attempt> flying;
    std::size_t next = 0;
    bool stopped = false;
    while (!stopped && (next < targets.size() || !flying.empty())) {
        while (next < targets.size() && flying.size() < limit) {
            bool open = false;
            const SOCKET s = start_connect(targets[next], open);
            if (s == INVALID_SOCKET)
                done(next, open);
            else
                flying.push_back({s, next, Clock::now() + std::chrono::milliseconds(timeout_ms)});
            ++next;
        }
        if (flying.empty()) {
            stopped = stop();
            continue;
        }
        // Writable: connected. In the exception set: refused or unreachable.
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        Clock::time_point first = flying.front().deadline;
        for (const Attempt& a : flying) {
            FD_SET(a.s, &writable);
            FD_SET(a.s, &failed);
            first = std::min(first, a.deadline);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
        const long wait = static_cast<long>(std::clamp<long long>(left, 0, 50));
        timeval limit_tv{0, wait * 1000};
        const bool broken = select(0, nullptr, &writable, &failed, &limit_tv) == SOCKET_ERROR;
        const Clock::time_point now = broken ? Clock::time_point::max() : Clock::now();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < flying.size(); ++i) {
            const Attempt a = flying[i];
            const bool is_open = FD_ISSET(a.s, &writable) != 0;
            const bool ready = is_open || FD_ISSET(a.s, &failed) != 0;
            if (!ready && now < a.deadline) {
                flying[kept++] = a;
                continue;
            }
            const bool open = is_open && connected(a.s);
            closesocket(a.s);
            done(a.target, open);
        }
        flying.resize(kept);
        stopped = stop();
    }
    for (const Attempt& a : flying) closesocket(a.s);
    return !stopped;
}

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
