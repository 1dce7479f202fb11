// The scripted cash register of the tests (see peer.h).
#include "peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace tv::test {

namespace {
constexpr int kByteWaitMs = 5000;     // longest pause inside a request
constexpr int kTcpDrainMs = 3000;     // after the script: until the client closes
constexpr int kPtyDrainMs = 300;      // after the script on a terminal: no close to see

void write_all(int fd, const std::string& bytes, bool socket) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = socket ? ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL)
                                 : ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}
}  // namespace

Peer::Peer(Kind kind, std::vector<Reply> script) : kind_(kind), script_(std::move(script)) {
    if (kind_ == Kind::Tcp) {
        listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_fd_, 1);
        socklen_t len = sizeof a;
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    } else {
        char name[128] = {0};
        if (::openpty(&master_fd_, &slave_fd_, name, nullptr, nullptr) == 0) {
            termios t{};
            ::tcgetattr(slave_fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(slave_fd_, TCSANOW, &t);
            slave_name_ = name;
        }
    }
    thread_ = std::thread([this] { run(); });
}

Peer::~Peer() {
    finish();
    if (listen_fd_ >= 0) ::close(listen_fd_);
    if (master_fd_ >= 0) ::close(master_fd_);
    if (slave_fd_ >= 0) ::close(slave_fd_);
}

void Peer::finish() {
    if (thread_.joinable()) thread_.join();
}

int Peer::read_byte(int fd, int timeout_ms, unsigned char& b) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, timeout_ms);
    if (r == 0) return 0;
    if (r < 0) return -1;
    const ssize_t n = ::read(fd, &b, 1);
    if (n == 1) {
        all_.push_back(static_cast<char>(b));
        return 1;
    }
    return -1;
}

bool Peer::read_frame(int fd, std::string& frame) {
    bool inside = false, pending = false;
    for (;;) {
        unsigned char b = 0;
        if (read_byte(fd, kByteWaitMs, b) != 1) return false;
        if (!inside) {
            if (b == 0x02 && pending) {
                inside = true;
                pending = false;
                frame = "\x10\x02";
            } else {
                pending = b == 0x10;
            }
            continue;
        }
        frame.push_back(static_cast<char>(b));
        if (pending) {
            if (b == 0x03) return true;
            pending = false;
        } else if (b == 0x10) {
            pending = true;
        }
    }
}

void Peer::run() {
    int fd = master_fd_;
    if (kind_ == Kind::Tcp) {
        pollfd p{listen_fd_, POLLIN, 0};
        if (::poll(&p, 1, kByteWaitMs) != 1) return;
        fd = ::accept(listen_fd_, nullptr, nullptr);
    }
    if (fd < 0) return;

    bool open = true;
    for (const auto& reply : script_) {
        std::string frame;
        if (!read_frame(fd, frame)) break;
        requests_.push_back(frame);
        write_all(fd, reply.bytes, kind_ == Kind::Tcp);
        if (reply.close_after) {
            if (kind_ == Kind::Tcp) {
                ::close(fd);
                open = false;
            }
            break;
        }
    }
    // Whatever else the client sends until it goes away.
    if (open) {
        unsigned char b;
        const int idle = kind_ == Kind::Tcp ? kTcpDrainMs : kPtyDrainMs;
        while (read_byte(fd, idle, b) == 1) {
        }
        if (kind_ == Kind::Tcp) ::close(fd);
    }
}

}  // namespace tv::test
