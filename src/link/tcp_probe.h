// Many TCP connects at once, for the network scan: which endpoints accept a connection,
// with a bounded number of attempts in flight and a time-out for each. Nothing is sent and
// every socket is closed before the call returns. Also the host's own IPv4 interfaces,
// from which a scan takes the blocks of the machine's networks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/tcp_socket.h"

namespace tv::net {

// The most attempts in flight one probe keeps (the Windows readiness set's size).
constexpr int kMaxInFlight = 256;

// Connects to every target, at most `in_flight` (1..kMaxInFlight) at a time, each given
// timeout_ms to be accepted. done(i, open) is called on the caller's thread as target i
// is settled (open: the connect succeeded; the socket is closed at once). stop() is asked
// at least every 50 ms; when it says true the attempts in flight are abandoned (closed)
// and the call returns false. The socket library must be started (startup()).
bool probe_connect(const std::vector<Endpoint>& targets, int in_flight, int timeout_ms,
                   const std::function<bool()>& stop, const std::function<void(std::size_t, bool)>& done);

struct Ipv4Interface {
    std::string name;
    std::uint32_t addr = 0;  // network byte order
    std::uint32_t mask = 0;  // network byte order
    bool loopback = false;
    bool up = false;
};

// The host's IPv4 addresses, one entry per address (getifaddrs / GetAdaptersAddresses).
std::vector<Ipv4Interface> ipv4_interfaces();

}  // namespace tv::net
