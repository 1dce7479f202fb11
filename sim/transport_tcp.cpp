// TCP transport: listens on 127.0.0.1 and serves one connection after another.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transport.h"

namespace tv::sim {

namespace {

class TcpTransport final : public Transport {
public:
    TcpTransport(int listener, int port) : listener_(listener), port_(port) {}
    ~TcpTransport() override {
        close_peer();
        ::close(listener_);
    }

    bool wait_peer(const std::atomic<bool>& stop) override {
        close_peer();
        while (!stop.load()) {
            pollfd p{listener_, POLLIN, 0};
            int r = ::poll(&p, 1, 100);
            if (r <= 0) continue;  // time slice over, or interrupted by a signal
            int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            peer_ = fd;
            return true;
        }
        return false;
    }

    long read(unsigned char* buf, std::size_t cap, int timeout_ms) override {
        if (peer_ < 0) return -1;
        pollfd p{peer_, POLLIN, 0};
        int r = ::poll(&p, 1, timeout_ms);
        if (r <= 0) return 0;
        ssize_t n = ::recv(peer_, buf, cap, 0);
        if (n > 0) return n;
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
        close_peer();  // orderly close or a reset
        return -1;
    }

    bool write(const unsigned char* p, std::size_t n) override {
        while (n > 0 && peer_ >= 0) {
            ssize_t w = ::send(peer_, p, n, MSG_NOSIGNAL);
            if (w < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return n == 0;
    }

    void drop() override { close_peer(); }

    void reset() override {
        if (peer_ >= 0) {
            linger hard{1, 0};  // close() then sends RST instead of FIN
            ::setsockopt(peer_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        close_peer();
    }

    std::string ready_line() const override {
        return "READY tcp 127.0.0.1 " + std::to_string(port_);
    }

private:
    void close_peer() {
        if (peer_ >= 0) ::close(peer_);
        peer_ = -1;
    }

    int listener_;
    int port_;
    int peer_ = -1;
};

}  // namespace

std::unique_ptr<Transport> make_tcp_transport(int port, std::string& error) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("Nie można utworzyć gniazda: ") + std::strerror(errno);
        return nullptr;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 4) != 0) {
        error = "Nie można nasłuchiwać na 127.0.0.1:" + std::to_string(port) + ": " +
                std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return std::make_unique<TcpTransport>(fd, ntohs(addr.sin_port));
}

}  // namespace tv::sim
