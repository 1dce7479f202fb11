// The scan's parallel connects and the interface list over POSIX sockets: non-blocking
// connects watched with poll, getifaddrs.
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "link/tcp_platform.h"
#include "link/tcp_probe.h"

namespace tv::net {

namespace {

using Clock = std::chrono::steady_clock;

struct Attempt {
    int fd = -1;
    std::size_t target = 0;
    Clock::time_point deadline;
};

// Starts a connect; -1 when it failed at once (refused on loopback, no route), with
// `open` set when it succeeded at once.
int start_connect(const Endpoint& to, bool& open) {
    open = false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return -1;
    const sockaddr_in a = socket_address(to);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
        open = true;
        ::close(fd);
        return -1;
    }
    if (errno == EINPROGRESS || errno == EINTR) return fd;
    ::close(fd);
    return -1;
}

bool connected(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
}

}  // namespace

bool probe_connect(const std::vector<Endpoint>& targets, int in_flight, int timeout_ms,
                   const std::function<bool()>& stop, const std::function<void(std::size_t, bool)>& done) {
    const std::size_t limit = static_cast<std::size_t>(std::clamp(in_flight, 1, kMaxInFlight));
    std::vector<Attempt> flying;
    std::vector<pollfd> fds;
    std::size_t next = 0;
    bool stopped = false;
    while (!stopped && (next < targets.size() || !flying.empty())) {
        while (next < targets.size() && flying.size() < limit) {
            bool open = false;
            const int fd = start_connect(targets[next], open);
            if (fd < 0)
                done(next, open);
            else
                flying.push_back({fd, next, Clock::now() + std::chrono::milliseconds(timeout_ms)});
            ++next;
        }
        if (flying.empty()) {
            stopped = stop();
            continue;
        }
        fds.clear();
        Clock::time_point first = flying.front().deadline;
        for (const Attempt& a : flying) {
            fds.push_back({a.fd, POLLOUT, 0});
            first = std::min(first, a.deadline);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(first - Clock::now()).count();
        const int wait = static_cast<int>(std::clamp<long long>(left, 0, 50));
        const bool failed = ::poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR;
        // A wait that fails settles every attempt in flight as closed, so none waits for ever.
        const Clock::time_point now = failed ? Clock::time_point::max() : Clock::now();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < flying.size(); ++i) {
            const Attempt a = flying[i];
            const bool ready = fds[i].revents != 0;
            if (!ready && now < a.deadline) {
                flying[kept++] = a;
                continue;
            }
            const bool open = ready && connected(a.fd);
            ::close(a.fd);
            done(a.target, open);
        }
        flying.resize(kept);
        stopped = stop();
    }
    for (const Attempt& a : flying) ::close(a.fd);
    return !stopped;
}

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
