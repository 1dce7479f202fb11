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
#include <utility>

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
    // The settings of a pair are the slave's (those of the master side are the slave's too).
    if (raw) make_raw(slave_);
    termios t{};
    if (!raw && tcgetattr(slave_, &t) == 0) t.c_iflag |= IXOFF | IXANY;  // as other programs leave it
    if (!raw) tcsetattr(slave_, TCSANOW, &t);
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

std::string PtyDevice::line_settings() const {
    termios t{};
    if (tcgetattr(slave_, &t) != 0) return "unreadable";
    auto speed = [](speed_t s) {
        static const std::pair<speed_t, int> kSpeeds[] = {{B1200, 1200},   {B2400, 2400},    {B4800, 4800},
                                                          {B9600, 9600},   {B19200, 19200},  {B38400, 38400},
                                                          {B57600, 57600}, {B115200, 115200}};
        for (const auto& [code, bits] : kSpeeds)
            if (code == s) return std::to_string(bits);
        return std::string("?");
    };
    const int bits = (t.c_cflag & CSIZE) == CS8   ? 8
                     : (t.c_cflag & CSIZE) == CS7 ? 7
                     : (t.c_cflag & CSIZE) == CS6 ? 6
                                                  : 5;
    const std::pair<const char*, bool> flags[] = {
        {"parenb", t.c_cflag & PARENB}, {"cstopb", t.c_cflag & CSTOPB}, {"crtscts", t.c_cflag & CRTSCTS},
        {"icanon", t.c_lflag & ICANON}, {"echo", t.c_lflag & ECHO},     {"isig", t.c_lflag & ISIG},
        {"iexten", t.c_lflag & IEXTEN}, {"opost", t.c_oflag & OPOST},   {"icrnl", t.c_iflag & ICRNL},
        {"istrip", t.c_iflag & ISTRIP}, {"ixon", t.c_iflag & IXON},     {"ixoff", t.c_iflag & IXOFF}};
    std::string out =
        "speed=" + speed(cfgetispeed(&t)) + "/" + speed(cfgetospeed(&t)) + " bits=" + std::to_string(bits);
    for (const auto& [name, on] : flags) out += std::string(" ") + name + "=" + (on ? "1" : "0");
    return out;
}

void PtyDevice::hold_output(bool held) { tcflow(slave_, held ? TCOOFF : TCOON); }

void PtyDevice::close_master() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace tv::test
