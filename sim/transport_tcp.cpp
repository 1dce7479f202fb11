// TCP transport: listens on 127.0.0.1 and serves one connection after another. The same
// code over POSIX sockets and Winsock; the few calls that differ are wrapped below.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <cstdint>

#include "transport.h"

namespace tv::sim {

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
void close_socket(Socket s) { ::closesocket(s); }
// 1 when a byte (or a connection, or the end) is there within ms, 0 when not, -1 on error.
int wait_readable(Socket s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &limit);
}
bool interrupted() { return WSAGetLastError() == WSAEINTR || WSAGetLastError() == WSAEWOULDBLOCK; }
constexpr int kSendFlags = 0;
std::string last_error() { return "Winsock " + std::to_string(WSAGetLastError()); }
#else
using Socket = int;
const Socket kNoSocket = -1;
void close_socket(Socket s) { ::close(s); }
int wait_readable(Socket s, int ms) {
    pollfd p{s, POLLIN, 0};
    return ::poll(&p, 1, ms);
}
bool interrupted() { return errno == EINTR || errno == EAGAIN; }
constexpr int kSendFlags = MSG_NOSIGNAL;
std::string last_error() { return std::strerror(errno); }
#endif

template <class T>
int set_option(Socket s, int level, int name, const T& value) {
    return ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

class TcpTransport final : public Transport {
  public:
    TcpTransport(Socket listener, std::string address, int port)
        : listener_(listener), address_(std::move(address)), port_(port) {}
    ~TcpTransport() override {
        close_peer();
        close_socket(listener_);
    }

    bool wait_peer(const std::atomic<bool>& stop) override {
        close_peer();
        while (!stop.load()) {
            if (wait_readable(listener_, 100) <= 0) continue;  // slice over, or a signal
            Socket s = ::accept(listener_, nullptr, nullptr);
            if (s == kNoSocket) continue;
            set_option(s, IPPROTO_TCP, TCP_NODELAY, 1);
            peer_ = s;
            return true;
        }
        return false;
    }

    long read(unsigned char* buf, std::size_t cap, int timeout_ms) override {
        if (peer_ == kNoSocket) return -1;
        if (wait_readable(peer_, timeout_ms) <= 0) return 0;
        const long n = ::recv(peer_, reinterpret_cast<char*>(buf), static_cast<int>(cap), 0);
        if (n > 0) return n;
        if (n < 0 && interrupted()) return 0;
        close_peer();  // orderly close or a reset
        return -1;
    }

    bool write(const unsigned char* p, std::size_t n) override {
        while (n > 0 && peer_ != kNoSocket) {
            const long w = ::send(peer_, reinterpret_cast<const char*>(p), static_cast<int>(n), kSendFlags);
            if (w < 0) {
                if (interrupted()) continue;
                return false;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return n == 0;
    }

    void drop() override { close_peer(); }

    void reset() override {
        if (peer_ != kNoSocket) {
            linger hard{};  // closing then sends RST instead of FIN
            hard.l_onoff = 1;
            hard.l_linger = 0;
            set_option(peer_, SOL_SOCKET, SO_LINGER, hard);
        }
        close_peer();
    }

    std::string ready_line() const override { return "READY tcp " + address_ + " " + std::to_string(port_); }

  private:
    void close_peer() {
        if (peer_ != kNoSocket) close_socket(peer_);
        peer_ = kNoSocket;
    }

    Socket listener_;
    std::string address_;
    int port_;
    Socket peer_ = kNoSocket;
};

}  // namespace

std::unique_ptr<Transport> make_tcp_transport(const std::string& address, int port, std::string& error) {
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        error = "Nie można uruchomić biblioteki gniazd (Winsock)";
        return nullptr;
    }
    Socket fd = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
#else
    Socket fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
#endif
    if (fd == kNoSocket) {
        error = "Nie można utworzyć gniazda: " + last_error();
        return nullptr;
    }
#ifndef _WIN32
    // A port left in TIME_WAIT by an earlier run can be taken again at once. (On Windows
    // the same option would let two listeners share the port.)
    set_option(fd, SOL_SOCKET, SO_REUSEADDR, 1);
#endif
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &addr.sin_addr) != 1)
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 4) != 0) {
        error = "Nie można nasłuchiwać na " + address + ":" + std::to_string(port) + ": " + last_error();
        close_socket(fd);
        return nullptr;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return std::make_unique<TcpTransport>(fd, address, ntohs(addr.sin_port));
}

}  // namespace tv::sim
