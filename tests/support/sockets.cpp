// Test sockets on POSIX and Winsock.
#include "support/sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <chrono>

namespace tv::test::sockets {

#ifdef _WIN32
const Socket kNone = static_cast<Socket>(INVALID_SOCKET);
namespace {
SOCKET native(Socket s) { return static_cast<SOCKET>(s); }
// Winsock is started once for the test program and stays up.
bool started() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}
int wait_for(Socket s, int ms, bool write) {
    fd_set set, failed;
    FD_ZERO(&set);
    FD_ZERO(&failed);
    FD_SET(native(s), &set);
    FD_SET(native(s), &failed);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    const int r = ::select(0, write ? nullptr : &set, write ? &set : nullptr, &failed, &limit);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}
bool again() { return WSAGetLastError() == WSAEWOULDBLOCK || WSAGetLastError() == WSAEINTR; }
}  // namespace
#else
const Socket kNone = -1;
namespace {
int native(Socket s) { return s; }
bool started() { return true; }
int wait_for(Socket s, int ms, bool write) {
    pollfd p{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    int r;
    do r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}
bool again() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
}  // namespace
#endif

#ifndef MSG_NOSIGNAL
#define MSG_NOSIGNAL 0  // Winsock raises no signal on a closed connection
#endif

namespace {
sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
}  // namespace

Socket listen_loopback(std::uint16_t& port, int backlog) {
    port = 0;
    return listen_on("127.0.0.1", port, backlog);
}

namespace {

template <typename Native>
void set_nonblocking(Native s) {
#ifdef _WIN32
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
#else
    ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
#endif
}

}  // namespace

Socket start_connect(const std::string& address, std::uint16_t port) {
    if (!started() || address.rfind("127.", 0) != 0) return kNone;  // loopback only
    const auto s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (static_cast<Socket>(s) == kNone) return kNone;
    set_nonblocking(s);
    sockaddr_in a = loopback(port);
    ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return static_cast<Socket>(s);
}

Socket listen_on(const std::string& address, std::uint16_t& port, int backlog) {
    if (!started() || address.rfind("127.", 0) != 0) return kNone;  // loopback only
    const auto s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (static_cast<Socket>(s) == kNone) return kNone;
    sockaddr_in a = loopback(port);
    ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, backlog) != 0) {
        close(static_cast<Socket>(s));
        return kNone;
    }
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return static_cast<Socket>(s);
}

Socket accept(Socket listener) { return static_cast<Socket>(::accept(native(listener), nullptr, nullptr)); }

Socket connect_loopback(std::uint16_t port, bool blocking) {
    if (!started()) return kNone;
    const auto s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (static_cast<Socket>(s) == kNone) return kNone;
    if (!blocking) set_nonblocking(s);
    sockaddr_in a = loopback(port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && (blocking || !again()) &&
#ifdef _WIN32
        true
#else
        errno != EINPROGRESS
#endif
    ) {
        close(static_cast<Socket>(s));
        return kNone;
    }
    return static_cast<Socket>(s);
}

void close(Socket s) {
    if (s == kNone) return;
#ifdef _WIN32
    ::closesocket(native(s));
#else
    ::close(s);
#endif
}

int wait_readable(Socket s, int ms) { return wait_for(s, ms, false); }
int wait_writable(Socket s, int ms) { return wait_for(s, ms, true); }

long send(Socket s, const void* p, std::size_t n) {
    const long r = ::send(native(s), static_cast<const char*>(p), static_cast<int>(n), MSG_NOSIGNAL);
    return r < 0 ? (again() ? -2 : -1) : r;
}

long recv(Socket s, void* p, std::size_t n) {
    const long r = ::recv(native(s), static_cast<char*>(p), static_cast<int>(n), 0);
    return r < 0 ? (again() ? -2 : -1) : r;
}

bool send_all(Socket s, std::string_view bytes, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::size_t done = 0;
    while (done < bytes.size() && Clock::now() < deadline) {
        const long w = send(s, bytes.data() + done, bytes.size() - done);
        if (w > 0)
            done += static_cast<std::size_t>(w);
        else if (w == -2)
            wait_writable(s, 10);
        else
            return false;
    }
    return done == bytes.size();
}

std::string recv_upto(Socket s, std::size_t n, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    std::string out;
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < n) {
        const long left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        if (wait_readable(s, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        const long r = recv(s, buf, std::min(sizeof buf, n - out.size()));
        if (r == -2) continue;
        if (r <= 0) break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
}

}  // namespace tv::test::sockets
