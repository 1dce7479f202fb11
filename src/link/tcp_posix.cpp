// The TCP link's socket calls on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/tcp_platform.h"

namespace tv::net {

namespace {
int fd_of(unsigned int sock) { return static_cast<int>(sock); }
}  // namespace

void set_timeout(unsigned int sock, int option, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    setsockopt(fd_of(sock), SOL_SOCKET, option, &tv, sizeof tv);
}

bool startup() { return true; }
void cleanup() {}

bool create(unsigned int& sock) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    sock = fd < 0 ? kNoSocket : static_cast<unsigned int>(fd);
    return fd >= 0;
}

bool connect(unsigned int sock, const Endpoint& to, int timeout_ms) {
    const sockaddr_in a = socket_address(to);
    const int fd = fd_of(sock);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;

    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    if (!ok && errno == EINPROGRESS) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        int ready;
        do {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            pollfd p{fd, POLLOUT, 0};
            ready = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            errno = ETIMEDOUT;
        } else if (ready > 0) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
            ok = err == 0;
            if (!ok) errno = err;
        }
    }
    const int saved = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = saved;
    return ok;
}

long send(unsigned int sock, const void* p, std::size_t n) {
    ssize_t r;
    do r = ::send(fd_of(sock), p, n, MSG_NOSIGNAL);
    while (r < 0 && errno == EINTR);
    return static_cast<long>(r);
}

long recv(unsigned int sock, void* p, std::size_t n, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int ready;
    do {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd q{fd_of(sock), POLLIN, 0};
        ready = ::poll(&q, 1, left > 0 ? static_cast<int>(left) : 0);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return kTimedOut;
    if (ready < 0) return -1;
    ssize_t r;
    do r = ::recv(fd_of(sock), p, n, MSG_DONTWAIT);
    while (r < 0 && errno == EINTR);
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kTimedOut;
    return static_cast<long>(r);
}

bool close(unsigned int sock) { return sock != kNoSocket && ::close(fd_of(sock)) == 0; }

std::string error_text() { return std::strerror(errno); }

}  // namespace tv::net
