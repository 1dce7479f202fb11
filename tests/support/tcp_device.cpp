// The device end on a socket listening on 127.0.0.1 (POSIX sockets or Winsock).
#include <stdexcept>

#include "support/device_end.h"

namespace tv::test {

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
    if (!sockets::send_all(conn_, bytes, 30000)) throw std::runtime_error("device write failed");
}

std::string TcpDevice::read(std::size_t n, int timeout_ms) {
    return sockets::recv_upto(conn_, n, timeout_ms);
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
