// The pseudo-terminal device end of the tests (POSIX).
#include "support/device_end.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace tv::test {

namespace {

using Clock = std::chrono::steady_clock;

// Writes every byte; throws when the other side is gone.
void write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            throw std::runtime_error("device write failed");
        }
    }
}

// Reads until n bytes came, the timeout passed, or the other side is gone.
std::string read_fd(int fd, std::size_t n, int timeout_ms) {
    std::string out;
    const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.size() < n) {
        const long left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[4096];
        const std::size_t want = std::min(sizeof buf, n - out.size());
        const ssize_t r = ::read(fd, buf, want);
        if (r <= 0) break;
        out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
}

void make_raw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

PtyDevice::PtyDevice(bool raw) {
    char name[128] = {0};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    slave_path_ = name;
    make_raw(master_);
    if (raw) make_raw(slave_);
}

PtyDevice::~PtyDevice() {
    close_master();
    if (slave_ >= 0) ::close(slave_);
}

void PtyDevice::write(const std::string& bytes) { write_all(master_, bytes); }

std::string PtyDevice::read(std::size_t n, int timeout_ms) { return read_fd(master_, n, timeout_ms); }

std::string PtyDevice::drain(int quiet_ms) {
    std::string out;
    for (;;) {
        std::string more = read_fd(master_, 65536, quiet_ms);
        if (more.empty()) return out;
        out += more;
    }
}

void PtyDevice::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace tv::test
