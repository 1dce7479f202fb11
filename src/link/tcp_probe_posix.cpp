// The scan's connects and the interface list over POSIX sockets: non-blocking connects
// watched with poll, getifaddrs.
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "link/tcp_platform.h"
#include "link/tcp_probe.h"
#include "link/tcp_probe_platform.h"

namespace tv::net {

namespace probe {

Handle start(const Endpoint& to, bool& open) {
    open = false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return kNone;
    const sockaddr_in a = socket_address(to);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
        open = true;
        ::close(fd);
        return kNone;
    }
    if (errno == EINPROGRESS || errno == EINTR) return fd;
    ::close(fd);
    return kNone;
}

bool wait(const std::vector<Handle>& sockets, int wait_ms, std::vector<char>& settled) {
    std::vector<pollfd> fds;
    for (const Handle s : sockets) fds.push_back({static_cast<int>(s), POLLOUT, 0});
    const bool failed = ::poll(fds.data(), fds.size(), wait_ms) < 0 && errno != EINTR;
    settled.assign(sockets.size(), 0);
    for (std::size_t i = 0; i < fds.size(); ++i) settled[i] = fds[i].revents != 0;
    return !failed;
}

bool connected(Handle s) {
    int err = 0;
    socklen_t len = sizeof err;
    return ::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
}

void close(Handle s) { ::close(static_cast<int>(s)); }

}  // namespace probe

std::vector<Ipv4Interface> ipv4_interfaces() {
    std::vector<Ipv4Interface> list;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) return list;
    for (const ifaddrs* i = all; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        Ipv4Interface e;
        e.name = i->ifa_name ? i->ifa_name : "";
        e.addr = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
        if (i->ifa_netmask) e.mask = reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr;
        e.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        e.up = (i->ifa_flags & IFF_UP) != 0;
        list.push_back(e);
    }
    ::freeifaddrs(all);
    return list;
}

}  // namespace tv::net
