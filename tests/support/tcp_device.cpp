// The device end on a socket listening on 127.0.0.1 (POSIX sockets or Winsock).
#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "support/device_end.h"

namespace tv::test {

using Clock = std::chrono::steady_clock;

TcpDevice::TcpDevice() {
    listener_ = sockets::listen_loopback(port_);
    if (listener_ == sockets::kNone) throw std::runtime_error("listen");
}

TcpDevice::~TcpDevice() {
    close_connection();
    sockets::close(listener_);
}

bool TcpDevice::accept(int timeout_ms) {
    if (sockets::wait_readable(listener_, timeout_ms) <= 0) return false;
    conn_ = sockets::accept(listener_);
    return conn_ != sockets::kNone;
}

void TcpDevice::write(const std::string& bytes) {
    // Bounded generously: a link that never reads ends the test instead of hanging it.
    if (!sockets::send_all(conn_, bytes.data(), bytes.size(), 30000))
        throw std::runtime_error("device write failed");
}

std::string TcpDevice::read(std::size_t n, int timeout_ms) {
    std::string out;
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < n) {
        const long left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        if (sockets::wait_readable(conn_, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        const std::size_t want = std::min(sizeof buf, n - out.size());
        const long r = sockets::recv(conn_, buf, want);
        if (r == -2) continue;
        if (r <= 0) break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
}

bool TcpDevice::quiet(int quiet_ms) { return sockets::wait_readable(conn_, quiet_ms) == 0; }

void TcpDevice::close_connection() {
    sockets::close(conn_);
    conn_ = sockets::kNone;
}

bool TcpDevice::peer_closed(int timeout_ms) {
    if (sockets::wait_readable(conn_, timeout_ms) <= 0) return false;
    char b;
    return sockets::recv(conn_, &b, 1) == 0;
}

}  // namespace tv::test
